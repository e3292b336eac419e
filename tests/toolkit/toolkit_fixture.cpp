#include "toolkit_fixture.h"

std::vector<std::string> handlerCalls;

static void Record(const std::string& line) { handlerCalls.push_back(line); }

void RecordReshape(int32_t width, int32_t height) {
    Record("reshape " + std::to_string(width) + " " + std::to_string(height));
}
void RecordDisplay(void) { Record("display"); }
int32_t RecordKey(int32_t key, int32_t modifiers) {
    Record("key " + std::to_string(key) + " " + std::to_string(modifiers));
    return 0;
}
static std::string MouseLine(const char* kind, int32_t x, int32_t y, int32_t buttons) {
    return std::string(kind) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
           std::to_string(buttons);
}
int32_t RecordMouseDown(int32_t x, int32_t y, int32_t button) {
    Record(MouseLine("down", x, y, button));
    return 0;
}
int32_t RecordMouseUp(int32_t x, int32_t y, int32_t button) {
    Record(MouseLine("up", x, y, button));
    return 0;
}
int32_t RecordMouseMove(int32_t x, int32_t y, int32_t buttons) {
    Record(MouseLine("move", x, y, buttons));
    return 0;
}
int32_t RedrawKey(int32_t key, int32_t modifiers) {
    RecordKey(key, modifiers);
    return 1;
}

int32_t OpenSceneWindow(DisplayMode mode) {
    WtSetDisplayMode(mode);
    WtSetPosition(100, 100, 600, 500);
    return WtOpenWindow("Vorlanth", 0);
}

bool MessagePending(UINT first, UINT last) {
    MSG message;
    return PeekMessageA(&message, nullptr, first, last, PM_NOREMOVE) != 0;
}

int32_t DrainMessages(UINT first, UINT last) {
    MSG message;
    int32_t count = 0;
    while (PeekMessageA(&message, nullptr, first, last, PM_REMOVE)) {
        count++;
    }
    return count;
}

bool PumpMessages(void) {
    MSG message;
    bool quit = false;
    // Bounded: a window that keeps asking for work must not hang the test.
    for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); i++) {
        if (message.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return quit;
}
