// The thread's message queue: posted messages, then input, each in order, the quit request,
// paint messages synthesized last; mouse input and the capture.
#include <algorithm>

#include "core.h"
#include "core_events.h"

namespace {

struct QueuedMessage {
    MSG msg;           // a key press carries its layout's character in lPrivate (CarriedCharacter)
    uint8_t keys[256]; // key state when an input message was queued
    bool input;
};

std::deque<QueuedMessage> queue;
bool quitPending = false;
int quitCode = 0;
HWND captureWindow = nullptr;
int buttonsDown = 0; // MK_ bits of the mouse buttons

bool InRange(UINT message, UINT low, UINT high) {
    if (low == 0 && high == 0) {
        return true;
    }
    return message >= low && message <= high;
}

bool ForWindow(const MSG& msg, HWND filter) { return filter == nullptr || msg.hwnd == filter; }

void Retrieved(const QueuedMessage& item) {
    if (item.input) {
        KeysOfRetrievedMessage(item.keys);
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

void Enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool input, DWORD carried) {
    QueuedMessage item{};
    item.msg.hwnd = window;
    item.msg.message = message;
    item.msg.wParam = wParam;
    item.msg.lParam = lParam;
    item.msg.time = GetTickCount();
    item.msg.lPrivate = carried;
    item.input = input;
    std::copy(LiveKeyState(), LiveKeyState() + 256, item.keys);
    queue.push_back(item);
}

WPARAM MouseKeys(void) {
    WPARAM keys = static_cast<WPARAM>(buttonsDown);
    if (KeyIsDown(VK_SHIFT)) {
        keys |= MK_SHIFT;
    }
    if (KeyIsDown(VK_CONTROL)) {
        keys |= MK_CONTROL;
    }
    return keys;
}

} // namespace

void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD carried) {
    Enqueue(window, message, wParam, lParam, true, carried);
}

void PostTranslated(const MSG& message) {
    QueuedMessage item{};
    item.msg = message;
    item.input = false;
    queue.push_back(item);
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
            Enqueue(each, message, wParam, lParam, false, 0);
        }
        return TRUE;
    }
    if (window != nullptr && FindWindow(window) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Enqueue(window, message, wParam, lParam, false, 0);
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
            NoteStalled();
            SetLastError(ERROR_INVALID_HANDLE);
            return -1;
        }
    }
    return message->message == WM_QUIT ? FALSE : TRUE;
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
    bool inside =
        *x >= 0 && *y >= 0 && *x < client.right - client.left && *y < client.bottom - client.top;
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
    int bit = (button == 1)   ? MK_LBUTTON
              : (button == 2) ? MK_RBUTTON
              : (button == 4) ? MK_MBUTTON
                              : 0;
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

#ifdef VORLANTH_TEST_HOOKS
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
    ResetKeyboardState();
    captureWindow = nullptr;
    buttonsDown = 0;
}
#endif

int CoreServeModalMessages(const bool* done) {
    MSG msg;
    while (!*done && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return 0;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}
