// The window procedure: keys and characters, the mouse and its capture, size and move,
// activation, palette messages and the close box.
#include <gtest/gtest.h>

#include "toolkit_fixture.h"

namespace {

// Holds the keys down in the thread's keyboard state, as GetKeyState reads it.
void HoldKeys(bool control, bool shift) {
    BYTE keys[256] = {};
    if (control) {
        keys[VK_CONTROL] = 0x80;
    }
    if (shift) {
        keys[VK_SHIFT] = 0x80;
    }
    SetKeyboardState(keys);
}

class Messages : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
        DispatchWaiting();
        handlerCalls.clear();
    }
};

} // namespace

TEST_F(Messages, LettersArriveAsTypedCharactersWithTheirModifiers) {
    WtSetKeyDownHandler(RecordKey);
    // A: the key message is not one of the passed keys; the character is.
    EXPECT_EQ(Send(WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(Send(WM_CHAR, 'a', 0), 0);
    HoldKeys(false, true);
    EXPECT_EQ(Send(WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(Send(WM_CHAR, 'A', 0), 0);
    HoldKeys(false, false);
    EXPECT_EQ(Send(WM_CHAR, '7', 0), 0);
    EXPECT_EQ(handlerCalls, (std::vector<std::string>{"key 97 0", "key 65 1", "key 55 0"}));
}

TEST_F(Messages, EscapeReturnAndSpaceArriveOnceAsKeysTheirCharactersDropped) {
    WtSetKeyDownHandler(RecordKey);
    Send(WM_KEYDOWN, VK_ESCAPE, 0);
    Send(WM_CHAR, 27, 0);
    Send(WM_KEYDOWN, VK_RETURN, 0);
    Send(WM_CHAR, 13, 0);
    Send(WM_KEYDOWN, VK_SPACE, 0);
    Send(WM_CHAR, ' ', 0);
    EXPECT_EQ(handlerCalls, (std::vector<std::string>{"key 27 0", "key 13 0", "key 32 0"}));
}

TEST_F(Messages, ArrowsCarryControlAndShift) {
    WtSetKeyDownHandler(RecordKey);
    HoldKeys(true, false);
    Send(WM_KEYDOWN, VK_LEFT, 0);
    HoldKeys(true, true);
    Send(WM_KEYDOWN, VK_LEFT, 0);
    HoldKeys(false, false);
    Send(WM_KEYDOWN, VK_UP, 0);
    Send(WM_KEYDOWN, VK_RIGHT, 0);
    Send(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(handlerCalls, (std::vector<std::string>{"key 37 2", "key 37 3", "key 38 0",
                                                      "key 39 0", "key 40 0"}));
}

TEST_F(Messages, OtherKeysAndCharactersCallNothing) {
    WtSetKeyDownHandler(RecordKey);
    EXPECT_EQ(Send(WM_KEYDOWN, VK_F1, 0), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, VK_TAB, 0), 0);
    EXPECT_EQ(Send(WM_CHAR, '\t', 0), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, VK_BACK, 0), 0);
    EXPECT_EQ(Send(WM_CHAR, '\b', 0), 0);
    // Control with a letter gives a control character.
    HoldKeys(true, false);
    EXPECT_EQ(Send(WM_CHAR, 1, 0), 0);
    HoldKeys(false, false);
    // Just outside each range, and a value that only matches in its low bits.
    Send(WM_CHAR, '/', 0);
    Send(WM_CHAR, ':', 0);
    Send(WM_CHAR, '@', 0);
    Send(WM_CHAR, '[', 0);
    Send(WM_CHAR, '`', 0);
    Send(WM_CHAR, '{', 0);
    Send(WM_CHAR, 0x10061, 0);
    EXPECT_TRUE(handlerCalls.empty());
}

TEST_F(Messages, KeyWithAnEmptySlotReturnsZero) {
    EXPECT_EQ(Send(WM_KEYDOWN, VK_ESCAPE, 0), 0);
    EXPECT_EQ(Send(WM_CHAR, 'q', 0), 0);
    EXPECT_TRUE(handlerCalls.empty());
}

TEST_F(Messages, ButtonsCaptureTheMouseEvenWithoutHandlers) {
    EXPECT_EQ(Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 20)), 0);
    EXPECT_EQ(GetCapture(), windowState.window);
    EXPECT_EQ(Send(WM_RBUTTONUP, 0, MAKELPARAM(10, 20)), 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Messages, PressesAndReleasesCarryTheirOneButton) {
    WtSetMouseDownHandler(RecordMouseDown);
    WtSetMouseUpHandler(RecordMouseUp);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 2));
    Send(WM_MBUTTONDOWN, MK_LBUTTON | MK_MBUTTON, MAKELPARAM(3, 4));
    Send(WM_RBUTTONDOWN, MK_LBUTTON | MK_MBUTTON | MK_RBUTTON, MAKELPARAM(5, 6));
    Send(WM_LBUTTONUP, MK_MBUTTON | MK_RBUTTON, MAKELPARAM(7, 8));
    Send(WM_MBUTTONUP, MK_RBUTTON, MAKELPARAM(9, 10));
    Send(WM_RBUTTONUP, 0, MAKELPARAM(65535, 40000));
    EXPECT_EQ(handlerCalls,
              (std::vector<std::string>{"down 1 2 1", "down 3 4 4", "down 5 6 2", "up 7 8 1",
                                        "up 9 10 4", "up 65535 40000 2"}));
}

TEST_F(Messages, MovesCarryEveryButtonHeldAndIgnoreShiftAndControl) {
    WtSetMouseMoveHandler(RecordMouseMove);
    Send(WM_MOUSEMOVE, MK_LBUTTON | MK_MBUTTON, MAKELPARAM(30, 40));
    Send(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(31, 41));
    Send(WM_MOUSEMOVE, MK_RBUTTON | MK_CONTROL, MAKELPARAM(32, 42));
    EXPECT_EQ(handlerCalls,
              (std::vector<std::string>{"move 30 40 5", "move 31 41 0", "move 32 42 2"}));
}

TEST_F(Messages, ResizeStoresTheSizeAndRedrawsOnlyWithAReshapeHandler) {
    EXPECT_EQ(Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240)), 0);
    EXPECT_EQ(windowState.width, 320);
    EXPECT_EQ(windowState.height, 240);
    EXPECT_FALSE(MessagePending(WM_PAINT, WM_PAINT));
    WtSetReshapeHandler(RecordReshape);
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
    EXPECT_EQ(handlerCalls, (std::vector<std::string>{"reshape 640 480"}));
    EXPECT_TRUE(MessagePending(WM_PAINT, WM_PAINT));
}

TEST_F(Messages, MoveStoresTheClientCornerUnsigned) {
    EXPECT_EQ(Send(WM_MOVE, 0, MAKELPARAM(104, 122)), 0);
    EXPECT_EQ(windowState.x, 104);
    EXPECT_EQ(windowState.y, 122);
    // A minimized window's corner, -32000 as unsigned 16 bits.
    Send(WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(-32000), static_cast<WORD>(-32000)));
    EXPECT_EQ(windowState.x, 33536);
    EXPECT_EQ(windowState.y, 33536);
}

TEST_F(Messages, ActivationWithoutAPaletteIsLeftToDefaultProcessing) {
    ASSERT_EQ(windowState.palette, nullptr);
    LRESULT expected = DefWindowProcA(windowState.window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(Send(WM_ACTIVATE, WA_ACTIVE, 0), expected);
    EXPECT_EQ(Send(WM_QUERYNEWPALETTE, 0, 0), 1);
    EXPECT_EQ(Send(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(windowState.window), 0), 0);
}

TEST_F(Messages, QueueingTheRealizationTwiceLeavesOneMessage) {
    DiscardMessages(WM_USER, WM_USER);
    QueuePaletteRealization();
    QueuePaletteRealization();
    EXPECT_EQ(DiscardMessages(WM_USER, WM_USER), 1);
}

TEST_F(Messages, CloseBoxDestroysReleasesAndPostsQuitOne) {
    WtSetKeyDownHandler(RecordKey);
    HWND window = windowState.window;
    EXPECT_EQ(Send(WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.keyDown, nullptr);
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 1u);
}

TEST_F(Messages, CloseMessageThroughTheLoopEndsIt) {
    WtSetReshapeHandler(RecordReshape);
    PostMessageA(windowState.window, WM_CLOSE, 0, 0);
    WtRunLoop();
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(handlerCalls, (std::vector<std::string>{"reshape 600 500"}));
}
