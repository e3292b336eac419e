// A small program on the toolkit and app kit, for driving from outside under an X server:
// it reports what reaches its handlers on standard output, one line each.
//   key <code> <modifiers>     the toolkit's key-down slot
//   action <code>              a key binding in the app kit's table ran
//   down|up <x> <y> <button>   mouse buttons; move <x> <y> <buttons>
//   reshape <width> <height>   box closed    painted <count> (each paint message; with
//                                                       "idle", the first frame only)
//   gl <version string>        once the window is open
// Escape quits (the app kit's own binding). With "box" on the command line, B shows a
// message box; with "minimize", M minimizes the window, then says "minimized"; with "idle"
// the loop polls and draws continuously; with "formats" it prints every pixel format as
// DescribePixelFormat gives it, one line each, and ends. With "sizedestroys", D arms it: the
// next resize destroys the window from inside WM_SIZE, after saying whether that WM_SIZE came
// from the message loop or from inside the display library's own event dispatch
// ("destroyed at <width> <height> from the loop|dispatch").
#include <windows.h>

#include <execinfo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "appkit.h"
#include "gl.h"
#include "toolkit.h"

namespace {

bool boxMode = false;
bool minimizeMode = false;
bool idle = false;
bool sizeDestroys = false, armed = false;
int paints = 0;

void Say(const char* format, int a, int b = -1, int c = -1) {
    std::printf(format, a, b, c);
    std::printf("\n");
    std::fflush(stdout);
}

template <int Key> void Action(void) {
    Say("action %d", Key);
    if (Key == 'd' && sizeDestroys) {
        armed = true;
    }
    if (Key == 'b' && boxMode) {
        // A paint the box's own loop must serve while it is up: "painted" comes before
        // "box closed".
        InvalidateRect(windowState.window, nullptr, FALSE);
        MessageBoxA(windowState.window, "The first line of the box\nand its second line\n",
                    "Probe box", MB_OK);
        Say("box closed %d", 0);
    }
    if (Key == 'm' && minimizeMode) {
        ShowWindow(windowState.window, SW_MINIMIZE);
        std::printf("minimized\n");
        std::fflush(stdout);
    }
}

template <int... Keys> void BindAll(std::integer_sequence<int, Keys...>) {
    (AppAddKeyHandler(Keys, Action<Keys>), ...);
}

template <int First, int... Rest> void BindRange(std::integer_sequence<int, Rest...>) {
    BindAll(std::integer_sequence<int, (First + Rest)...>{});
}

int32_t Key(int32_t key, int32_t modifiers) {
    Say("key %d %d", key, modifiers);
    AppDispatchKey(key, modifiers);
    return 0; // no redraw asked: paints come from the window system alone
}

int32_t Down(int32_t x, int32_t y, int32_t button) {
    Say("down %d %d %d", x, y, button);
    return 0;
}

int32_t Up(int32_t x, int32_t y, int32_t button) {
    Say("up %d %d %d", x, y, button);
    return 0;
}

int32_t Move(int32_t x, int32_t y, int32_t buttons) {
    Say("move %d %d %d", x, y, buttons);
    return 0;
}

// Whether a display library's code is on the stack: its event dispatch called us.
bool InsideDisplayDispatch(void) {
    void* frames[128];
    int count = backtrace(frames, 128);
    char** names = backtrace_symbols(frames, count);
    bool inside = false;
    for (int i = 0; names != nullptr && i < count; ++i) {
        inside = inside || std::strstr(names[i], "libwayland-client") != nullptr ||
                 std::strstr(names[i], "libffi") != nullptr ||
                 std::strstr(names[i], "libdecor") != nullptr ||
                 std::strstr(names[i], "libX11") != nullptr;
    }
    std::free(names);
    return inside;
}

void Reshape(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    Say("reshape %d %d", width, height);
    if (armed) {
        armed = false;
        std::printf("destroyed at %d %d from the %s\n", width, height,
                    InsideDisplayDispatch() ? "dispatch" : "loop");
        std::fflush(stdout);
        DestroyWindow(windowState.window);
    }
}

void Display(void) {
    glClearColor(0.3f, 0.3f, 0.7f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 0.0f);
    glRectf(-0.5f, -0.5f, 0.5f, 0.5f); // a yellow square over the middle half
    glFlush();
    AppSwapBuffers();
    ++paints;
    if (!idle || paints == 1) {
        Say("painted %d", paints);
    }
}

// The whole descriptor, so that any change to the list shows in a comparison of text.
void PrintFormats(void) {
    HDC dc = GetDC(windowState.window);
    PIXELFORMATDESCRIPTOR d{};
    int count = DescribePixelFormat(dc, 1, sizeof d, &d);
    for (int n = 1; n <= count; ++n) {
        DescribePixelFormat(dc, n, sizeof d, &d);
        std::printf("format %d size %d version %d flags 0x%lx type %d color %d"
                    " red %d@%d green %d@%d blue %d@%d alpha %d@%d"
                    " accum %d (%d %d %d %d) depth %d stencil %d aux %d layer %d"
                    " reserved %d masks 0x%lx 0x%lx 0x%lx\n",
                    n, d.nSize, d.nVersion, static_cast<unsigned long>(d.dwFlags), d.iPixelType,
                    d.cColorBits, d.cRedBits, d.cRedShift, d.cGreenBits, d.cGreenShift, d.cBlueBits,
                    d.cBlueShift, d.cAlphaBits, d.cAlphaShift, d.cAccumBits, d.cAccumRedBits,
                    d.cAccumGreenBits, d.cAccumBlueBits, d.cAccumAlphaBits, d.cDepthBits,
                    d.cStencilBits, d.cAuxBuffers, d.iLayerType, d.bReserved,
                    static_cast<unsigned long>(d.dwLayerMask),
                    static_cast<unsigned long>(d.dwVisibleMask),
                    static_cast<unsigned long>(d.dwDamageMask));
    }
    ReleaseDC(windowState.window, dc);
    std::fflush(stdout);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    boxMode = std::strstr(commandLine, "box") != nullptr;
    minimizeMode = std::strstr(commandLine, "minimize") != nullptr;
    idle = std::strstr(commandLine, "idle") != nullptr;
    sizeDestroys = std::strstr(commandLine, "sizedestroys") != nullptr;
    AppSetDisplayMode(DM_DOUBLE | DM_DEPTH16);
    AppSetPosition(100, 100, 320, 240);
    if (!AppOpenWindow("Key probe")) {
        return 1;
    }
    if (std::strstr(commandLine, "formats") != nullptr) {
        PrintFormats();
        AppQuit(); // closes the window, as a leak check at exit wants
    }
    std::printf("gl %s\n", reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    std::fflush(stdout);
    BindRange<'0'>(std::make_integer_sequence<int, 10>{});
    BindRange<'A'>(std::make_integer_sequence<int, 26>{});
    BindRange<'a'>(std::make_integer_sequence<int, 26>{});
    BindAll(std::integer_sequence<int, 13, 32, 37, 38, 39, 40>{});
    WtSetKeyDownHandler(Key);
    WtSetMouseDownHandler(Down);
    WtSetMouseUpHandler(Up);
    WtSetMouseMoveHandler(Move);
    AppSetReshapeHandler(Reshape);
    if (idle) {
        AppSetIdleHandler(Display);
    }
    AppMainLoop(Display);
    return 0;
}
