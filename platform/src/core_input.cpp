// What the backend reports, input and window events alike, queued in the order it came and
// turned into messages only as the program retrieves them (GetMessage, PeekMessage and the
// modal loop, once the backend's pump has returned), as Win32 does: no window procedure runs
// inside a backend's event handling. The capture at that moment decides where a mouse message
// goes, a disabled window (a message box's owner) takes no input, and whatever came after a
// mouse button waits until the program has retrieved the button, since the capture a press
// usually sets decides where the moves after it go. Window events wait behind the input that
// came before them, so that the program sees everything in the order it happened.
#include <algorithm>

#include "core.h"
#include "core_events.h"

namespace {

enum RawKind { KEY, MODIFIERS, MOUSE_MOVE, MOUSE_BUTTON, BOX_ANSWER, WINDOW_EVENT };
enum WindowEvent { RESIZED, MOVED, VIEWABLE, EXPOSED, ACTIVATED, MINIMIZED, CLOSED, LOST };

struct RawEvent {
    RawKind kind;
    HWND window = nullptr;
    int key = 0;         // KEY: the virtual key; MOUSE_BUTTON: 1 left, 2 right, 4 middle;
                         // BOX_ANSWER: the button
    bool down = false;   // KEY, MOUSE_BUTTON; MODIFIERS: Shift; window events: on
    int character = -1;  // KEY: the layout's character (0: none), -1 when the backend gave none
    void* box = nullptr; // BOX_ANSWER
    bool control = false, alt = false, capsLock = false; // MODIFIERS
    int x = 0, y = 0; // mouse: client coordinates of `window`; RESIZED, MOVED: the area
    WindowEvent event = RESIZED;
    RECT rect{};      // EXPOSED
    bool all = false; // EXPOSED: the whole client area
};

struct InputState {
    std::deque<RawEvent> raw;
    HWND captureWindow = nullptr;
    int buttonsDown = 0; // MK_ bits of the mouse buttons
};
FileState<InputState> state;

WPARAM MouseKeys(void) {
    WPARAM keys = static_cast<WPARAM>(state.buttonsDown);
    if (KeyIsDown(VK_SHIFT)) {
        keys |= MK_SHIFT;
    }
    if (KeyIsDown(VK_CONTROL)) {
        keys |= MK_CONTROL;
    }
    return keys;
}

// Mouse input goes to the capturing window, in its client coordinates, or to the window
// under the pointer when the point lies in its client area. Returns the window, or null.
HWND MouseTarget(HWND window, int* x, int* y) {
    HWND target = GetCapture() != nullptr ? state.captureWindow : window;
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
    return (inside || state.captureWindow != nullptr) ? target : nullptr;
}

void Mouse(const RawEvent& e) {
    int x = e.x, y = e.y;
    UINT message = WM_MOUSEMOVE;
    if (e.kind == MOUSE_BUTTON) {
        int bit = e.key == 1 ? MK_LBUTTON : e.key == 2 ? MK_RBUTTON : MK_MBUTTON;
        SetKeyDown(e.key == 1 ? VK_LBUTTON : e.key == 2 ? VK_RBUTTON : VK_MBUTTON, e.down);
        state.buttonsDown = e.down ? (state.buttonsDown | bit) : (state.buttonsDown & ~bit);
        message = e.key == 1   ? (e.down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                  : e.key == 2 ? (e.down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                               : (e.down ? WM_MBUTTONDOWN : WM_MBUTTONUP);
    }
    HWND target = MouseTarget(e.window, &x, &y);
    if (target != nullptr && TakesInput(target)) {
        PostInput(target, message, MouseKeys(), PackPoint(x, y));
    }
}

void Apply(const RawEvent& e) {
    HWND window = e.window;
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        return; // gone since
    }
    switch (e.event) {
    case RESIZED:
        ResizeFromDisplay(window, e.x, e.y);
        break;
    case MOVED:
        MoveFromDisplay(window, e.x, e.y);
        break;
    case VIEWABLE:
        if (record->showExposure == ShowExposure::AWAIT_VIEWABLE) {
            record->showExposure = e.down ? ShowExposure::NONE : ShowExposure::REPEATS_SHOW;
        }
        break;
    case EXPOSED:
        if (record->showExposure == ShowExposure::REPEATS_SHOW) {
            record->showExposure = ShowExposure::NONE; // painted for the show already
        } else {
            InvalidateRect(window, e.all ? nullptr : &e.rect, FALSE);
        }
        break;
    case ACTIVATED:
        // Only a change counts: a display may repeat the state with every other change.
        if (record->displayActive != e.down) {
            record->displayActive = e.down;
            ActivateWindow(window, e.down ? 1 : 0);
        }
        break;
    case MINIMIZED:
        MinimizeWindow(window, e.down);
        break;
    case CLOSED:
        if (TakesInput(window)) { // a disabled window's close box does nothing
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    case LOST:
        DestroyWindow(window);
        break;
    }
}

void Resolve(const RawEvent& e) {
    switch (e.kind) {
    case KEY:
        // The ANSI code page (Latin-1 here) has no byte for a character beyond it.
        QueueKey(e.window, e.key, e.down, e.character > 0xFF ? 0 : e.character);
        break;
    case MODIFIERS:
        SetModifierKeys(e.down, e.control, e.alt);
        SetCapsLockToggle(e.capsLock);
        break;
    case BOX_ANSWER:
        AnswerMessageBox(e.box, e.key);
        break;
    case MOUSE_MOVE:
    case MOUSE_BUTTON:
        Mouse(e);
        break;
    case WINDOW_EVENT:
        Apply(e);
        break;
    }
}

void Arrive(const RawEvent& e) { state.raw.push_back(e); }

} // namespace

void ResolveRawInput(void) {
    // A mouse button the program has not retrieved holds back everything after it.
    while (!state.raw.empty() && !InputWaiting(true)) {
        if (state.raw.front().kind == WINDOW_EVENT && InputWaiting(false)) {
            return; // after the input that came before it
        }
        RawEvent e = state.raw.front();
        state.raw.pop_front();
        Resolve(e);
    }
}

bool TakesInput(HWND window) {
    const WindowRecord* record = FindWindow(window);
    return record != nullptr && !record->disabled;
}

void CoreNotifyKey(HWND window, int vk, int down, int character) {
    Arrive({.kind = KEY,
            .window = window,
            .key = vk,
            .down = down != 0,
            .character = down ? std::max(character, -1) : -1});
}

void CoreNotifyModifiers(int shift, int control, int alt, int capsLock) {
    Arrive({.kind = MODIFIERS,
            .down = shift != 0,
            .control = control != 0,
            .alt = alt != 0,
            .capsLock = capsLock != 0});
}

void CoreNotifyMouseMove(HWND window, int x, int y) {
    Arrive({.kind = MOUSE_MOVE, .window = window, .x = x, .y = y});
}

void CoreNotifyMouseButton(HWND window, int button, int down, int x, int y) {
    if (button == 1 || button == 2 || button == 4) {
        Arrive({.kind = MOUSE_BUTTON,
                .window = window,
                .key = button,
                .down = down != 0,
                .x = x,
                .y = y});
    }
}

void CoreNotifyResize(HWND window, int width, int height) {
    Arrive({.kind = WINDOW_EVENT, .window = window, .x = width, .y = height, .event = RESIZED});
}

void CoreNotifyMove(HWND window, int x, int y) {
    Arrive({.kind = WINDOW_EVENT, .window = window, .x = x, .y = y, .event = MOVED});
}

void CoreNotifyVisibility(HWND window, int obscured) {
    Arrive({.kind = WINDOW_EVENT, .window = window, .down = obscured != 0, .event = VIEWABLE});
}

void CoreNotifyExpose(HWND window, const RECT* rect) {
    Arrive({.kind = WINDOW_EVENT,
            .window = window,
            .event = EXPOSED,
            .rect = rect != nullptr ? *rect : RECT{},
            .all = rect == nullptr});
}

void CoreNotifyActivate(HWND window, int active) {
    Arrive({.kind = WINDOW_EVENT, .window = window, .down = active != 0, .event = ACTIVATED});
}

void CoreNotifyMinimize(HWND window, int minimized) {
    Arrive({.kind = WINDOW_EVENT, .window = window, .down = minimized != 0, .event = MINIMIZED});
}

void CoreNotifyClose(HWND window) {
    Arrive({.kind = WINDOW_EVENT, .window = window, .event = CLOSED});
}

void CoreNotifyLost(HWND window) {
    WindowRecord* record = FindWindow(window);
    if (record != nullptr) {
        record->native = nullptr; // the backend has let go of it already
        Arrive({.kind = WINDOW_EVENT, .window = window, .event = LOST});
    }
}

void CoreNotifyMessageBoxAnswer(void* box, int button) {
    Arrive({.kind = BOX_ANSWER, .key = button, .box = box});
}

void ForgetMessageBoxAnswers(void* box) {
    state.raw.erase(
        std::remove_if(state.raw.begin(), state.raw.end(),
                       [box](const RawEvent& e) { return e.kind == BOX_ANSWER && e.box == box; }),
        state.raw.end());
}

HWND WINAPI SetCapture(HWND window) {
    NoteCall("SetCapture");
    HWND previous = state.captureWindow;
    WindowRecord* record = FindWindow(window);
    if (record != nullptr) {
        state.captureWindow = window;
        if (Backend()->Capture != nullptr && record->native != nullptr) {
            Backend()->Capture(record->native, 1);
        }
    }
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    NoteCall("ReleaseCapture");
    if (state.captureWindow != nullptr && Backend()->Capture != nullptr) {
        Backend()->Capture(nullptr, 0);
    }
    state.captureWindow = nullptr;
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    if (state.captureWindow != nullptr && FindWindow(state.captureWindow) == nullptr) {
        state.captureWindow = nullptr;
    }
    return state.captureWindow;
}
