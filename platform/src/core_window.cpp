// Windows: creation and destruction, the record table, calls into window procedures, the
// default procedure, text and style; what a backend reports about a window's native side.
#include <algorithm>
#include <string>

#include "core.h"
#include "core_events.h"

namespace {

struct CreationState {
    int defaultPlacements = 0;
};
FileState<CreationState> state;

HWND CreateWindowCommon(const std::string& className, const std::string& title, DWORD style, int x,
                        int y, int width, int height, HWND parent, HINSTANCE instance,
                        LPVOID param) {
    WindowClass* wc = FindClass(className);
    if (wc == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent != nullptr && FindWindow(parent) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (InjectedFailure("CreateWindow") || !BackendReady()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (x == CW_USEDEFAULT) {
        // The system cascades default placements from the screen's top-left corner.
        x = y = 26 * (1 + state.defaultPlacements % 8);
        ++state.defaultPlacements;
    }
    if (width == CW_USEDEFAULT) {
        width = 640;
        height = 480;
    }
    WindowRecord record;
    record.title = title;
    record.className = wc->name;
    record.proc = wc->proc;
    record.style = style & ~WS_VISIBLE;
    record.outer = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    HWND window = reinterpret_cast<HWND>(HandleAdd(windows, KIND_WINDOW, record));
    DcRecord dc;
    dc.window = window;
    dc.palette = StockDefaultPalette();
    FindWindow(window)->dc = reinterpret_cast<HDC>(HandleAdd(dcs, KIND_DC, dc));

    WindowRecord* created = FindWindow(window);
    RECT client = ClientScreenRect(*created);
    created->native =
        Backend()->CreateNativeWindow(window, &client, title.c_str(), wc->name.c_str());

    CREATESTRUCTA cs{param,
                     instance,
                     nullptr,
                     parent,
                     height,
                     width,
                     y,
                     x,
                     static_cast<LONG>(style),
                     title.c_str(),
                     wc->name.c_str(),
                     0};
    if (!CallWindow(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
        CallWindow(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if ((style & WS_VISIBLE) && FindWindow(window) != nullptr) {
        ShowWindow(window, SW_SHOW);
    }
    return FindWindow(window) != nullptr ? window : nullptr;
}

} // namespace

WindowRecord* FindWindow(HWND window) { return HandleGet(windows, KIND_WINDOW, window); }

std::vector<HWND> TopLevelWindows(void) {
    std::vector<HWND> out;
    for (uint32_t i = 0; i < windows.slots.size(); ++i) {
        if (windows.slots[i].used && !windows.slots[i].value.destroying) {
            out.push_back(
                reinterpret_cast<HWND>(EncodeHandle(KIND_WINDOW, i, windows.slots[i].generation)));
        }
    }
    return out;
}

LRESULT CallWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || record->proc == nullptr) {
        return 0;
    }
    return record->proc(window, message, wParam, lParam);
}

void SendToTopLevel(UINT message, WPARAM wParam, LPARAM lParam) {
    for (HWND window : TopLevelWindows()) {
        CallWindow(window, message, wParam, lParam);
    }
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE instance,
                            LPVOID param) {
    NoteCall("CreateWindowExA");
    // No class has an empty name: a null one is not found.
    return CreateWindowCommon(className ? className : "", windowName ? windowName : "", style, x, y,
                              width, height, parent, instance, param);
}

HWND WINAPI CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE instance,
                            LPVOID param) {
    NoteCall("CreateWindowExW");
    return CreateWindowCommon(Utf16ToUtf8(className), Utf16ToUtf8(windowName), style, x, y, width,
                              height, parent, instance, param);
}

BOOL WINAPI DestroyWindow(HWND window) {
    NoteCall("DestroyWindow");
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || record->destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    record->destroying = true;
    HandOverActivation(window); // to another shown window, when it was the active one
    if (GetCapture() == window) {
        ReleaseCapture();
    }
    CallWindow(window, WM_DESTROY, 0, 0);
    CallWindow(window, WM_NCDESTROY, 0, 0);
    record = FindWindow(window);
    if (record->native != nullptr) {
        Backend()->DestroyNativeWindow(record->native);
    }
    ReleaseWindowGdi(window);
    HandleRemove(dcs, KIND_DC, record->dc);
    HandleRemove(windows, KIND_WINDOW, window);
    ForgetWindowInQueue(window);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window) { return FindWindow(window) != nullptr; }

int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || text == nullptr || maxCount <= 0) {
        return 0;
    }
    int n = std::min(static_cast<int>(record->title.size()), maxCount - 1);
    record->title.copy(text, static_cast<size_t>(n));
    text[n] = 0;
    return n;
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index == GWL_STYLE) {
        return static_cast<LONG>(record->style | (record->visible ? WS_VISIBLE : 0) |
                                 (record->minimized ? WS_MINIMIZE : 0));
    }
    return 0;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    NoteCall("DefWindowProcA");
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return EraseBackground(window) ? 1 : 0;
    default:
        return 0;
    }
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == HWND_BROADCAST) {
        SendToTopLevel(message, wParam, lParam);
        return 0;
    }
    if (FindWindow(window) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindow(window, message, wParam, lParam);
}

void* CoreNativeWindow(HWND window) {
    WindowRecord* record = FindWindow(window);
    return record != nullptr ? record->native : nullptr;
}
