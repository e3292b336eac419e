// The thread's message queue: posted messages, then input, each in order, the quit request,
// paint messages synthesized last.
#include <algorithm>

#include "core.h"
#include "core_events.h"

namespace {

struct QueuedMessage {
    MSG msg;           // a key press carries its layout's character in lPrivate (CarriedCharacter)
    uint8_t keys[256]; // key state when an input message was queued
    bool input;
};

struct QueueState {
    std::deque<QueuedMessage> queue;
    bool quitPending = false;
    int quitCode = 0;
};
FileState<QueueState> state;

bool InRange(UINT message, UINT low, UINT high) {
    return (low == 0 && high == 0) || (message >= low && message <= high);
}

bool ForWindow(const MSG& msg, HWND filter) { return filter == nullptr || msg.hwnd == filter; }

// Finds the next message for the filter; removes it when asked. Order: posted messages as
// posted, then input as it came, then the quit request, then paint.
bool NextMessage(MSG* out, HWND window, UINT low, UINT high, bool remove) {
    // Posted messages; then what the backend reported becomes messages, as they are retrieved,
    // and a window event among it may have posted one (a close box's SC_CLOSE); then input.
    for (int pass = 0; pass < 3; ++pass) {
        bool input = pass == 2;
        if (pass == 1) {
            ResolveRawInput();
        }
        for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
            if (it->input != input || !ForWindow(it->msg, window) ||
                !InRange(it->msg.message, low, high)) {
                continue;
            }
            *out = it->msg;
            if (remove) {
                QueuedMessage item = *it;
                state.queue.erase(it);
                if (input) {
                    KeysOfRetrievedMessage(item.keys);
                }
                // A click in a window that is not the active one activates it first, unless
                // the mouse is captured.
                UINT m = item.msg.message;
                if (input && (m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN) &&
                    GetCapture() == nullptr && GetActiveWindow() != item.msg.hwnd) {
                    ActivateWindow(item.msg.hwnd, WA_CLICKACTIVE);
                }
            }
            return true;
        }
    }
    if (state.quitPending && InRange(WM_QUIT, low, high)) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(state.quitCode);
        if (remove) {
            state.quitPending = false;
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
    state.queue.push_back(item);
}

} // namespace

void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD carried) {
    Enqueue(window, message, wParam, lParam, true, carried);
}

bool InputWaiting(bool buttonsOnly) {
    for (const auto& item : state.queue) {
        UINT m = item.msg.message;
        if (item.input &&
            (!buttonsOnly || m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_RBUTTONDOWN ||
             m == WM_RBUTTONUP || m == WM_MBUTTONDOWN || m == WM_MBUTTONUP)) {
            return true;
        }
    }
    return false;
}

void PostTranslated(const MSG& message) {
    QueuedMessage item{};
    item.msg = message;
    item.input = false;
    state.queue.push_back(item);
}

void ForgetWindowInQueue(HWND window) {
    for (auto it = state.queue.begin(); it != state.queue.end();) {
        it = (it->msg.hwnd == window) ? state.queue.erase(it) : it + 1;
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
    state.quitPending = true;
    state.quitCode = exitCode;
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

#ifdef VORLANTH_TEST_HOOKS
int CoreQueuedCount(HWND window, UINT message) {
    int n = 0;
    for (const auto& item : state.queue) {
        if ((window == nullptr || item.msg.hwnd == window) && item.msg.message == message) {
            ++n;
        }
    }
    return n;
}
#endif
