// The key and mouse tables and their dispatchers, called as the toolkit's slots would
// call them. Each case runs in a fresh process, so the tables start empty.
#include <gtest/gtest.h>

#include <vector>

#include "appkit.h"

namespace {

std::vector<int> calls; // which action ran, in order

void ActionOne() { calls.push_back(1); }
void ActionTwo() { calls.push_back(2); }

struct SeenEvent {
    int handler;
    AppMouseEvent event;
};
std::vector<SeenEvent> seen;

int32_t HandlerA(AppMouseEvent* e) {
    seen.push_back({1, *e});
    return 0;
}
int32_t HandlerB(AppMouseEvent* e) {
    seen.push_back({2, *e});
    return 0;
}
int32_t HandlerC(AppMouseEvent* e) {
    seen.push_back({3, *e});
    return 0;
}

} // namespace

TEST(KeyTable, OtherKeysMatchNothingAndAskForNoRedraw) {
    ASSERT_EQ(AppAddKeyHandler(27, ActionOne), 1);
    EXPECT_EQ(AppDispatchKey(97, 0), 0);
    EXPECT_EQ(AppDispatchKey(13, 0), 0);
    // The whole 32 bits are compared: a code with 27 in its low byte is another key.
    EXPECT_EQ(AppDispatchKey(27 + 256, 0), 0);
    EXPECT_TRUE(calls.empty());
}

TEST(KeyTable, EmptyTableMatchesNothing) {
    EXPECT_EQ(AppDispatchKey(27, 0), 0);
    EXPECT_EQ(appKeyCount, 0);
}

TEST(KeyTable, TwoBindingsOfOneKeyBothRunInTheOrderAdded) {
    ASSERT_EQ(AppAddKeyHandler(65, ActionTwo), 1);
    ASSERT_EQ(AppAddKeyHandler(66, ActionOne), 1);
    ASSERT_EQ(AppAddKeyHandler(65, ActionOne), 1);
    EXPECT_EQ(AppDispatchKey(65, 0), 1);
    EXPECT_EQ(calls, (std::vector<int>{2, 1}));
    EXPECT_EQ(appKeyCount, 3);
    EXPECT_EQ(AppKeyTable[1].key, 66);
}

TEST(KeyTable, ModifierBitsAreIgnored) {
    ASSERT_EQ(AppAddKeyHandler(37, ActionOne), 1);
    EXPECT_EQ(AppDispatchKey(37, KEYMOD_SHIFT), 1);
    EXPECT_EQ(AppDispatchKey(37, KEYMOD_CONTROL), 1);
    EXPECT_EQ(AppDispatchKey(37, KEYMOD_SHIFT | KEYMOD_CONTROL), 1);
    EXPECT_EQ(calls, (std::vector<int>{1, 1, 1}));
}

TEST(KeyTable, TheTwoHundredAndFirstBindingIsRefused) {
    for (int i = 0; i < 200; i++) ASSERT_EQ(AppAddKeyHandler(1000 + i, ActionOne), 1) << i;
    EXPECT_EQ(AppAddKeyHandler(5, ActionTwo), 0);
    EXPECT_EQ(appKeyCount, 200);
    // The refused binding left no trace: the last entry is still the 200th.
    EXPECT_EQ(AppKeyTable[199].key, 1199);
    EXPECT_EQ(AppDispatchKey(5, 0), 0);
    EXPECT_EQ(AppDispatchKey(1199, 0), 1);
    EXPECT_EQ(calls, (std::vector<int>{1}));
}

TEST(MouseTables, EveryDispatcherReturnsZeroWithEmptyTables) {
    for (int buttons = 0; buttons < 8; buttons++) {
        EXPECT_EQ(AppDispatchMouseDown(10, 20, buttons), 0);
        EXPECT_EQ(AppDispatchMouseUp(10, 20, buttons), 0);
        EXPECT_EQ(AppDispatchMouseMove(10, 20, buttons), 0);
    }
    EXPECT_TRUE(seen.empty());
}

TEST(MouseTables, MoveWithLeftAndMiddleHeldCallsEachMatchingBindingOnce) {
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEMOVE, 1, HandlerA), 1);
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEMOVE, 4, HandlerB), 1);
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEMOVE, 2, HandlerC), 1);
    EXPECT_EQ(AppDispatchMouseMove(120, 340, BUTTON_LEFT | BUTTON_MIDDLE), 1);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].handler, 1);
    EXPECT_EQ(seen[0].event.kind, 64);
    EXPECT_EQ(seen[0].event.x, 120);
    EXPECT_EQ(seen[0].event.y, 340);
    EXPECT_EQ(seen[0].event.button, 1);
    EXPECT_EQ(seen[1].handler, 2);
    EXPECT_EQ(seen[1].event.button, 4);
}

TEST(MouseTables, ValueZeroMatchesEveryClearBit) {
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEMOVE, 0, HandlerA), 1);
    EXPECT_EQ(AppDispatchMouseMove(1, 2, 0), 1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].event.button, 1);
    EXPECT_EQ(seen[1].event.button, 2);
    EXPECT_EQ(seen[2].event.button, 4);
    seen.clear();
    // With the right button held only bits 1 and 4 are clear.
    EXPECT_EQ(AppDispatchMouseMove(1, 2, BUTTON_RIGHT), 1);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].event.button, 1);
    EXPECT_EQ(seen[1].event.button, 4);
    seen.clear();
    EXPECT_EQ(AppDispatchMouseMove(1, 2, 7), 0);
    EXPECT_TRUE(seen.empty());
}

TEST(MouseTables, ValuesOtherThanSingleBitsNeverMatch) {
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEDOWN, 3, HandlerA), 1);
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEDOWN, 8, HandlerA), 1);
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEDOWN, -1, HandlerA), 1);
    for (int buttons = 0; buttons < 16; buttons++)
        EXPECT_EQ(AppDispatchMouseDown(0, 0, buttons), 0);
    EXPECT_TRUE(seen.empty());
}

TEST(MouseTables, EachKindHasItsOwnTableAndKind) {
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEDOWN, 2, HandlerA), 1);
    ASSERT_EQ(AppAddMouseHandler(EV_MOUSEUP, 2, HandlerB), 1);
    EXPECT_EQ(AppDispatchMouseMove(5, 6, BUTTON_RIGHT), 0);
    EXPECT_EQ(AppDispatchMouseDown(5, 6, BUTTON_RIGHT), 1);
    EXPECT_EQ(AppDispatchMouseUp(7, 8, BUTTON_RIGHT), 1);
    EXPECT_EQ(AppDispatchMouseUp(7, 8, BUTTON_LEFT), 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].handler, 1);
    EXPECT_EQ(seen[0].event.kind, 16);
    EXPECT_EQ(seen[0].event.button, 2);
    EXPECT_EQ(seen[1].handler, 2);
    EXPECT_EQ(seen[1].event.kind, 32);
    EXPECT_EQ(seen[1].event.x, 7);
    EXPECT_EQ(seen[1].event.y, 8);
    EXPECT_EQ(appMouseDownCount, 1);
    EXPECT_EQ(appMouseUpCount, 1);
    EXPECT_EQ(appMouseMoveCount, 0);
}

TEST(MouseTables, TheTwentyFirstBindingAndUnknownKindsAreRefused) {
    for (int i = 0; i < 20; i++) ASSERT_EQ(AppAddMouseHandler(EV_MOUSEUP, 1, HandlerA), 1) << i;
    EXPECT_EQ(AppAddMouseHandler(EV_MOUSEUP, 1, HandlerB), 0);
    EXPECT_EQ(appMouseUpCount, 20);
    EXPECT_EQ(AppAddMouseHandler(0, 1, HandlerB), 0);
    EXPECT_EQ(AppAddMouseHandler(48, 1, HandlerB), 0);
    EXPECT_EQ(appMouseDownCount, 0);
    EXPECT_EQ(appMouseMoveCount, 0);
    EXPECT_EQ(AppDispatchMouseUp(0, 0, BUTTON_LEFT), 1);
    EXPECT_EQ(seen.size(), 20u);
    for (const SeenEvent& s : seen) EXPECT_EQ(s.handler, 1);
}
