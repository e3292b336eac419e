// The event loop, the handler slots, the buffer swap and the release of the window.
#include <gtest/gtest.h>

#include "toolkit_fixture.h"

namespace {

int idleCalls = 0;

void IdleThenClose(void) {
    idleCalls++;
    handlerCalls.push_back("idle");
    WtCloseWindow(windowState.window);
}

void IdleClearingItself(void) {
    idleCalls++;
    handlerCalls.push_back("idle");
    WtSetIdleHandler(nullptr);
    // The next pass must wait for this key rather than call the idle handler again.
    PostMessageA(windowState.window, WM_KEYDOWN, VK_SPACE, 0);
}

int32_t KeyClosing(int32_t key, int32_t modifiers) {
    RecordKey(key, modifiers);
    WtCloseWindow(windowState.window);
    return 0;
}

void IdleAfterKey(void) {
    idleCalls++;
    handlerCalls.push_back("idle");
    WtCloseWindow(windowState.window);
}

int32_t KeySettingIdle(int32_t key, int32_t modifiers) {
    RecordKey(key, modifiers);
    WtSetIdleHandler(IdleAfterKey);
    return 0;
}

void NoOpExpose(int32_t, int32_t) {}

} // namespace

TEST(EventLoop, ReshapeGetsTheClientSizeBeforeAnythingElse) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    WtSetReshapeHandler(RecordReshape);
    WtSetIdleHandler(IdleThenClose);
    WtRunLoop();
    ASSERT_GE(handlerCalls.size(), 2u);
    EXPECT_EQ(handlerCalls[0], "reshape 600 500");
    EXPECT_EQ(handlerCalls[1], "idle");
}

TEST(EventLoop, ClosingWhilePollingEndsTheLoopWithoutAnotherIdleCall) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    WtSetIdleHandler(IdleThenClose);
    WtRunLoop();
    EXPECT_EQ(idleCalls, 1);
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.idle, nullptr);
    EXPECT_FALSE(MessagePending(WM_QUIT, WM_QUIT));
}

TEST(EventLoop, IdleHandlerThatEmptiesTheSlotMakesTheLoopWait) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    WtSetKeyDownHandler(KeyClosing);
    WtSetIdleHandler(IdleClearingItself);
    WtRunLoop();
    EXPECT_EQ(idleCalls, 1);
    ASSERT_EQ(handlerCalls.size(), 2u);
    EXPECT_EQ(handlerCalls[1], "key 32 0");
}

TEST(EventLoop, KeyHandlerSettingIdleWhileWaitingSwitchesToPolling) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    WtSetKeyDownHandler(KeySettingIdle);
    PostMessageA(windowState.window, WM_KEYDOWN, VK_RETURN, 0);
    WtRunLoop();
    ASSERT_EQ(handlerCalls.size(), 2u);
    EXPECT_EQ(handlerCalls[0], "key 13 0");
    EXPECT_EQ(handlerCalls[1], "idle");
    EXPECT_EQ(idleCalls, 1);
}

TEST(EventLoop, WithoutIdleMessagesAreHandledInOrderAndQuitEndsTheLoop) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    WtSetKeyDownHandler(RecordKey);
    PostMessageA(windowState.window, WM_KEYDOWN, VK_LEFT, 0);
    PostMessageA(windowState.window, WM_CHAR, 'z', 0);
    PostMessageA(windowState.window, WM_CLOSE, 0, 0);
    WtRunLoop();
    ASSERT_EQ(handlerCalls.size(), 2u);
    EXPECT_EQ(handlerCalls[0], "key 37 0");
    EXPECT_EQ(handlerCalls[1], "key 122 0");
    EXPECT_EQ(windowState.window, nullptr);
}

TEST(EventLoop, LoopWithoutAWindowSkipsTheInitialReshape) {
    WtSetReshapeHandler(RecordReshape);
    PostQuitMessage(0);
    WtRunLoop();
    EXPECT_TRUE(handlerCalls.empty());
}

TEST(Release, EmptiesEverySlotAndHandleAndKeepsTheSettings) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_NE(windowState.dc, nullptr);
    EXPECT_NE(windowState.glContext, nullptr);
    WtSetExposeHandler(NoOpExpose);
    WtSetReshapeHandler(RecordReshape);
    WtSetDisplayHandler(RecordDisplay);
    WtSetKeyDownHandler(RecordKey);
    WtSetMouseDownHandler(RecordMouseDown);
    WtSetMouseUpHandler(RecordMouseUp);
    WtSetMouseMoveHandler(RecordMouseMove);
    WtSetIdleHandler(NoOpIdle);
    int32_t width = windowState.width;
    int32_t height = windowState.height;

    WtCloseWindow(windowState.window);

    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.dc, nullptr);
    EXPECT_EQ(windowState.glContext, nullptr);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(windowState.expose, nullptr);
    EXPECT_EQ(windowState.reshape, nullptr);
    EXPECT_EQ(windowState.display, nullptr);
    EXPECT_EQ(windowState.keyDown, nullptr);
    EXPECT_EQ(windowState.mouseDown, nullptr);
    EXPECT_EQ(windowState.mouseUp, nullptr);
    EXPECT_EQ(windowState.mouseMove, nullptr);
    EXPECT_EQ(windowState.idle, nullptr);
    EXPECT_EQ(windowState.displayMode, DM_DOUBLE | DM_DEPTH16);
    EXPECT_EQ(windowState.width, width);
    EXPECT_EQ(windowState.height, height);
    EXPECT_EQ(windowState.sysColorCount, 25);
    EXPECT_EQ(windowState.formatChoice, 3);
    EXPECT_TRUE(windowState.showErrorBoxes);
    // The context is no longer current.
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    // The destruction asked the loop to end, with exit code 1.
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 1u);
}

TEST(Release, WithNothingOpenOnlyClearsTheRecord) {
    WtSetKeyDownHandler(RecordKey);
    WtSetIdleHandler(NoOpIdle);
    WtReleaseAll();
    EXPECT_EQ(windowState.keyDown, nullptr);
    EXPECT_EQ(windowState.idle, nullptr);
    EXPECT_EQ(windowState.width, 100);
    EXPECT_EQ(windowState.displayMode, DM_INDEX);
}

TEST(Swap, WithoutAWindowReturnsZeroAndWithOneSucceeds) {
    EXPECT_EQ(WtSwapBuffers(), 0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_NE(WtSwapBuffers(), 0);
    WtCloseWindow(windowState.window);
    EXPECT_EQ(WtSwapBuffers(), 0);
}

TEST(Slots, SettersStoreAndReplaceBeforeTheOpen) {
    WtSetKeyDownHandler(RecordKey);
    EXPECT_EQ(windowState.keyDown, RecordKey);
    WtSetKeyDownHandler(RedrawKey);
    EXPECT_EQ(windowState.keyDown, RedrawKey);
    WtSetKeyDownHandler(nullptr);
    EXPECT_EQ(windowState.keyDown, nullptr);
    // Slots set before the open survive it.
    WtSetDisplayHandler(RecordDisplay);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_EQ(windowState.display, RecordDisplay);
}
