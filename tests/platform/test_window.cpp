#include "test_window.h"

#include "vdesk_control.h"

std::vector<SeenMessage> seen;
Reaction reaction = nullptr;

namespace {

const char className[] = "PlatformTestWindow";

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(SeenMessage{window, message, wParam, lParam});
    LRESULT result = 0;
    if (reaction != nullptr && reaction(window, message, wParam, lParam, &result)) {
        return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void StartDesktop(void) {
    VdeskReset();
    seen.clear();
    reaction = nullptr;
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    RegisterClassA(&wc);
}

void DesktopTest::TearDown() { VdeskReset(); }

HWND CreateTestWindow(DWORD extraStyle, LPVOID param) {
    return CreateWindowExA(0, className, "Test", WS_OVERLAPPEDWINDOW | extraStyle, 100, 99, 608,
                           527, nullptr, nullptr, GetModuleHandleA(nullptr), param);
}

HWND CreateShownWindow(void) {
    HWND window = CreateTestWindow();
    ShowWindow(window, SW_SHOWDEFAULT);
    ValidateRect(window, nullptr);
    DiscardMessages();
    seen.clear();
    return window;
}

std::vector<std::string> Trace(void) {
    // Messages whose parameters are pointers or handles show by name alone.
    static const struct {
        UINT message;
        const char* name;
        bool values;
    } names[] = {{WM_NCCREATE, "nccreate", false},
                 {WM_CREATE, "create", false},
                 {WM_ERASEBKGND, "erasebkgnd", false},
                 {WM_PAINT, "paint", true},
                 {WM_MOVE, "move", true},
                 {WM_SIZE, "size", true},
                 {WM_ACTIVATE, "activate", true},
                 {WM_QUERYNEWPALETTE, "querynewpalette", true},
                 {WM_PALETTECHANGED, "palettechanged", true},
                 {WM_SYSCOLORCHANGE, "syscolorchange", true},
                 {WM_DESTROY, "destroy", true},
                 {WM_NCDESTROY, "ncdestroy", true},
                 {WM_CLOSE, "close", true},
                 {WM_SYSCOMMAND, "syscommand", true}};
    std::vector<std::string> out;
    for (const SeenMessage& s : seen) {
        std::string line = std::to_string(s.message);
        bool values = true;
        for (const auto& n : names) {
            if (n.message == s.message) {
                line = n.name;
                values = n.values;
            }
        }
        if (values) {
            line += " " + std::to_string(s.wParam) + " " +
                    std::to_string(static_cast<short>(LOWORD(s.lParam))) + " " +
                    std::to_string(static_cast<short>(HIWORD(s.lParam)));
        }
        out.push_back(line);
    }
    return out;
}

int DiscardMessages(void) {
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_PAINT &&
           msg.message != WM_QUIT) {
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        ++count;
    }
    return count;
}

void DispatchWaiting(void) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
