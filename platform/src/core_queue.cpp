// The thread's message queue: posted messages, then input, each in order, the quit request,
// paint messages synthesized last; key state as of the last message retrieved; capture.

#include "core.h"
#include "core_events.h"

namespace {

struct QueuedMessage {
    MSG msg;
    uint8_t keys[256]; // key state when an input message was queued
    bool input;
    int character; // of a key press, from the backend's keyboard layout; -1 not given
};

std::deque<QueuedMessage> queue;
bool quitPending = false;
int quitCode = 0;
uint8_t liveKeys[256];    // bit 0x80 down, 0x01 toggled
uint8_t messageKeys[256]; // as of the last message retrieved
HWND captureWindow = nullptr;
int buttonsDown = 0; // MK_ bits of the mouse buttons
MSG characterMessage{}; // the last key press retrieved whose character the backend gave
int messageCharacter = -1;

bool InRange(UINT message, UINT low, UINT high) {
    if (low == 0 && high == 0) {
        return true;
    }
    return message >= low && message <= high;
}

bool ForWindow(const MSG& msg, HWND filter) {
    return filter == nullptr || msg.hwnd == filter;
}

void Retrieved(const QueuedMessage& item) {
    if (item.input) {
        std::copy(item.keys, item.keys + 256, messageKeys);
        messageCharacter = item.character;
        characterMessage = item.msg;
    }
}

// Finds the next message for the filter; removes it when asked. Order: posted messages as
// posted, then input as it came, then the quit request, then paint.
bool NextMessage(MSG* out, HWND window, UINT low, UINT high, bool remove) {
    for (bool input : {false, true}) {
        for (auto it = queue.begin(); it != queue.end(); ++it) {
            if (it->input != input || !ForWindow(it->msg, window) ||
                !InRange(it->msg.message, low, high)) {
                continue;
            }
            *out = it->msg;
            if (remove) {
                QueuedMessage item = *it;
                queue.erase(it);
                Retrieved(item);
                // A click in a window that is not the active one activates it first, unless
                // the mouse is captured.
                UINT m = item.msg.message;
                if (input && (m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN) &&
                    captureWindow == nullptr && GetActiveWindow() != item.msg.hwnd) {
                    ActivateWindow(item.msg.hwnd, WA_CLICKACTIVE);
                }
            }
            return true;
        }
    }
    if (quitPending && InRange(WM_QUIT, low, high)) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(quitCode);
        if (remove) {
            quitPending = false;
        }
        return true;
    }
    if (InRange(WM_PAINT, low, high)) {
        if (HWND each = FirstWindowToPaint(window)) {
            *out = MSG{};
            out->hwnd = each;
            out->message = WM_PAINT;
            return true; // stays until the window is validated
        }
    }
    return false;
}

void Enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool input) {
    QueuedMessage item{};
    item.msg.hwnd = window;
    item.msg.message = message;
    item.msg.wParam = wParam;
    item.msg.lParam = lParam;
    item.msg.time = GetTickCount();
    item.input = input;
    item.character = -1;
    std::copy(liveKeys, liveKeys + 256, item.keys);
    queue.push_back(item);
}

WPARAM MouseKeys(void) {
    WPARAM keys = static_cast<WPARAM>(buttonsDown);
    if (liveKeys[VK_SHIFT] & 0x80) {
        keys |= MK_SHIFT;
    }
    if (liveKeys[VK_CONTROL] & 0x80) {
        keys |= MK_CONTROL;
    }
    return keys;
}

// Character of a key with the given key state, as a US keyboard layout gives it; 0 none.
int CharacterOf(int vk, const uint8_t* keys) {
    bool shift = keys[VK_SHIFT] & 0x80;
    bool control = keys[VK_CONTROL] & 0x80;
    bool caps = keys[VK_CAPITAL] & 0x01;
    if (vk >= 'A' && vk <= 'Z') {
        if (control) {
            return vk - 'A' + 1;
        }
        return (shift != caps) ? vk : vk - 'A' + 'a';
    }
    if (control) {
        return 0;
    }
    if (vk >= '0' && vk <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? shifted[vk - '0'] : vk;
    }
    switch (vk) {
    case VK_RETURN:
        return 13;
    case VK_ESCAPE:
        return 27;
    case VK_SPACE:
        return ' ';
    case VK_BACK:
        return 8;
    case VK_TAB:
        return 9;
    default:
        return 0;
    }
}

} // namespace

void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Enqueue(window, message, wParam, lParam, true);
}

void ForgetWindowInQueue(HWND window) {
    for (auto it = queue.begin(); it != queue.end();) {
        it = (it->msg.hwnd == window) ? queue.erase(it) : it + 1;
    }
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    NoteCall("PostMessageA");
    if (window == HWND_BROADCAST) {
        for (HWND each : TopLevelWindows()) {
            Enqueue(each, message, wParam, lParam, false);
        }
        return TRUE;
    }
    if (window != nullptr && FindWindow(window) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Enqueue(window, message, wParam, lParam, false);
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPending = true;
    quitCode = exitCode;
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT low, UINT high, UINT remove) {
    if (message == nullptr) {
        return FALSE;
    }
    if (NextMessage(message, window, low, high, (remove & PM_REMOVE) != 0)) {
        return TRUE;
    }
    if (BackendReady()) {
        Backend()->PumpEvents(0);
    }
    return NextMessage(message, window, low, high, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG message, HWND window, UINT low, UINT high) {
    if (message == nullptr) {
        return -1;
    }
    while (!NextMessage(message, window, low, high, true)) {
        if (!BackendReady() || !Backend()->PumpEvents(1)) {
            // Win32 would wait forever; a test desktop hears of it, a loop sees the error.
            if (testHooks != nullptr && testHooks->Stalled != nullptr) {
                testHooks->Stalled();
            }
            SetLastError(ERROR_INVALID_HANDLE);
            return -1;
        }
    }
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI TranslateMessage(const MSG* message) {
    NoteCall("TranslateMessage");
    if (message == nullptr) {
        return FALSE;
    }
    // Every key message counts as translated, whether or not a character comes of it.
    if (message->message == WM_KEYUP || message->message == WM_SYSKEYUP) {
        return TRUE;
    }
    if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) {
        return FALSE;
    }
    bool given = messageCharacter >= 0 && message->hwnd == characterMessage.hwnd &&
                 message->message == characterMessage.message &&
                 message->wParam == characterMessage.wParam &&
                 message->time == characterMessage.time;
    int character = given ? messageCharacter
                          : CharacterOf(static_cast<int>(message->wParam), messageKeys);
    if (character == 0) {
        return TRUE;
    }
    UINT charMessage = (message->message == WM_KEYDOWN) ? WM_CHAR : WM_SYSCHAR;
    // Posted, so that it comes ahead of later input.
    QueuedMessage item{};
    item.msg = *message;
    item.msg.message = charMessage;
    item.msg.wParam = static_cast<WPARAM>(character);
    item.input = false;
    item.character = -1;
    queue.push_back(item);
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
    NoteCall("DispatchMessageA");
    if (message == nullptr || message->hwnd == nullptr) {
        return 0;
    }
    if (FindWindow(message->hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindow(message->hwnd, message->message, message->wParam, message->lParam);
}

SHORT WINAPI GetKeyState(int virtualKey) {
    NoteCall("GetKeyState");
    if (virtualKey < 0 || virtualKey > 255) {
        return 0;
    }
    uint8_t state = messageKeys[virtualKey];
    return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}

static void SetKeyDown(int vk, bool down) {
    if (vk < 0 || vk > 255) {
        return;
    }
    if (down) {
        if (!(liveKeys[vk] & 0x80)) {
            liveKeys[vk] ^= 0x01; // toggles on each press
        }
        liveKeys[vk] |= 0x80;
    } else {
        liveKeys[vk] &= static_cast<uint8_t>(~0x80);
    }
}

void CoreNotifyKey(HWND window, int vk, int down) {
    bool wasDown = vk >= 0 && vk <= 255 && (liveKeys[vk] & 0x80);
    SetKeyDown(vk, down != 0);
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) {
        SetKeyDown(VK_SHIFT, down != 0);
    } else if (vk == VK_LCONTROL || vk == VK_RCONTROL) {
        SetKeyDown(VK_CONTROL, down != 0);
    }
    if (FindWindow(window) == nullptr) {
        return;
    }
    bool alt = liveKeys[VK_MENU] & 0x80;
    UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    // Repeat count 1; bit 30 the previous state (always down on release), bit 31 release.
    LPARAM lParam = 1 | ((wasDown || !down) ? (static_cast<LPARAM>(1) << 30) : 0) |
                    (down ? 0 : (static_cast<LPARAM>(1) << 31));
    PostInput(window, message, static_cast<WPARAM>(vk), lParam);
}

void CoreNotifyKeyCharacter(HWND window, int vk, int character) {
    CoreNotifyKey(window, vk, 1);
    if (FindWindow(window) != nullptr && !queue.empty() && queue.back().input &&
        queue.back().msg.hwnd == window) {
        queue.back().character = character > 0 ? character : 0;
    }
}

void CoreNotifyModifiers(int shift, int control, int alt, int capsLock) {
    SetKeyDown(VK_SHIFT, shift != 0);
    SetKeyDown(VK_CONTROL, control != 0);
    SetKeyDown(VK_MENU, alt != 0);
    CoreNotifyCapsLock(capsLock);
}

void CoreNotifyCapsLock(int on) {
    liveKeys[VK_CAPITAL] = static_cast<uint8_t>((liveKeys[VK_CAPITAL] & 0x80) | (on ? 1 : 0));
}

// Mouse input goes to the capturing window, in its client coordinates, or to the window
// under the pointer when the point lies in its client area. Coordinates travel as two
// signed 16-bit halves. Returns the window that gets the message, or null.
static HWND MouseTarget(HWND window, int* x, int* y) {
    HWND target = captureWindow != nullptr ? captureWindow : window;
    WindowRecord* record = FindWindow(target);
    if (record == nullptr) {
        return nullptr;
    }
    if (target != window) {
        WindowRecord* from = FindWindow(window);
        if (from != nullptr) {
            RECT a = ClientScreenRect(*from), b = ClientScreenRect(*record);
            *x += a.left - b.left;
            *y += a.top - b.top;
        }
    }
    RECT client = ClientScreenRect(*record);
    bool inside = *x >= 0 && *y >= 0 && *x < client.right - client.left &&
                  *y < client.bottom - client.top;
    return (inside || captureWindow != nullptr) ? target : nullptr;
}

void CoreNotifyMouseMove(HWND window, int x, int y) {
    HWND target = MouseTarget(window, &x, &y);
    if (target != nullptr) {
        PostInput(target, WM_MOUSEMOVE, MouseKeys(),
                  MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }
}

void CoreNotifyMouseButton(HWND window, int button, int down, int x, int y) {
    int bit = (button == 1) ? MK_LBUTTON : (button == 2) ? MK_RBUTTON : (button == 4) ? MK_MBUTTON : 0;
    if (bit == 0) {
        return;
    }
    int vk = (button == 1) ? VK_LBUTTON : (button == 2) ? VK_RBUTTON : VK_MBUTTON;
    SetKeyDown(vk, down != 0);
    buttonsDown = down ? (buttonsDown | bit) : (buttonsDown & ~bit);
    HWND target = MouseTarget(window, &x, &y);
    if (target == nullptr) {
        return;
    }
    UINT message;
    if (button == 1) {
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    } else if (button == 2) {
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    } else {
        message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    }
    PostInput(target, message, MouseKeys(), MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

HWND WINAPI SetCapture(HWND window) {
    NoteCall("SetCapture");
    HWND previous = captureWindow;
    WindowRecord* record = FindWindow(window);
    if (record != nullptr) {
        captureWindow = window;
        if (Backend()->Capture != nullptr && record->native != nullptr) {
            Backend()->Capture(record->native, 1);
        }
    }
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    NoteCall("ReleaseCapture");
    if (captureWindow != nullptr && Backend()->Capture != nullptr) {
        Backend()->Capture(nullptr, 0);
    }
    captureWindow = nullptr;
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    if (captureWindow != nullptr && FindWindow(captureWindow) == nullptr) {
        captureWindow = nullptr;
    }
    return captureWindow;
}

WORD CurrentKeyModifiers(void) { return static_cast<WORD>(MouseKeys()); }

int CoreQueuedCount(HWND window, UINT message) {
    int n = 0;
    for (const auto& item : queue) {
        if ((window == nullptr || item.msg.hwnd == window) && item.msg.message == message) {
            ++n;
        }
    }
    return n;
}

void ResetQueueState(void) {
    queue.clear();
    quitPending = false;
    quitCode = 0;
    std::fill(liveKeys, liveKeys + 256, 0);
    std::fill(messageKeys, messageKeys + 256, 0);
    captureWindow = nullptr;
    buttonsDown = 0;
    characterMessage = MSG{};
    messageCharacter = -1;
}

BOOL WINAPI GetKeyboardState(LPBYTE state) {
    if (state == nullptr) {
        return FALSE;
    }
    std::copy(messageKeys, messageKeys + 256, state);
    return TRUE;
}

BOOL WINAPI SetKeyboardState(LPBYTE state) {
    if (state == nullptr) {
        return FALSE;
    }
    std::copy(state, state + 256, messageKeys);
    std::copy(state, state + 256, liveKeys);
    return TRUE;
}
