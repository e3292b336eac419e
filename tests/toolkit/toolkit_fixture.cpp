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
void IdleClosing(void) { WtCloseWindow(windowState.window); }
void NoOpIdle(void) {}

int32_t OpenSceneWindow(DisplayMode mode) {
    WtSetDisplayMode(mode);
    WtSetPosition(100, 100, 600, 500);
    return WtOpenWindow("Vorlanth", 0);
}

LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return WtWindowProc(windowState.window, message, wParam, lParam);
}
