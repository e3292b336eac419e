// Placement and display mode for the next open, opening the window with its pixel
// format and rendering context, and closing it.
#include "toolkit.h"

#include "pixel_format.h"

// Registration is kept per process: the platform refuses a second registration of the
// same name and its error code does not say why.
static bool classRegistered = false;

static const char kClassNameA[] = "tkLibWClass";
static const WCHAR kClassNameW[] = {'t', 'k', 'L', 'i', 'b', 'W', 'C', 'l', 'a', 's', 's', 0};

enum : DWORD { WT_WINDOW_STYLE = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN };

// The client corner that belongs to an outer window corner.
static int32_t ClientLeftOf(int32_t outerLeft) { return outerLeft + GetSystemMetrics(SM_CXFRAME); }
static int32_t ClientTopOf(int32_t outerTop) {
    return outerTop + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) -
           GetSystemMetrics(SM_CYBORDER);
}

void WtSetPosition(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (x == static_cast<int32_t>(CW_USEDEFAULT)) {
        windowState.useDefaultPosition = 1;
        x = 0;
        y = 0;
    } else {
        windowState.useDefaultPosition = 0;
    }
    windowState.x = ClientLeftOf(x);
    windowState.y = ClientTopOf(y);
    windowState.width = width;
    windowState.height = height;
}

void WtSetDisplayMode(DisplayMode mode) { windowState.displayMode = mode; }

static int32_t CountSysColors(void) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 3 &&
        (version.dwMinorVersion == 5 || version.dwMinorVersion == 51)) {
        return 21;
    }
    return 25;
}

static int32_t RegisterWindowClass(HINSTANCE instance, int32_t wide) {
    if (classRegistered) {
        return 1;
    }
    // The same class under its narrow or its wide name.
    auto registerAs = [instance](auto windowClass, auto name, auto registerClass) {
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = WtWindowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = name;
        return registerClass(&windowClass);
    };
    ATOM atom = wide ? registerAs(WNDCLASSW{}, kClassNameW, RegisterClassW)
                     : registerAs(WNDCLASSA{}, kClassNameA, RegisterClassA);
    if (!atom) {
        return 0;
    }
    classRegistered = true;
    return 1;
}

// Destroys the half-opened window (its destruction releases everything) and takes
// away the quit request that the destruction posted, so that the caller may open again.
static int32_t FailOpen(void) {
    HWND window = windowState.window;
    if (window) {
        WtCloseWindow(window);
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    return 0;
}

int32_t WtOpenWindow(const void* title, int32_t wide) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    windowState.sysColorCount = CountSysColors();

    if (!RegisterWindowClass(instance, wide)) {
        WtReportError("Failed to register window class\n");
        return 0;
    }

    RECT outer = {windowState.x, windowState.y, windowState.x + windowState.width,
                  windowState.y + windowState.height};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    int left = windowState.useDefaultPosition ? CW_USEDEFAULT : outer.left;
    int top = windowState.useDefaultPosition ? CW_USEDEFAULT : outer.top;
    int outerWidth = outer.right - outer.left;
    int outerHeight = outer.bottom - outer.top;
    if (wide) {
        windowState.window =
            CreateWindowExW(0, kClassNameW, static_cast<LPCWSTR>(title), WT_WINDOW_STYLE, left, top,
                            outerWidth, outerHeight, nullptr, nullptr, instance, nullptr);
    } else {
        windowState.window =
            CreateWindowExA(0, kClassNameA, static_cast<LPCSTR>(title), WT_WINDOW_STYLE, left, top,
                            outerWidth, outerHeight, nullptr, nullptr, instance, nullptr);
    }
    if (!windowState.window) {
        WtReportError("create window failed\n");
        return FailOpen();
    }

    if (windowState.useDefaultPosition) {
        RECT placed = {0, 0, 0, 0};
        GetWindowRect(windowState.window, &placed);
        windowState.x = ClientLeftOf(placed.left);
        windowState.y = ClientTopOf(placed.top);
    }

    windowState.dc = GetDC(windowState.window);
    if (!windowState.dc) {
        WtReportError("Could not get an HDC for window 0x%08lX\n",
                      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(windowState.window)));
        return FailOpen();
    }

    ShowWindow(windowState.window, SW_SHOWDEFAULT);

    if (!WtChooseFormat(windowState.dc, windowState.displayMode)) {
        return FailOpen();
    }

    windowState.glContext = wglCreateContext(windowState.dc);
    if (!windowState.glContext) {
        WtReportError("wglCreateContext Failed\n");
        return FailOpen();
    }
    if (!wglMakeCurrent(windowState.dc, windowState.glContext)) {
        WtReportError("wglMakeCurrent Failed\n");
        return FailOpen();
    }
    return 1;
}

void WtCloseWindow(HWND window) {
    if (window) {
        DestroyWindow(window);
    }
}
