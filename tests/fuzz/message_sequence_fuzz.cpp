// The toolkit's window on the virtual desktop under a sequence of actions decoded from the
// input: sent and posted messages with any parameters, activation by another program,
// minimize and restore, resizes (0 x 0 and 65535 x 65535 among them), another program's
// palette and system colours, keys, the mouse, and close requests. The actions run from
// inside the toolkit's loop, at the points where its queue is empty.
// Checked: the static colours are taken only while the window is active; with idle work
// the loop never waits; after the loop every handle is given back and no slot is set.
//
// The desktop is a 256-colour display needing the system palette, so that the window takes
// the static colours. Input: a flags byte (idle work), then actions of four bytes each:
// kind, then three bytes of argument.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "gl.h"
#include "toolkit.h"
#include "vdesk_control.h"

namespace {

const uint8_t* input = nullptr;
size_t inputSize = 0, cursor = 0;
HWND window = nullptr;
bool idleMode = false;
// The window's handles as last seen at a quiet point; all must be gone after the loop.
HPALETTE lastPalette = nullptr;
HGLRC lastContext = nullptr;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "message sequence: %s (after %zu of %zu bytes)\n", what, cursor,
                 inputSize);
    std::abort();
}

uint32_t Take(int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; i++)
        value = (value << 8) | (cursor < inputSize ? input[cursor++] : 0);
    return value;
}

// What the window procedure handles, then what it leaves to the default. Not faked: the
// activation messages (the desktop's own activation actions give those), the destruction
// and quit messages (only DestroyWindow and PostQuitMessage give them), and messages whose
// lParam is a pointer.
const UINT messages[] = {
    WM_MOVE,      WM_SIZE,      WM_PAINT,          WM_CLOSE,       WM_SYSCOLORCHANGE, WM_KEYDOWN,
    WM_CHAR,      WM_MOUSEMOVE, WM_LBUTTONDOWN,    WM_RBUTTONDOWN, WM_MBUTTONDOWN,    WM_LBUTTONUP,
    WM_RBUTTONUP, WM_MBUTTONUP, WM_PALETTECHANGED, WM_NULL,        WM_KEYUP,          WM_USER + 1,
    0x8005,       0xC123}; // 0x8005: an application message

int Size(uint32_t code) {
    switch (code % 8) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return 65535;
    default:
        return static_cast<int>(code % 2048);
    }
}

// Runs the next action; returns false when the input is used up.
bool Act() {
    if (cursor >= inputSize) return false;
    const uint32_t kind = Take(1);
    const uint32_t argument = Take(3);
    const uint32_t a = argument >> 16, b = (argument >> 8) & 0xFF, c = argument & 0xFF;
    const WPARAM wParam = static_cast<WPARAM>(b) << (c % 32);
    const LPARAM lParam = static_cast<LPARAM>(static_cast<int32_t>(argument * 2654435761u));
    switch (kind % 16) {
    case 0:
        SendMessageA(window, messages[a % (sizeof messages / sizeof messages[0])], wParam, lParam);
        break;
    case 1:
        PostMessageA(window, messages[a % (sizeof messages / sizeof messages[0])], wParam, lParam);
        break;
    case 2:
        VdeskActivateOther();
        break;
    case 3:
        VdeskActivate(window);
        break;
    case 4:
        VdeskMinimize(window);
        break;
    case 5:
        VdeskRestore(window);
        break;
    case 6:
        VdeskResize(window, Size(a ^ b), Size(a ^ c));
        break;
    case 7: {
        PALETTEENTRY entries[256];
        for (int i = 0; i < 256; i++) {
            entries[i] = {static_cast<BYTE>(i * b), static_cast<BYTE>(i * c),
                          static_cast<BYTE>(i ^ a), static_cast<BYTE>(i % 2 ? PC_NOCOLLAPSE : 0)};
        }
        VdeskOtherRealizesPalette(entries, 1 + static_cast<int>(a % 256));
        break;
    }
    case 8: {
        INT elements[4] = {static_cast<INT>(a % 31), static_cast<INT>(b % 31),
                           static_cast<INT>(c % 31), 5};
        COLORREF values[4] = {argument, argument ^ 0xFFFFFF, 0, 0x00FFFFFF};
        VdeskOtherSetsSysColors(1 + static_cast<int>(c % 4), elements, values);
        break;
    }
    case 9:
        VdeskPressKey(static_cast<int>(a % 256));
        break;
    case 10:
        (b % 2 ? VdeskKeyDown : VdeskKeyUp)(static_cast<int>(a % 256));
        break;
    case 11:
        VdeskMouseMove(window, static_cast<int>(a % 700) - 50, static_cast<int>(b * 3) - 50);
        break;
    case 12:
        VdeskMouseButton(window, 1 << (c % 3), static_cast<int>(b % 2),
                         static_cast<int>(a % 700) - 50, static_cast<int>(b * 3) - 50);
        break;
    case 13:
        VdeskMove(window, static_cast<int>(a) - 32768, static_cast<int>(b * 7) - 100);
        break;
    case 14:
        VdeskSetCapsLock(static_cast<int>(b % 2));
        break;
    default:
        if (a % 8 == 0) VdeskClickClose(window);
        break;
    }
    return true;
}

// At every point where the queue is empty.
void CheckQuiet() {
    if (windowState.staticColorsTaken && GetActiveWindow() != window) {
        Fail("the static colours are taken while the window is not active");
    }
    if (windowState.palette) lastPalette = windowState.palette;
    if (windowState.glContext) lastContext = windowState.glContext;
}

int NextAction() {
    CheckQuiet();
    if (!Act()) VdeskClickClose(window);
    return 1;
}

int Waiting() {
    if (idleMode && windowState.idle) Fail("the loop waits on an empty queue with idle work to do");
    return NextAction();
}

void Idle() {
    NextAction();
    if (windowState.dc) {
        glClear(GL_COLOR_BUFFER_BIT);
        WtSwapBuffers();
    }
}

void Display() {
    glClear(GL_COLOR_BUFFER_BIT);
    WtSwapBuffers();
}
void Reshape(int32_t width, int32_t height) { glViewport(0, 0, width, height); }
int32_t Key(int32_t key, int32_t) { return key % 2; }
int32_t Mouse(int32_t x, int32_t, int32_t) { return x % 2; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VdeskReset();
    VdeskUsePaletteDisplay(1);
    // The desktop's copy of each frame is for tests that look at pictures; at 65535 x 65535
    // it alone would take 16 GiB.
    VdeskSetFrameCapture(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    input = data;
    inputSize = size;
    cursor = 0;
    const uint32_t flags = Take(1);
    idleMode = flags & 1;
    WtSetDisplayMode(DM_DOUBLE | DM_DEPTH16);
    WtSetPosition(100, 100, 64, 48);
    if (WtOpenWindow("Sequence", 0) != 1) Fail("the window did not open");
    window = windowState.window;
    lastPalette = windowState.palette;
    lastContext = windowState.glContext;
    WtSetDisplayHandler(Display);
    WtSetReshapeHandler(Reshape);
    WtSetKeyDownHandler(Key);
    WtSetMouseDownHandler(Mouse);
    WtSetMouseUpHandler(Mouse);
    WtSetMouseMoveHandler(Mouse);
    if (idleMode) WtSetIdleHandler(Idle);
    VdeskSetWaitHook(Waiting);
    WtRunLoop();

    // The loop ends only with the window's destruction.
    if (IsWindow(window)) Fail("the loop ended with the window still there");
    if (windowState.window || windowState.dc || windowState.glContext || windowState.palette) {
        Fail("a handle is left in the window record");
    }
    if (windowState.expose || windowState.reshape || windowState.display || windowState.keyDown ||
        windowState.mouseDown || windowState.mouseUp || windowState.mouseMove || windowState.idle) {
        Fail("a handler slot is still set");
    }
    if (windowState.staticColorsTaken) Fail("the static colours are still taken");
    PALETTEENTRY entry;
    if (lastPalette && GetPaletteEntries(lastPalette, 0, 1, &entry) != 0)
        Fail("the palette is left");
    if (lastContext && wglDeleteContext(lastContext)) Fail("the context is left");
    VdeskSetWaitHook(nullptr);
    return 0;
}
