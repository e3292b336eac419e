// Message boxes: the one modal loop, for every backend, and the box's layout. The backend
// only opens and closes the native box and reports the button that answers it.
#include <algorithm>
#include <cstdio>

#include "core.h"
#include "core_events.h"

namespace {

struct OpenBox {
    void* native;
    int answer; // 0 until answered
};
struct MessageBoxState {
    std::vector<OpenBox> boxes; // nested boxes, innermost last
};
FileState<MessageBoxState> state;

const int margin = 16, buttonWidth = 80, buttonHeight = 26, minimumWidth = 240;

// As Win32's, the loop keeps the thread's windows served until the box is answered; a quit
// request ends it and stays for the program's own loop.
void RunModalLoop(size_t box) {
    MSG msg;
    while (state.boxes[box].answer == 0) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (state.boxes[box].answer == 0 && !Backend()->PumpEvents(1)) {
            return; // nothing can answer it any more
        }
    }
}

} // namespace

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    text = text != nullptr ? text : "";
    caption = caption != nullptr ? caption : "Error";
    if (!BackendReady()) {
        std::fprintf(stderr, "%s: %s\n", caption, text); // said at least
        return IDOK;
    }
    // The owner is disabled while the box is up, from before the box opens: it takes no
    // input, and its close box does nothing.
    WindowRecord* record = FindWindow(owner);
    bool disabled = record != nullptr && !record->disabled;
    if (disabled) {
        record->disabled = true;
    }
    void* native = Backend()->OpenMessageBox(owner, text, caption, type);
    int answer = IDOK;
    if (native == nullptr) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
    } else {
        // An answer given while the box opened is still queued, and reaches it now.
        state.boxes.push_back(OpenBox{native, 0});
        size_t box = state.boxes.size() - 1;
        RunModalLoop(box);
        answer = state.boxes[box].answer != 0 ? state.boxes[box].answer : IDOK;
        state.boxes.pop_back();
        ForgetMessageBoxAnswers(native);
    }
    if (disabled && (record = FindWindow(owner)) != nullptr) {
        record->disabled = false;
    }
    if (native != nullptr) {
        Backend()->CloseMessageBox(native);
    }
    return answer;
}

void AnswerMessageBox(void* box, int button) {
    for (OpenBox& each : state.boxes) {
        if (each.native == box) {
            each.answer = button;
        }
    }
}

void CoreMessageBoxKey(void* box, int virtualKey) {
    if (virtualKey == VK_RETURN || virtualKey == VK_ESCAPE || virtualKey == VK_SPACE) {
        CoreNotifyMessageBoxAnswer(box, IDOK);
    }
}

int CoreMessageBoxButton(void* box, MessageBoxLayout* layout, int down, int x, int y) {
    const RECT& b = layout->button;
    bool over = x >= b.left && y >= b.top && x < b.right && y < b.bottom;
    if (down && over) {
        layout->pressed = true;
        return 1;
    }
    if (down || !layout->pressed) {
        return 0;
    }
    layout->pressed = false;
    if (over) {
        CoreNotifyMessageBoxAnswer(box, IDOK);
    }
    return 1;
}

MessageBoxLayout CoreLayOutMessageBox(const char* text, int lineHeight,
                                      int (*measure)(const std::string& line, void* font),
                                      void* font) {
    MessageBoxLayout layout{};
    layout.lines.emplace_back();
    for (const char* p = text; *p != 0; ++p) {
        if (*p == '\n') {
            layout.lines.emplace_back();
        } else if (*p != '\r') {
            layout.lines.back() += *p;
        }
    }
    if (layout.lines.size() > 1 && layout.lines.back().empty()) {
        layout.lines.pop_back(); // a closing line break starts no line
    }
    int textWidth = 0;
    for (const std::string& line : layout.lines) {
        textWidth = std::max(textWidth, measure(line, font));
    }
    layout.width = std::max(textWidth + 2 * margin, minimumWidth);
    layout.height = margin + static_cast<int>(layout.lines.size()) * lineHeight + margin +
                    buttonHeight + margin;
    layout.textX = layout.textY = margin;
    layout.lineHeight = lineHeight;
    int left = (layout.width - buttonWidth) / 2, top = layout.height - margin - buttonHeight;
    layout.button = RECT{left, top, left + buttonWidth, top + buttonHeight};
    return layout;
}
