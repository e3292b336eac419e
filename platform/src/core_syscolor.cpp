// System colours: the desktop-wide colour of each interface element.
#include "core.h"

namespace {

const int elementCount = 31;

struct SysColorState {
    // The standard colour scheme, until the program sets others.
    COLORREF colors[elementCount] = {
        RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219),
        RGB(240, 240, 240), RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),
        RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(180, 180, 180), RGB(244, 247, 252),
        RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255), RGB(240, 240, 240),
        RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
        RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),
        RGB(255, 255, 225), RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234),
        RGB(215, 228, 242), RGB(0, 120, 215),   RGB(240, 240, 240)};
};
FileState<SysColorState> state;

} // namespace

COLORREF SysColor(int index) {
    return index >= 0 && index < elementCount ? state.colors[index] : 0;
}

DWORD WINAPI GetSysColor(int index) {
    NoteCall("GetSysColor");
    return SysColor(index);
}

BOOL WINAPI SetSysColors(int count, const INT* elements, const COLORREF* values) {
    NoteCall("SetSysColors");
    if (count < 0 || (count > 0 && (elements == nullptr || values == nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        if (elements[i] >= 0 && elements[i] < elementCount) {
            state.colors[elements[i]] =
                values[i] & 0x00FFFFFF; // the palette-relative mark is dropped
        }
    }
    // Every top-level window hears of it and is repainted before the call returns.
    SendToTopLevel(WM_SYSCOLORCHANGE, 0, 0);
    InvalidateRect(nullptr, nullptr, TRUE);
    for (HWND window : TopLevelWindows()) {
        if (FirstWindowToPaint(window) != nullptr) {
            CallWindow(window, WM_PAINT, 0, 0);
        }
    }
    return TRUE;
}
