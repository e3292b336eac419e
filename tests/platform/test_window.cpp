#include "test_window.h"

#include <algorithm>

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

std::vector<UINT> SeenOf(std::initializer_list<UINT> messages) {
    std::vector<UINT> out;
    for (const SeenMessage& s : seen) {
        if (std::find(messages.begin(), messages.end(), s.message) != messages.end()) {
            out.push_back(s.message);
        }
    }
    return out;
}

std::vector<std::string> Trace(std::initializer_list<UINT> messages) {
    static const struct {
        UINT message;
        const char* name;
    } names[] = {{WM_MOVE, "move"},
                 {WM_SIZE, "size"},
                 {WM_ACTIVATE, "activate"},
                 {WM_QUERYNEWPALETTE, "querynewpalette"},
                 {WM_PALETTECHANGED, "palettechanged"},
                 {WM_SYSCOLORCHANGE, "syscolorchange"},
                 {WM_DESTROY, "destroy"},
                 {WM_CLOSE, "close"},
                 {WM_SYSCOMMAND, "syscommand"}};
    std::vector<std::string> out;
    for (const SeenMessage& s : seen) {
        if (std::find(messages.begin(), messages.end(), s.message) == messages.end()) {
            continue;
        }
        std::string name = std::to_string(s.message);
        for (const auto& n : names) {
            if (n.message == s.message) {
                name = n.name;
            }
        }
        out.push_back(name + " " + std::to_string(s.wParam) + " " +
                      std::to_string(static_cast<short>(LOWORD(s.lParam))) + " " +
                      std::to_string(static_cast<short>(HIWORD(s.lParam))));
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
