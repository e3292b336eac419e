// The window procedure: window messages become record updates and handler calls; the
// palette follows activation and system-palette changes. Redraw and palette requests
// coalesce through the thread's message queue.
#include "toolkit.h"

#include "palette.h"

// The toolkit's private message asking for a foreground palette realization.
enum : UINT { WT_REALIZE_PALETTE = WM_USER };

void RequestRedraw(HWND window) {
    MSG pending;
    if (!PeekMessageA(&pending, window, WM_PAINT, WM_PAINT, PM_NOREMOVE)) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

void QueuePaletteRealization(void) {
    // Without a window there is nothing to realize for.
    if (!windowState.window) {
        return;
    }
    MSG pending;
    if (!PeekMessageA(&pending, windowState.window, WT_REALIZE_PALETTE, WT_REALIZE_PALETTE,
                      PM_NOREMOVE)) {
        PostMessageA(windowState.window, WT_REALIZE_PALETTE, 0, 0);
    }
}

// Client coordinates as the message carries them: two unsigned 16-bit halves.
static int32_t LowHalf(LPARAM value) { return static_cast<int32_t>(value & 0xFFFF); }
static int32_t HighHalf(LPARAM value) { return static_cast<int32_t>((value >> 16) & 0xFFFF); }

static int32_t KeyFromKeyDown(WPARAM wParam) {
    uint32_t code = static_cast<uint32_t>(wParam);
    switch (code) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        return static_cast<int32_t>(code);
    default:
        return -1;
    }
}

static int32_t KeyFromChar(WPARAM wParam) {
    uint32_t code = static_cast<uint32_t>(wParam);
    if ((code >= '0' && code <= '9') || (code >= 'a' && code <= 'z') ||
        (code >= 'A' && code <= 'Z')) {
        return static_cast<int32_t>(code);
    }
    return -1;
}

static bool KeyHeld(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

static void CallKeyDown(HWND window, int32_t key) {
    if (key < 0 || !windowState.keyDown) {
        return;
    }
    int32_t modifiers =
        (KeyHeld(VK_CONTROL) ? KEYMOD_CONTROL : 0) | (KeyHeld(VK_SHIFT) ? KEYMOD_SHIFT : 0);
    if (windowState.keyDown(key, modifiers)) {
        RequestRedraw(window);
    }
}

static void CallMouseButton(HWND window, bool pressed, int32_t button, LPARAM lParam) {
    // Capture follows the buttons whether or not anyone listens.
    if (pressed) {
        SetCapture(window);
    } else {
        ReleaseCapture();
    }
    int32_t (*handler)(int32_t, int32_t, int32_t) =
        pressed ? windowState.mouseDown : windowState.mouseUp;
    if (handler && handler(LowHalf(lParam), HighHalf(lParam), button)) {
        RequestRedraw(window);
    }
}

static void CallMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!windowState.mouseMove) {
        return;
    }
    int32_t buttons = ((wParam & MK_LBUTTON) ? BUTTON_LEFT : 0) |
                      ((wParam & MK_MBUTTON) ? BUTTON_MIDDLE : 0) |
                      ((wParam & MK_RBUTTON) ? BUTTON_RIGHT : 0);
    if (windowState.mouseMove(LowHalf(lParam), HighHalf(lParam), buttons)) {
        RequestRedraw(window);
    }
}

static LRESULT HandleActivate(HWND window, WPARAM wParam, LPARAM lParam) {
    uint32_t state = static_cast<uint32_t>(wParam) & 0xFFFF;
    uint32_t minimized = (static_cast<uint32_t>(wParam) >> 16) & 0xFFFF;
    if (state == WA_INACTIVE) {
        if (windowState.palette &&
            RealizeWindowPalette(windowState.dc, windowState.palette, 1) > 0) {
            RequestRedraw(window);
        }
        return DefWindowProcA(window, WM_ACTIVATE, wParam, lParam);
    }
    if (minimized || !windowState.palette) {
        return DefWindowProcA(window, WM_ACTIVATE, wParam, lParam);
    }
    if (RealizeWindowPalette(windowState.dc, windowState.palette, 0) > 0) {
        RequestRedraw(window);
    }
    return 1;
}

static void HandlePaletteChanged(HWND window, WPARAM wParam) {
    if (reinterpret_cast<HWND>(wParam) == window || windowState.staticColorsTaken ||
        !windowState.palette) {
        return;
    }
    if (SelectPalette(windowState.dc, windowState.palette, TRUE)) {
        RealizePalette(windowState.dc);
    }
}

// A system-colour change (the toolkit's own take and give-back among them) rebuilds a
// palette-display palette; the old one stays if no new one can be made.
static void RebuildPaletteForSysColors(HWND window) {
    if (!windowState.dc || !windowState.palette) {
        return;
    }
    PIXELFORMATDESCRIPTOR format;
    if (!DescribeWindowFormat(windowState.dc, &format)) {
        return;
    }
    if (!(format.dwFlags & PFD_NEED_PALETTE) || format.iPixelType != PFD_TYPE_RGBA) {
        return;
    }
    HPALETTE old = windowState.palette;
    windowState.palette = nullptr;
    if (BuildRgbPalette(windowState.dc)) {
        DeleteObject(old);
        RequestRedraw(window);
    } else {
        windowState.palette = old;
    }
}

LRESULT CALLBACK WtWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        WtReleaseAll();
        PostQuitMessage(1);
        return 0;
    case WM_MOVE:
        windowState.x = LowHalf(lParam);
        windowState.y = HighHalf(lParam);
        return 0;
    case WM_SIZE:
        windowState.width = LowHalf(lParam);
        windowState.height = HighHalf(lParam);
        if (windowState.reshape) {
            windowState.reshape(windowState.width, windowState.height);
            RequestRedraw(window);
        }
        return 0;
    case WM_ACTIVATE:
        return HandleActivate(window, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        if (windowState.display) {
            windowState.display();
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOLORCHANGE:
        RebuildPaletteForSysColors(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_KEYDOWN:
        CallKeyDown(window, KeyFromKeyDown(wParam));
        return 0;
    case WM_CHAR:
        CallKeyDown(window, KeyFromChar(wParam));
        return 0;
    case WM_MOUSEMOVE:
        CallMouseMove(window, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        CallMouseButton(window, message == WM_LBUTTONDOWN, BUTTON_LEFT, lParam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        CallMouseButton(window, message == WM_RBUTTONDOWN, BUTTON_RIGHT, lParam);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        CallMouseButton(window, message == WM_MBUTTONDOWN, BUTTON_MIDDLE, lParam);
        return 0;
    case WM_QUERYNEWPALETTE:
        return 1;
    case WM_PALETTECHANGED:
        HandlePaletteChanged(window, wParam);
        return 0;
    case WT_REALIZE_PALETTE:
        if (RealizeWindowPalette(windowState.dc, windowState.palette, 0) > 0) {
            RequestRedraw(window);
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
