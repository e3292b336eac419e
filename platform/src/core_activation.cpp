// Showing, minimizing and restoring; activation and the keyboard focus.
#include "core.h"

namespace {
struct ActivationState {
    HWND focusWindow = nullptr;
    unsigned long raisedCount = 0;
};
FileState<ActivationState> state;

// Comes to the top: the latest window shown or activated is painted first.
void Raise(WindowRecord* record) { record->raised = ++state.raisedCount; }
} // namespace

// Activation moves from the active window to this one: the loser hears WA_INACTIVE naming the
// gainer; the gainer, about to receive the keyboard focus, is asked WM_QUERYNEWPALETTE and then
// hears `active` (WA_ACTIVE or WA_CLICKACTIVE) naming the loser.
int ActivateWindow(HWND window, int active) {
    if (FindWindow(window) == nullptr) {
        return 0;
    }
    if (active) {
        if (state.focusWindow == window) {
            return 1;
        }
        HWND previous = state.focusWindow;
        if (previous != nullptr) {
            state.focusWindow = nullptr;
            CallWindow(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
        }
        if (FindWindow(window) == nullptr) {
            return 0; // the previous window's procedure destroyed it meanwhile
        }
        CallWindow(window, WM_QUERYNEWPALETTE, 0, 0);
        WindowRecord* record = FindWindow(window);
        if (record == nullptr) {
            return 0;
        }
        state.focusWindow = window;
        Raise(record);
        CallWindow(window, WM_ACTIVATE,
                   MAKEWPARAM(active == WA_CLICKACTIVE ? WA_CLICKACTIVE : WA_ACTIVE,
                              record->minimized ? 1 : 0),
                   reinterpret_cast<LPARAM>(previous));
    } else if (state.focusWindow == window) {
        state.focusWindow = nullptr;
        CallWindow(window, WM_ACTIVATE, WA_INACTIVE, 0);
    }
    return 1;
}

void HandOverActivation(HWND window) {
    if (state.focusWindow != window) {
        return;
    }
    HWND topmost = nullptr;
    unsigned long highest = 0;
    for (HWND each : TopLevelWindows()) {
        const WindowRecord* other = FindWindow(each);
        if (each != window && !other->destroying && other->visible && !other->minimized &&
            other->raised >= highest) {
            topmost = each;
            highest = other->raised;
        }
    }
    if (topmost == nullptr || !ActivateWindow(topmost, WA_ACTIVE)) {
        ActivateWindow(window, 0);
    }
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    NoteCall("ShowWindow");
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = record->visible;
    bool activate = command != SW_SHOWNOACTIVATE;
    switch (command) {
    case SW_HIDE:
        if (record->visible) {
            record->visible = false;
            record->showExposure = ShowExposure::NONE;
            Backend()->ShowNativeWindow(record->native, NATIVE_HIDE, 0);
            HandOverActivation(window);
        }
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        if (!record->minimized) {
            record->visible = true; // a hidden window is shown minimized
            MinimizeWindow(window, true);
            record = FindWindow(window);
            if (record != nullptr && record->native != nullptr) {
                Backend()->ShowNativeWindow(record->native, NATIVE_MINIMIZE, 0);
            }
        }
        break;
    case SW_RESTORE:
        if (record->minimized) {
            MinimizeWindow(window, false);
            record = FindWindow(window);
            if (record != nullptr && record->native != nullptr) {
                Backend()->ShowNativeWindow(record->native, NATIVE_RESTORE, 1);
            }
            break;
        }
        [[fallthrough]];
    default:
        if (!record->visible) {
            record->visible = true;
            record->showExposure = ShowExposure::AWAIT_VIEWABLE;
            Raise(record);
            Backend()->ShowNativeWindow(record->native, NATIVE_SHOW, activate ? 1 : 0);
            // As the system does on first showing: activation (with its palette query), the
            // background erased, size, move.
            if (activate) {
                ActivateWindow(window, 1);
            }
            if (FindWindow(window) != nullptr) {
                EraseNow(window);
            }
            record = FindWindow(window);
            if (record != nullptr) {
                SendSizeAndMove(window, record);
            }
        }
        break;
    }
    return wasVisible;
}

void MinimizeWindow(HWND window, bool minimized) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || record->minimized == minimized) {
        return;
    }
    if (minimized) {
        record->restored = record->outer;
        record->minimized = true;
        record->showExposure = ShowExposure::NONE;
        // Parked off screen at the size of a minimized window: 160 wide, the caption plus 5 high.
        record->outer =
            RECT{-32000, -32000, -32000 + 160, -32000 + GetSystemMetrics(SM_CYCAPTION) + 5};
        CallWindow(window, WM_MOVE, 0, PackPoint(-32000, -32000));
        CallWindow(window, WM_SIZE, SIZE_MINIMIZED, 0);
    } else {
        record->minimized = false;
        record->outer = record->restored;
        record->showExposure = ShowExposure::AWAIT_VIEWABLE;
        // Restoring erases the background, then moves the window back before it gets its size
        // again.
        EraseNow(window);
        record = FindWindow(window);
        if (record == nullptr) {
            return;
        }
        RECT client = ClientScreenRect(*record);
        CallWindow(window, WM_MOVE, 0, PackPoint(client.left, client.top));
        if (FindWindow(window) != nullptr) {
            CallWindow(window, WM_SIZE, SIZE_RESTORED,
                       PackPoint(client.right - client.left, client.bottom - client.top));
        }
        if (FindWindow(window) != nullptr) {
            // Still the active window: it hears of its activation again, without a palette query.
            if (state.focusWindow == window) {
                CallWindow(window, WM_ACTIVATE, WA_ACTIVE, 0);
            } else {
                ActivateWindow(window, WA_ACTIVE);
            }
        }
    }
}

BOOL WINAPI IsWindowVisible(HWND window) {
    WindowRecord* record = FindWindow(window);
    return record != nullptr && record->visible;
}

BOOL WINAPI IsIconic(HWND window) {
    WindowRecord* record = FindWindow(window);
    return record != nullptr && record->minimized;
}

HWND WINAPI GetFocus(void) { return state.focusWindow; }

HWND WINAPI GetActiveWindow(void) { return state.focusWindow; }

HWND WINAPI SetFocus(HWND window) {
    HWND previous = state.focusWindow;
    if (window != nullptr) {
        ActivateWindow(window, 1); // nothing for a window that is gone
    } else if (previous != nullptr) {
        ActivateWindow(previous, 0);
    }
    return previous;
}
