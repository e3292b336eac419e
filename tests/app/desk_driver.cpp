// The whole-system tests' view of the virtual desktop.
#include "desk_driver.h"

#include <cstring>

#include "toolkit.h"
#include "vdesk_control.h"

namespace {
PresentHook presentHook = nullptr;
int presented = 0;
void Presented(HWND, int) {
    presented++;
    if (presentHook) presentHook(presented);
}
} // namespace

void DeskStart(PresentHook hook) {
    VdeskReset();
    VdeskSetPresentHook(Presented);
    presentHook = hook;
    presented = 0;
}

int DeskPresentCount(void) { return presented; }

void DeskSetFrameCapture(bool on) { VdeskSetFrameCapture(on ? 1 : 0); }

std::vector<Rgba8> DeskLastFrame(int* width, int* height) {
    *width = 0;
    *height = 0;
    const uint8_t* pixels = VdeskPresentedFrame(windowState.window, width, height);
    std::vector<Rgba8> frame;
    if (!pixels) return frame;
    frame.resize(static_cast<size_t>(*width) * static_cast<size_t>(*height));
    std::memcpy(frame.data(), pixels, frame.size() * sizeof(Rgba8));
    return frame;
}

void DeskPressKey(int virtualKey, bool shift, bool control) {
    if (shift) VdeskKeyDown(VK_SHIFT);
    if (control) VdeskKeyDown(VK_CONTROL);
    VdeskPressKey(virtualKey);
    if (control) VdeskKeyUp(VK_CONTROL);
    if (shift) VdeskKeyUp(VK_SHIFT);
}

void DeskClickClose(HWND window) { VdeskClickClose(window); }

void DeskFailFormatChoice(int count) { VdeskFailNext(VDESK_FAIL_CHOOSE_FORMAT, count); }

std::vector<DeskMessageBox> DeskMessageBoxes(void) {
    std::vector<DeskMessageBox> boxes;
    for (int i = 0; i < VdeskMessageBoxCount(); i++) {
        const VdeskMessageBoxRecord* record = VdeskMessageBoxAt(i);
        boxes.push_back({record->text, record->caption});
    }
    return boxes;
}

long DeskLocalAllocCount(void) { return VdeskLocalAllocCount(); }
