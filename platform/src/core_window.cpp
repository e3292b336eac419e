// Window classes, windows, placement, showing, destruction, painting and activation.
#include <strings.h>

#include <algorithm>
#include <string>

#include "core.h"
#include "core_events.h"

namespace {

std::vector<WindowClass> classes;
HWND focusWindow = nullptr;
int defaultPlacements = 0;

const int frameWidth = 4;    // SM_CXFRAME, SM_CYFRAME
const int captionHeight = 19; // SM_CYCAPTION
const int borderWidth = 1;    // SM_CXBORDER, SM_CYBORDER

WindowClass* FindClass(const std::string& name) {
    for (auto& c : classes) {
        if (strcasecmp(c.name.c_str(), name.c_str()) == 0) {
            return &c;
        }
    }
    return nullptr;
}

std::string Utf16ToUtf8(const WCHAR* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (size_t i = 0; text[i] != 0; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

ATOM AddClass(const std::string& name, UINT style, WNDPROC proc, HINSTANCE instance,
              HBRUSH background) {
    if (InjectedFailure("RegisterClass")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (proc == nullptr || name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(name) != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    classes.push_back(WindowClass{name, style, proc, instance, background});
    return static_cast<ATOM>(0xC000 + classes.size() - 1);
}

// The frame a style adds around the client area: left, top, right, bottom.
RECT FrameOf(DWORD style) {
    RECT frame{0, 0, 0, 0};
    int edge = (style & WS_THICKFRAME) ? frameWidth : ((style & WS_BORDER) ? borderWidth : 0);
    frame.left = frame.right = frame.bottom = frame.top = edge;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        frame.top += captionHeight;
    }
    return frame;
}

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

HWND CreateWindowCommon(const std::string& className, const std::string& title, DWORD style,
                        int x, int y, int width, int height, HWND parent, HINSTANCE instance,
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
        x = y = 26 * (1 + defaultPlacements % 8);
        ++defaultPlacements;
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
    created->native = Backend()->CreateNativeWindow(window, &client, title.c_str(), wc->name.c_str());

    CREATESTRUCTA cs{param, instance, nullptr, parent, height, width, y, x,
                     static_cast<LONG>(style), title.c_str(), wc->name.c_str(), 0};
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

WindowRecord* FindWindow(HWND window) {
    WindowRecord* record = HandleGet(windows, KIND_WINDOW, window);
    return record;
}

std::vector<HWND> TopLevelWindows(void) {
    std::vector<HWND> out;
    for (uint32_t i = 0; i < windows.slots.size(); ++i) {
        if (windows.slots[i].used && !windows.slots[i].value.destroying) {
            out.push_back(reinterpret_cast<HWND>(
                EncodeHandle(KIND_WINDOW, i, windows.slots[i].generation)));
        }
    }
    return out;
}

HWND FirstWindowToPaint(HWND filter) {
    HWND top = nullptr;
    unsigned long topRaised = 0;
    for (uint32_t i = 0; i < windows.slots.size(); ++i) {
        const auto& slot = windows.slots[i];
        if (!slot.used || slot.value.destroying || !slot.value.visible || !slot.value.invalid ||
            (top != nullptr && slot.value.raised < topRaised)) {
            continue;
        }
        HWND each = reinterpret_cast<HWND>(EncodeHandle(KIND_WINDOW, i, slot.generation));
        if (filter == nullptr || filter == each) {
            top = each;
            topRaised = slot.value.raised;
        }
    }
    return top;
}

static unsigned long raisedCount = 0;

static void Raise(WindowRecord* record) { record->raised = ++raisedCount; }

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

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    NoteCall("RegisterClassA");
    if (wc == nullptr || wc->lpszClassName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return AddClass(wc->lpszClassName, wc->style, wc->lpfnWndProc, wc->hInstance,
                    wc->hbrBackground);
}

ATOM WINAPI RegisterClassW(const WNDCLASSW* wc) {
    NoteCall("RegisterClassW");
    if (wc == nullptr || wc->lpszClassName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return AddClass(Utf16ToUtf8(wc->lpszClassName), wc->style, wc->lpfnWndProc, wc->hInstance,
                    wc->hbrBackground);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU, HINSTANCE instance,
                            LPVOID param) {
    NoteCall("CreateWindowExA");
    if (className == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    return CreateWindowCommon(className, windowName ? windowName : "", style, x, y, width, height,
                              parent, instance, param);
}

HWND WINAPI CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU, HINSTANCE instance,
                            LPVOID param) {
    NoteCall("CreateWindowExW");
    if (className == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
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
    if (focusWindow == window) {
        // The activation passes to another shown top-level window, if there is one.
        HWND next = nullptr;
        for (HWND each : TopLevelWindows()) {
            const WindowRecord* other = FindWindow(each);
            if (each != window && other->visible && !other->minimized) {
                next = each;
                break;
            }
        }
        if (next != nullptr) {
            ActivateWindow(next, WA_ACTIVE);
        } else {
            focusWindow = nullptr;
            CallWindow(window, WM_ACTIVATE, WA_INACTIVE, 0);
        }
    }
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

BOOL WINAPI IsWindowVisible(HWND window) {
    WindowRecord* record = FindWindow(window);
    return record != nullptr && record->visible;
}

BOOL WINAPI IsIconic(HWND window) {
    WindowRecord* record = FindWindow(window);
    return record != nullptr && record->minimized;
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

namespace {
int screenWidth = 1280;
int screenHeight = 1024;
} // namespace

void CoreNotifyScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
}

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return screenWidth;
    case SM_CYSCREEN:
        return screenHeight;
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

// Activation moves from the active window to this one: the loser hears WA_INACTIVE naming the
// gainer; the gainer, about to receive the keyboard focus, is asked WM_QUERYNEWPALETTE and then
// hears `active` (WA_ACTIVE or WA_CLICKACTIVE) naming the loser.
int ActivateWindow(HWND window, int active) {
    if (FindWindow(window) == nullptr) {
        return 0;
    }
    if (active) {
        if (focusWindow == window) {
            return 1;
        }
        HWND previous = focusWindow;
        if (previous != nullptr) {
            focusWindow = nullptr;
            CallWindow(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
        }
        CallWindow(window, WM_QUERYNEWPALETTE, 0, 0);
        WindowRecord* record = FindWindow(window);
        if (record == nullptr) {
            return 0;
        }
        focusWindow = window;
        Raise(record);
        CallWindow(window, WM_ACTIVATE,
                   MAKEWPARAM(active == WA_CLICKACTIVE ? WA_CLICKACTIVE : WA_ACTIVE,
                              record->minimized ? 1 : 0),
                   reinterpret_cast<LPARAM>(previous));
    } else if (focusWindow == window) {
        focusWindow = nullptr;
        CallWindow(window, WM_ACTIVATE, WA_INACTIVE, 0);
    }
    return 1;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    NoteCall("ShowWindow");
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = record->visible;
    switch (command) {
    case SW_HIDE:
        if (record->visible) {
            record->visible = false;
            Backend()->ShowNativeWindow(record->native, SW_HIDE);
            if (focusWindow == window) {
                ActivateWindow(window, 0);
            }
        }
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        if (!record->minimized) {
            CoreNotifyMinimize(window, 1);
            record = FindWindow(window);
            if (record != nullptr && record->native != nullptr) {
                Backend()->ShowNativeWindow(record->native, SW_MINIMIZE);
            }
        }
        break;
    case SW_RESTORE:
        if (record->minimized) {
            CoreNotifyMinimize(window, 0);
            record = FindWindow(window);
            if (record != nullptr && record->native != nullptr) {
                Backend()->ShowNativeWindow(record->native, SW_RESTORE);
            }
            break;
        }
        [[fallthrough]];
    default:
        if (!record->visible) {
            record->visible = true;
            Raise(record);
            Backend()->ShowNativeWindow(record->native, command);
            // As the system does on first showing: activation (with its palette query), size,
            // move.
            if (command != SW_SHOWNOACTIVATE) {
                ActivateWindow(window, 1);
            }
            record = FindWindow(window);
            if (record != nullptr) {
                SendSizeAndMove(window, record);
                InvalidateAll(window);
            }
        }
        break;
    }
    return wasVisible;
}

void CoreNotifyMinimize(HWND window, int minimized) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || record->minimized == (minimized != 0)) {
        return;
    }
    if (minimized) {
        record->restored = record->outer;
        record->minimized = true;
        // Parked off screen at the size of a minimized window: 160 wide, the caption plus 5 high.
        record->outer = RECT{-32000, -32000, -32000 + 160, -32000 + captionHeight + 5};
        CallWindow(window, WM_MOVE, 0, PackPoint(-32000, -32000));
        CallWindow(window, WM_SIZE, SIZE_MINIMIZED, 0);
    } else {
        record->minimized = false;
        record->outer = record->restored;
        // Restoring moves the window back before it gets its size again.
        RECT client = ClientScreenRect(*record);
        CallWindow(window, WM_MOVE, 0, PackPoint(client.left, client.top));
        if (FindWindow(window) != nullptr) {
            CallWindow(window, WM_SIZE, SIZE_RESTORED,
                       PackPoint(client.right - client.left, client.bottom - client.top));
        }
        if (FindWindow(window) != nullptr) {
            // Still the active window: it hears of its activation again, without a palette query.
            if (focusWindow == window) {
                CallWindow(window, WM_ACTIVATE, WA_ACTIVE, 0);
            } else {
                ActivateWindow(window, WA_ACTIVE);
            }
        }
        if (FindWindow(window) != nullptr) {
            InvalidateAll(window);
        }
    }
}

void CoreNotifyResize(HWND window, int clientWidth, int clientHeight) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || record->minimized) {
        return;
    }
    RECT frame = FrameOf(record->style);
    record->outer.right = record->outer.left + frame.left + std::max(clientWidth, 0) + frame.right;
    record->outer.bottom = record->outer.top + frame.top + std::max(clientHeight, 0) + frame.bottom;
    CallWindow(window, WM_SIZE, SIZE_RESTORED,
               PackPoint(std::max(clientWidth, 0), std::max(clientHeight, 0)));
    WindowClass* wc = nullptr;
    if ((record = FindWindow(window)) != nullptr &&
        (wc = FindClass(record->className)) != nullptr && (wc->style & (CS_HREDRAW | CS_VREDRAW))) {
        InvalidateAll(window);
    }
}

void CoreNotifyMove(HWND window, int clientX, int clientY) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || record->minimized) {
        return;
    }
    RECT frame = FrameOf(record->style);
    int width = record->outer.right - record->outer.left;
    int height = record->outer.bottom - record->outer.top;
    record->outer.left = clientX - frame.left;
    record->outer.top = clientY - frame.top;
    record->outer.right = record->outer.left + width;
    record->outer.bottom = record->outer.top + height;
    CallWindow(window, WM_MOVE, 0, PackPoint(clientX, clientY));
}

void CoreNotifyActivate(HWND window, int active) { ActivateWindow(window, active); }

void CoreNotifyClose(HWND window) {
    if (FindWindow(window) != nullptr) {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

void CoreNotifyLost(HWND window) {
    WindowRecord* record = FindWindow(window);
    if (record != nullptr) {
        record->native = nullptr;
    }
}

void* CoreNativeWindow(HWND window) {
    WindowRecord* record = FindWindow(window);
    return record != nullptr ? record->native : nullptr;
}

int CoreVisibleClientArea(HWND window, RECT* client) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || !record->visible || record->minimized) {
        return 0;
    }
    *client = ClientScreenRect(*record);
    return 1;
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

HWND WINAPI GetFocus(void) { return focusWindow; }

HWND WINAPI GetActiveWindow(void) { return focusWindow; }

HWND WINAPI SetFocus(HWND window) {
    HWND previous = focusWindow;
    if (window == nullptr || FindWindow(window) != nullptr) {
        if (window == nullptr) {
            if (previous != nullptr) {
                ActivateWindow(previous, 0);
            }
        } else {
            ActivateWindow(window, 1);
        }
    }
    return previous;
}

HDC WINAPI GetDC(HWND window) {
    NoteCall("GetDC");
    if (window == nullptr) {
        static HDC screen = nullptr;
        if (HandleGet(dcs, KIND_DC, screen) == nullptr) {
            DcRecord dc;
            dc.palette = StockDefaultPalette();
            screen = reinterpret_cast<HDC>(HandleAdd(dcs, KIND_DC, dc));
        }
        return screen;
    }
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || InjectedFailure("GetDC")) {
        SetLastError(record == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_DC_NOT_FOUND);
        return nullptr;
    }
    return record->dc;
}

int WINAPI ReleaseDC(HWND, HDC dc) {
    NoteCall("ReleaseDC");
    return HandleGet(dcs, KIND_DC, dc) != nullptr ? 1 : 0;
}

void InvalidateAll(HWND window) { InvalidateRect(window, nullptr, TRUE); }

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    NoteCall("InvalidateRect");
    if (window == nullptr) {
        for (HWND each : TopLevelWindows()) {
            InvalidateRect(each, rect, erase);
        }
        return TRUE;
    }
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (testHooks != nullptr && testHooks->Invalidated != nullptr) {
        testHooks->Invalidated(window);
    }
    RECT client = ClientScreenRect(*record);
    RECT area{0, 0, client.right - client.left, client.bottom - client.top};
    if (rect != nullptr) {
        area = RECT{std::max(rect->left, area.left), std::max(rect->top, area.top),
                    std::min(rect->right, area.right), std::min(rect->bottom, area.bottom)};
        if (area.right <= area.left || area.bottom <= area.top) {
            return TRUE;
        }
    }
    if (record->invalid) {
        record->invalidRect = RECT{std::min(record->invalidRect.left, area.left),
                                   std::min(record->invalidRect.top, area.top),
                                   std::max(record->invalidRect.right, area.right),
                                   std::max(record->invalidRect.bottom, area.bottom)};
    } else {
        record->invalidRect = area;
    }
    record->invalid = true;
    record->erase = record->erase || erase;
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT*) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    record->invalid = false;
    record->erase = false;
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || !record->invalid) {
        if (rect != nullptr) {
            *rect = RECT{0, 0, 0, 0};
        }
        return FALSE;
    }
    if (rect != nullptr) {
        *rect = record->invalidRect;
    }
    return TRUE;
}

void CoreNotifyExpose(HWND window, const RECT* rect) { InvalidateRect(window, rect, FALSE); }

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    NoteCall("BeginPaint");
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || paint == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = record->dc;
    paint->fErase = record->erase;
    paint->rcPaint = record->invalid ? record->invalidRect : RECT{0, 0, 0, 0};
    if (record->erase) {
        CallWindow(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(record->dc), 0);
        record = FindWindow(window);
        if (record == nullptr) {
            return nullptr;
        }
    }
    record->invalid = false;
    record->erase = false;
    return record->dc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT*) {
    NoteCall("EndPaint"); return FindWindow(window) != nullptr; }

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
        return 1;
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

void ResetWindowState(void) {
    classes.clear();
    focusWindow = nullptr;
    defaultPlacements = 0;
}

int WINAPI GetClassNameA(HWND window, LPSTR name, int maxCount) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || name == nullptr || maxCount <= 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    int n = std::min(static_cast<int>(record->className.size()), maxCount - 1);
    record->className.copy(name, static_cast<size_t>(n));
    name[n] = 0;
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
