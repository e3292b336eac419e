// Win32 scenarios written from the documentation, with only the calls the toolkit and the app
// kit make. Every event goes to standard output, one line each, naming windows by role rather
// than by handle and carrying no times, so that runs on different implementations compare line
// by line. Lines starting "== " open a scenario.
//
// With "input" on the command line it then opens two windows ("Conformance input" and
// "Conformance other") and reports what arrives from outside until the input window is closed.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char className[] = "ConformanceClass";
HWND windowsByRole[4];
const char* const roleNames[4] = {"main", "second", "input", "other"};
bool quitOnDestroy = true;
bool destroyOnUser = false;
bool captureOnButton = false;
int creatingRole = -1; // the role of the window being created, whose handle is not known yet

void Line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

const char* Role(HWND window) {
    if (window == nullptr) {
        return "null";
    }
    for (int i = 0; i < 4; ++i) {
        if (windowsByRole[i] == window) {
            return roleNames[i];
        }
    }
    if (creatingRole >= 0) {
        windowsByRole[creatingRole] = window;
        return roleNames[creatingRole];
    }
    return "foreign";
}

// Not recorded: the window manager's own bookkeeping (non-client area, position, focus, input
// method, cursor), which the platform layer does not deliver because neither the toolkit nor
// the app kit handles any of it. The same for every scenario; everything else is recorded.
const struct {
    UINT message;
    const char* name;
} notRecorded[] = {
    {0x0007, "WM_SETFOCUS"},          {0x0008, "WM_KILLFOCUS"},
    {0x0013, "WM_QUERYOPEN"},         {0x0018, "WM_SHOWWINDOW"},
    {0x001C, "WM_ACTIVATEAPP"},       {0x0020, "WM_SETCURSOR"},
    {0x0021, "WM_MOUSEACTIVATE"},     {0x0024, "WM_GETMINMAXINFO"},
    {0x0046, "WM_WINDOWPOSCHANGING"}, {0x0047, "WM_WINDOWPOSCHANGED"},
    {0x007F, "WM_GETICON"},           {0x0083, "WM_NCCALCSIZE"},
    {0x0084, "WM_NCHITTEST"},         {0x0085, "WM_NCPAINT"},
    {0x0086, "WM_NCACTIVATE"},        {0x0215, "WM_CAPTURECHANGED"},
    {0x0281, "WM_IME_SETCONTEXT"},    {0x0282, "WM_IME_NOTIFY"},
    {0x0285, "WM_IME_SELECT"},
};

bool Recorded(UINT message) {
    for (const auto& entry : notRecorded) {
        if (entry.message == message) {
            return false;
        }
    }
    return true;
}

const char* MessageName(UINT message) {
    switch (message) {
    case WM_NCCREATE:
        return "WM_NCCREATE";
    case WM_NCDESTROY:
        return "WM_NCDESTROY";
    case WM_ERASEBKGND:
        return "WM_ERASEBKGND";
    case WM_KEYUP:
        return "WM_KEYUP";
    case WM_SYSCOMMAND:
        return "WM_SYSCOMMAND";
    case WM_CREATE:
        return "WM_CREATE";
    case WM_DESTROY:
        return "WM_DESTROY";
    case WM_MOVE:
        return "WM_MOVE";
    case WM_SIZE:
        return "WM_SIZE";
    case WM_ACTIVATE:
        return "WM_ACTIVATE";
    case WM_PAINT:
        return "WM_PAINT";
    case WM_CLOSE:
        return "WM_CLOSE";
    case WM_QUIT:
        return "WM_QUIT";
    case WM_SYSCOLORCHANGE:
        return "WM_SYSCOLORCHANGE";
    case WM_KEYDOWN:
        return "WM_KEYDOWN";
    case WM_CHAR:
        return "WM_CHAR";
    case WM_MOUSEMOVE:
        return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN:
        return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP:
        return "WM_LBUTTONUP";
    case WM_RBUTTONDOWN:
        return "WM_RBUTTONDOWN";
    case WM_RBUTTONUP:
        return "WM_RBUTTONUP";
    case WM_MBUTTONDOWN:
        return "WM_MBUTTONDOWN";
    case WM_MBUTTONUP:
        return "WM_MBUTTONUP";
    case WM_QUERYNEWPALETTE:
        return "WM_QUERYNEWPALETTE";
    case WM_PALETTEISCHANGING:
        return "WM_PALETTEISCHANGING";
    case WM_PALETTECHANGED:
        return "WM_PALETTECHANGED";
    default:
        break;
    }
    static char text[32];
    if (message >= WM_USER && message < WM_USER + 100) {
        std::snprintf(text, sizeof text, "WM_USER+%u", message - WM_USER);
    } else {
        std::snprintf(text, sizeof text, "message 0x%04x", message);
    }
    return text;
}

// Shift and Control as GetKeyState gives them while the message is handled.
void KeyLine(HWND window, UINT message, WPARAM wParam) {
    Line("%s %s %u shift %d control %d", Role(window), MessageName(message),
         static_cast<unsigned>(wParam), (GetKeyState(VK_SHIFT) & 0x8000) ? 1 : 0,
         (GetKeyState(VK_CONTROL) & 0x8000) ? 1 : 0);
}

void MouseLine(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Line("%s %s %d %d keys %u", Role(window), MessageName(message),
         static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)),
         static_cast<unsigned>(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)));
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const char* role = Role(window);
    switch (message) {
    case WM_CREATE:
    case WM_CLOSE:
    case WM_SYSCOLORCHANGE:
    case WM_QUERYNEWPALETTE:
    case WM_PALETTEISCHANGING:
        Line("%s %s", role, MessageName(message));
        break;
    case WM_PALETTECHANGED:
        Line("%s WM_PALETTECHANGED from %s", role, Role(reinterpret_cast<HWND>(wParam)));
        break;
    case WM_DESTROY:
        Line("%s WM_DESTROY", role);
        if (quitOnDestroy) {
            PostQuitMessage(0);
        }
        return 0;
    case WM_MOVE:
    case WM_SIZE:
        // The halves as unsigned 16-bit numbers, as they travel.
        Line("%s %s %u %u %u", role, MessageName(message), static_cast<unsigned>(wParam),
             LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_ACTIVATE:
        Line("%s WM_ACTIVATE %u minimized %u other %s", role, LOWORD(wParam),
             HIWORD(wParam) ? 1u : 0u, Role(reinterpret_cast<HWND>(lParam)));
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        Line("%s WM_PAINT", role);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        KeyLine(window, message, wParam);
        break;
    case WM_LBUTTONDOWN:
        MouseLine(window, message, wParam, lParam);
        if (captureOnButton) {
            Line("SetCapture returns %s", Role(SetCapture(window)));
        }
        break;
    case WM_LBUTTONUP:
        MouseLine(window, message, wParam, lParam);
        if (captureOnButton) {
            Line("ReleaseCapture returns %d", ReleaseCapture() ? 1 : 0);
        }
        break;
    case WM_MOUSEMOVE:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        MouseLine(window, message, wParam, lParam);
        break;
    default:
        if (message >= WM_USER && message < WM_USER + 100) {
            Line("%s %s %u dispatched", role, MessageName(message), static_cast<unsigned>(wParam));
            if (destroyOnUser) {
                Line("DestroyWindow inside the dispatch returns %d", DestroyWindow(window) ? 1 : 0);
            }
            return 0;
        }
        if (Recorded(message)) {
            Line("%s %s", role, MessageName(message));
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Dispatches whatever is waiting, as a message loop does between idle turns.
void Drain(void) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            Line("drained WM_QUIT %u", static_cast<unsigned>(msg.wParam));
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Pending(const char* what, HWND window, UINT low, UINT high) {
    MSG msg;
    BOOL found = PeekMessageA(&msg, window, low, high, PM_NOREMOVE);
    Line("peek %s: %s", what, found ? MessageName(msg.message) : "none");
}

HWND Create(int role, const RECT& client, DWORD style) {
    RECT outer = client;
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    windowsByRole[role] = nullptr;
    creatingRole = role;
    static const char* const titles[4] = {"Conformance main", "Conformance second",
                                          "Conformance input", "Conformance other"};
    HWND window =
        CreateWindowExA(0, className, titles[role], WS_OVERLAPPEDWINDOW | style, outer.left,
                        outer.top, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    windowsByRole[role] = window;
    creatingRole = -1;
    return window;
}

void ClientLine(HWND window) {
    RECT client{}, outer{};
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    Line("%s client %d x %d, outer %d %d %d %d", Role(window), static_cast<int>(client.right),
         static_cast<int>(client.bottom), static_cast<int>(outer.left), static_cast<int>(outer.top),
         static_cast<int>(outer.right), static_cast<int>(outer.bottom));
}

void ClassScenario(void) {
    Line("== class registration");
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    Line("RegisterClassA: %s", RegisterClassA(&wc) != 0 ? "an atom" : "0");
    SetLastError(0);
    ATOM again = RegisterClassA(&wc);
    Line("RegisterClassA of the same name: %s, error %lu", again != 0 ? "an atom" : "0",
         static_cast<unsigned long>(GetLastError()));
}

const RECT mainClient = {104, 122, 704, 622};

HWND ShowScenario(void) {
    Line("== creation without WS_VISIBLE, then SW_SHOWDEFAULT");
    HWND main = Create(0, mainClient, 0);
    Line("CreateWindowExA: %s, visible %d", main ? "a window" : "null",
         IsWindowVisible(main) ? 1 : 0);
    ClientLine(main);
    Line("ShowWindow SW_SHOWDEFAULT returns %d", ShowWindow(main, SW_SHOWDEFAULT) ? 1 : 0);
    Line("visible %d, focus %s", IsWindowVisible(main) ? 1 : 0, Role(GetFocus()));
    ClientLine(main);
    Pending("WM_PAINT", main, WM_PAINT, WM_PAINT);
    Drain();
    Pending("anything", nullptr, 0, 0);
    return main;
}

void MinimizeScenario(HWND main) {
    Line("== minimize and restore");
    Line("ShowWindow SW_MINIMIZE returns %d", ShowWindow(main, SW_MINIMIZE) ? 1 : 0);
    Line("iconic %d", IsIconic(main) ? 1 : 0);
    ClientLine(main);
    Drain();
    Line("ShowWindow SW_RESTORE returns %d", ShowWindow(main, SW_RESTORE) ? 1 : 0);
    Line("iconic %d", IsIconic(main) ? 1 : 0);
    ClientLine(main);
    Pending("WM_PAINT", main, WM_PAINT, WM_PAINT);
    Drain();
}

void QueueOrderScenario(HWND main) {
    Line("== queue order: posted, quit, paint");
    PostMessageA(main, WM_USER + 1, 11, 0);
    PostMessageA(main, WM_USER + 2, 12, 0);
    InvalidateRect(main, nullptr, FALSE);
    PostQuitMessage(7);
    MSG msg;
    for (int i = 0; i < 3; ++i) {
        BOOL result = GetMessageA(&msg, nullptr, 0, 0);
        Line("GetMessage returns %d: %s %s %u", result, Role(msg.hwnd), MessageName(msg.message),
             static_cast<unsigned>(msg.wParam));
        if (result) {
            DispatchMessageA(&msg);
        }
    }
    Pending("WM_PAINT", main, WM_PAINT, WM_PAINT);
    BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    Line("GetMessage returns %d: %s %s", result, Role(msg.hwnd), MessageName(msg.message));
    DispatchMessageA(&msg);
    Pending("anything", nullptr, 0, 0);
}

void PeekScenario(HWND main) {
    Line("== paint coalescing and PeekMessage filters");
    InvalidateRect(main, nullptr, FALSE);
    RECT part = {10, 10, 20, 20};
    InvalidateRect(main, &part, FALSE);
    PostMessageA(main, WM_USER + 3, 13, 0);
    Pending("WM_PAINT only", main, WM_PAINT, WM_PAINT);
    Pending("WM_USER..WM_USER+10", main, WM_USER, WM_USER + 10);
    Pending("WM_KEYDOWN..WM_CHAR", main, WM_KEYDOWN, WM_CHAR);
    Pending("anything", nullptr, 0, 0);
    MSG msg;
    BOOL found = PeekMessageA(&msg, main, WM_USER + 3, WM_USER + 3, PM_REMOVE);
    Line("PeekMessage PM_REMOVE WM_USER+3: %d %s", found, found ? MessageName(msg.message) : "");
    Pending("WM_USER..WM_USER+10", main, WM_USER, WM_USER + 10);
    Pending("anything", nullptr, 0, 0);
    Drain();
    Pending("WM_PAINT only", main, WM_PAINT, WM_PAINT);
}

void CaptureScenario(HWND main) {
    Line("== capture");
    Line("GetCapture: %s", Role(GetCapture()));
    Line("SetCapture returns %s", Role(SetCapture(main)));
    Line("GetCapture: %s", Role(GetCapture()));
    Line("SetCapture again returns %s", Role(SetCapture(main)));
    Line("ReleaseCapture returns %d", ReleaseCapture() ? 1 : 0);
    Line("GetCapture: %s", Role(GetCapture()));
    Line("ReleaseCapture without capture returns %d", ReleaseCapture() ? 1 : 0);
    Drain();
}

void PaletteScenario(HWND main) {
    Line("== palettes on a true-colour display");
    HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    Line("stock default palette entries: %u", GetPaletteEntries(stock, 0, 0, nullptr));
    PALETTEENTRY entries[32] = {};
    UINT count = GetPaletteEntries(stock, 0, 32, entries);
    for (UINT i = 0; i < count; ++i) {
        Line("stock %u: %u %u %u flags %u", i, entries[i].peRed, entries[i].peGreen,
             entries[i].peBlue, entries[i].peFlags);
    }
    // A 3-3-2 palette as the toolkit builds for 8-bit formats, cut to 8 entries.
    struct {
        WORD version, count;
        PALETTEENTRY entries[8];
    } logical = {0x300, 8, {}};
    for (int i = 0; i < 8; ++i) {
        logical.entries[i] =
            PALETTEENTRY{static_cast<BYTE>(i * 36), static_cast<BYTE>(255 - i * 36),
                         static_cast<BYTE>((i & 3) * 85), 0};
    }
    HPALETTE own = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
    Line("CreatePalette: %s, %u entries", own ? "a palette" : "null",
         GetPaletteEntries(own, 0, 0, nullptr));
    HDC dc = GetDC(main);
    HPALETTE previous = SelectPalette(dc, own, FALSE);
    Line("SelectPalette returns %s", previous == stock ? "the stock default"
                                     : previous        ? "another"
                                                       : "null");
    Line("RealizePalette returns %u", RealizePalette(dc));
    Line("SetSystemPaletteUse SYSPAL_NOSTATIC returns %u",
         SetSystemPaletteUse(dc, SYSPAL_NOSTATIC));
    Line("SetSystemPaletteUse SYSPAL_STATIC returns %u", SetSystemPaletteUse(dc, SYSPAL_STATIC));
    previous = SelectPalette(dc, stock, FALSE);
    Line("SelectPalette of the stock one returns %s", previous == own ? "ours"
                                                      : previous      ? "another"
                                                                      : "null");
    Line("ReleaseDC returns %d", ReleaseDC(main, dc));
    Line("UnrealizeObject returns %d", UnrealizeObject(own) ? 1 : 0);
    Line("DeleteObject returns %d", DeleteObject(own) ? 1 : 0);
    Line("DeleteObject again returns %d", DeleteObject(own) ? 1 : 0);
    Drain();
}

void SysColorScenario(HWND main) {
    Line("== SetSysColors");
    INT element = COLOR_WINDOW;
    COLORREF value = GetSysColor(COLOR_WINDOW);
    Drain();
    Line("SetSysColors (the same colour) returns %d", SetSysColors(1, &element, &value) ? 1 : 0);
    Line("GetSysColor unchanged: %d", GetSysColor(COLOR_WINDOW) == value ? 1 : 0);
    Pending("WM_PAINT", main, WM_PAINT, WM_PAINT);
    Drain();
}

void RegistryScenario(void) {
    Line("== registry");
    HKEY key = nullptr;
    LSTATUS status =
        RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Colors", 0, KEY_QUERY_VALUE, &key);
    Line("RegOpenKeyExA Control Panel\\Colors: %ld", static_cast<long>(status));
    DWORD type = 99, size = 0;
    status = RegQueryValueExA(key, "Window", nullptr, &type, nullptr, &size);
    Line("size of Window: %ld, type %lu, %lu bytes", static_cast<long>(status),
         static_cast<unsigned long>(type), static_cast<unsigned long>(size));
    BYTE data[64] = {};
    size = 2;
    status = RegQueryValueExA(key, "Window", nullptr, &type, data, &size);
    Line("Window into 2 bytes: %ld, %lu bytes needed", static_cast<long>(status),
         static_cast<unsigned long>(size));
    size = sizeof data;
    status = RegQueryValueExA(key, "Window", nullptr, &type, data, &size);
    Line("Window: %ld, type %lu, \"%s\", %lu bytes", static_cast<long>(status),
         static_cast<unsigned long>(type), reinterpret_cast<char*>(data),
         static_cast<unsigned long>(size));
    size = sizeof data;
    status = RegQueryValueExA(key, "NoSuchValue", nullptr, &type, data, &size);
    Line("NoSuchValue: %ld", static_cast<long>(status));
    Line("RegCloseKey: %ld", static_cast<long>(RegCloseKey(key)));
    HKEY missing = nullptr;
    status =
        RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\NoSuchKey", 0, KEY_QUERY_VALUE, &missing);
    Line("RegOpenKeyExA Control Panel\\NoSuchKey: %ld", static_cast<long>(status));
}

void VersionScenario(void) {
    Line("== GetVersionEx");
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    BOOL ok = GetVersionExA(&info);
    Line("GetVersionExA with %u bytes returns %d, platform %lu", static_cast<unsigned>(sizeof info),
         ok ? 1 : 0, static_cast<unsigned long>(info.dwPlatformId));
}

void CloseScenario(HWND main) {
    Line("== WM_CLOSE given to DefWindowProc");
    Drain();
    SendMessageA(main, WM_CLOSE, 0, 0);
    Line("after WM_CLOSE: window %d", IsWindow(main) ? 1 : 0);
    Pending("WM_QUIT", nullptr, WM_QUIT, WM_QUIT);
    MSG msg;
    BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    Line("GetMessage returns %d: %s", result, MessageName(msg.message));
    windowsByRole[0] = nullptr;
}

void DestroyInDispatchScenario(void) {
    Line("== DestroyWindow from inside a dispatch");
    HWND second = Create(1, RECT{204, 222, 504, 422}, WS_VISIBLE);
    Drain();
    destroyOnUser = true;
    PostMessageA(second, WM_USER + 5, 15, 0);
    MSG msg;
    BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    Line("GetMessage returns %d: %s %s", result, Role(msg.hwnd), MessageName(msg.message));
    DispatchMessageA(&msg);
    destroyOnUser = false;
    Line("after the dispatch: window %d", IsWindow(second) ? 1 : 0);
    result = GetMessageA(&msg, nullptr, 0, 0);
    Line("GetMessage returns %d: %s", result, MessageName(msg.message));
    windowsByRole[1] = nullptr;
}

void FailedOpenScenario(void) {
    Line("== a failed open's cleanup");
    HWND third = Create(1, RECT{204, 222, 504, 422}, WS_VISIBLE);
    Line("DestroyWindow returns %d", DestroyWindow(third) ? 1 : 0);
    Pending("WM_QUIT", nullptr, WM_QUIT, WM_QUIT);
    MSG msg;
    BOOL found = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    Line("PeekMessage PM_REMOVE WM_QUIT: %d %s", found, found ? MessageName(msg.message) : "");
    Pending("WM_QUIT", nullptr, WM_QUIT, WM_QUIT);
    windowsByRole[1] = nullptr;
}

// Input from outside: what reaches the two windows until the input window is closed.
int InputScenario(void) {
    Line("== input from outside");
    captureOnButton = true;
    Create(3, RECT{804, 122, 1004, 322}, 0);
    Create(2, mainClient, 0);
    ShowWindow(windowsByRole[3], SW_SHOWNOACTIVATE);
    ShowWindow(windowsByRole[2], SW_SHOWDEFAULT);
    Drain();
    Line("ready for input");
    MSG msg;
    BOOL result;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Line("GetMessage returns %d: %s", result, MessageName(msg.message));
    if (windowsByRole[3] != nullptr) {
        quitOnDestroy = false;
        DestroyWindow(windowsByRole[3]);
    }
    Line("end");
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    ClassScenario();
    HWND main = ShowScenario();
    MinimizeScenario(main);
    QueueOrderScenario(main);
    PeekScenario(main);
    CaptureScenario(main);
    PaletteScenario(main);
    SysColorScenario(main);
    RegistryScenario();
    VersionScenario();
    CloseScenario(main);
    DestroyInDispatchScenario();
    FailedOpenScenario();
    if (commandLine != nullptr && std::strstr(commandLine, "input") != nullptr) {
        return InputScenario();
    }
    Line("end");
    return 0;
}
