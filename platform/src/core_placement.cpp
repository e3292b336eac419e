// Placement: the frame a style adds, the system metrics, window and client rectangles,
// moving and sizing, from the program or from the display.
#include <algorithm>

#include "core.h"
#include "core_events.h"

namespace {

const int frameWidth = 4;     // SM_CXFRAME, SM_CYFRAME
const int captionHeight = 19; // SM_CYCAPTION
const int borderWidth = 1;    // SM_CXBORDER, SM_CYBORDER
struct PlacementState {
    int screenWidth = 1280;
    int screenHeight = 1024;
};
FileState<PlacementState> state;

// The frame a style adds around the client area: left, top, right, bottom.
RECT FrameOf(DWORD style) {
    int edge = (style & WS_THICKFRAME) ? frameWidth : ((style & WS_BORDER) ? borderWidth : 0);
    RECT frame{edge, edge, edge, edge};
    if ((style & WS_CAPTION) == WS_CAPTION) {
        frame.top += captionHeight;
    }
    return frame;
}

} // namespace

LPARAM PackPoint(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

void SendSizeAndMove(HWND window, WindowRecord* record) {
    RECT client = ClientScreenRect(*record);
    CallWindow(window, WM_SIZE, SIZE_RESTORED,
               PackPoint(client.right - client.left, client.bottom - client.top));
    record = FindWindow(window);
    if (record != nullptr) {
        CallWindow(window, WM_MOVE, 0, PackPoint(client.left, client.top));
    }
}

RECT ClientScreenRect(const WindowRecord& record) {
    if (record.minimized) {
        return RECT{record.outer.left, record.outer.top, record.outer.left, record.outer.top};
    }
    RECT frame = FrameOf(record.style);
    RECT client{record.outer.left + frame.left, record.outer.top + frame.top,
                record.outer.right - frame.right, record.outer.bottom - frame.bottom};
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    return client;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL) {
    NoteCall("AdjustWindowRect");
    if (rect == nullptr) {
        return FALSE;
    }
    RECT frame = FrameOf(style);
    rect->left -= frame.left;
    rect->top -= frame.top;
    rect->right += frame.right;
    rect->bottom += frame.bottom;
    return TRUE;
}

void CoreNotifyScreenSize(int width, int height) {
    state.screenWidth = width;
    state.screenHeight = height;
}

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return state.screenWidth;
    case SM_CYSCREEN:
        return state.screenHeight;
    case SM_CYCAPTION:
        return captionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return borderWidth;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return frameWidth;
    default:
        return 0;
    }
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    NoteCall("GetWindowRect");
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || rect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = record->outer;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    NoteCall("GetClientRect");
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || rect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT client = ClientScreenRect(*record);
    *rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    record->outer = RECT{x, y, x + width, y + height};
    RECT client = ClientScreenRect(*record);
    if (record->native != nullptr && !record->minimized) {
        Backend()->PlaceNativeWindow(record->native, &client);
    }
    SendSizeAndMove(window, record);
    if (repaint) {
        InvalidateAll(window);
    }
    return TRUE;
}

void ResizeFromDisplay(HWND window, int clientWidth, int clientHeight) {
    WindowRecord* record = FindWindow(window);
    clientWidth = std::max(clientWidth, 0);
    clientHeight = std::max(clientHeight, 0);
    if (record == nullptr) {
        return;
    }
    RECT frame = FrameOf(record->style);
    if (record->minimized) {
        // A minimized window has no client area; the new size is the one it is restored to.
        record->restored.right = record->restored.left + frame.left + clientWidth + frame.right;
        record->restored.bottom = record->restored.top + frame.top + clientHeight + frame.bottom;
        return;
    }
    RECT client = ClientScreenRect(*record);
    if (client.right - client.left == clientWidth && client.bottom - client.top == clientHeight) {
        return; // what the window has already
    }
    record->outer.right = record->outer.left + frame.left + clientWidth + frame.right;
    record->outer.bottom = record->outer.top + frame.top + clientHeight + frame.bottom;
    CallWindow(window, WM_SIZE, SIZE_RESTORED, PackPoint(clientWidth, clientHeight));
    WindowClass* wc = nullptr;
    if ((record = FindWindow(window)) != nullptr &&
        (wc = FindClass(record->className)) != nullptr && (wc->style & (CS_HREDRAW | CS_VREDRAW))) {
        InvalidateAll(window);
    }
}

void MoveFromDisplay(HWND window, int clientX, int clientY) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || record->minimized) {
        return;
    }
    RECT client = ClientScreenRect(*record);
    if (client.left == clientX && client.top == clientY) {
        return; // where the window is already
    }
    int dx = clientX - client.left, dy = clientY - client.top;
    RECT& outer = record->outer;
    outer = RECT{outer.left + dx, outer.top + dy, outer.right + dx, outer.bottom + dy};
    CallWindow(window, WM_MOVE, 0, PackPoint(clientX, clientY));
}

int CoreVisibleClientArea(HWND window, RECT* client) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || !record->visible || record->minimized) {
        return 0;
    }
    *client = ClientScreenRect(*record);
    return 1;
}
