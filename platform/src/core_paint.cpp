// Invalid regions and painting; a window's device context.
#include <algorithm>

#include "core.h"
#include "core_events.h"

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

// Default erasing: the class brush fills what is to be painted, through the backend, which
// may leave it to the display (a window's own background on X). False for no brush.
bool EraseBackground(HWND window) {
    WindowRecord* record = FindWindow(window);
    WindowClass* windowClass = record != nullptr ? FindClass(record->className) : nullptr;
    COLORREF colour = 0;
    if (windowClass == nullptr || !BrushColor(windowClass->background, &colour)) {
        return false;
    }
    RECT client = ClientScreenRect(*record);
    RECT area = record->invalid
                    ? record->invalidRect
                    : RECT{0, 0, client.right - client.left, client.bottom - client.top};
    if (record->native != nullptr && Backend()->PaintBackground != nullptr) {
        Backend()->PaintBackground(record->native, &area, colour);
    }
    return true;
}

void InvalidateAll(HWND window) { InvalidateRect(window, nullptr, TRUE); }

void EraseNow(HWND window) {
    InvalidateAll(window);
    WindowRecord* record = FindWindow(window);
    if (record != nullptr && record->erase) {
        record->erase = false;
        CallWindow(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(record->dc), 0);
    }
}

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
    NoteInvalidated(window);
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
    NoteCall("EndPaint");
    return FindWindow(window) != nullptr;
}
