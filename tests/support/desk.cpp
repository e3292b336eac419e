#include "desk.h"

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

bool MessagePending(UINT first, UINT last) {
    MSG msg;
    return PeekMessageA(&msg, nullptr, first, last, PM_NOREMOVE) != FALSE;
}

int DiscardMessages(UINT first, UINT last) {
    // A paint stays until its window is validated, so removing it would never end.
    const bool all = first == 0 && last == 0;
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, first, last, PM_NOREMOVE) && msg.message != WM_PAINT &&
           (msg.message != WM_QUIT || !all)) {
        PeekMessageA(&msg, nullptr, first, last, PM_REMOVE);
        ++count;
    }
    return count;
}

void DispatchWaiting(void) {
    MSG msg;
    for (int i = 0;
         i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT;
         ++i) {
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string Typed(void) {
    std::string out;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_CHAR) {
            out += static_cast<char>(msg.wParam);
        }
        TranslateMessage(&msg);
    }
    return out;
}

std::vector<DeskMessageBox> DeskMessageBoxes(void) {
    std::vector<DeskMessageBox> boxes;
    for (int i = 0; i < VdeskMessageBoxCount(); ++i) {
        const VdeskMessageBoxRecord* r = VdeskMessageBoxAt(i);
        boxes.push_back(DeskMessageBox{r->owner, r->text, r->caption, r->type});
    }
    return boxes;
}

std::vector<std::string> DeskCallLog(void) {
    std::vector<std::string> log;
    for (int i = 0; i < VdeskCallCount(); ++i) {
        log.emplace_back(VdeskCallAt(i));
    }
    return log;
}
