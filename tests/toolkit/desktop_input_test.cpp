// The toolkit driven the way a user drives it: keys typed on the desktop's keyboard,
// the close box, redraw requests counted, and a frame
// presented through the realized palette.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "toolkit_fixture.h"

namespace {

void RunUntilIdle(void) {
    WtSetIdleHandler(IdleClosing);
    WtRunLoop();
}

} // namespace

TEST(DesktopInput, TypedKeysReachTheHandlerOnceEach) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    VdeskActivate(windowState.window);
    WtSetKeyDownHandler(RecordKey);
    VdeskPressKey('A');
    VdeskKeyDown(VK_SHIFT);
    VdeskPressKey('A');
    VdeskKeyUp(VK_SHIFT);
    VdeskPressKey(VK_ESCAPE);
    VdeskKeyDown(VK_CONTROL);
    VdeskPressKey(VK_LEFT);
    VdeskPressKey('B'); // a control character: dropped
    VdeskKeyUp(VK_CONTROL);
    VdeskPressKey(VK_F1);
    VdeskPressKey(VK_TAB);
    VdeskPressKey(VK_BACK);
    RunUntilIdle();
    EXPECT_EQ(handlerCalls,
              (std::vector<std::string>{"key 97 0", "key 65 1", "key 27 0", "key 37 2"}));
}

TEST(DesktopInput, TwoRedrawRequestsInvalidateOnce) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    DispatchWaiting();
    int before = VdeskInvalidateCount(windowState.window);
    WtSetKeyDownHandler(RedrawKey);
    WtWindowProc(windowState.window, WM_CHAR, 'x', 0);
    WtWindowProc(windowState.window, WM_CHAR, 'y', 0);
    EXPECT_EQ(VdeskInvalidateCount(windowState.window), before + 1);
}

TEST(DesktopInput, ResizeWithoutReshapeRequestsNoRepaint) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    DispatchWaiting();
    int before = VdeskInvalidateCount(windowState.window);
    WtWindowProc(windowState.window, WM_SIZE, 0, MAKELPARAM(200, 100));
    EXPECT_EQ(VdeskInvalidateCount(windowState.window), before);
    EXPECT_EQ(windowState.width, 200);
}

TEST(DesktopInput, CloseBoxEndsTheLoop) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    HWND window = windowState.window;
    WtSetKeyDownHandler(RecordKey);
    VdeskClickClose(window);
    WtRunLoop();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.keyDown, nullptr);
}

TEST(DesktopInput, FrameThroughTheRealizedPaletteShowsTheClearColour) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    ASSERT_NE(windowState.palette, nullptr);
    glClearColor(0.3f, 0.3f, 0.7f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    ASSERT_NE(WtSwapBuffers(), 0);
    int width = 0;
    int height = 0;
    const BYTE* pixels = VdeskPresentedFrame(windowState.window, &width, &height);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(width, 600);
    ASSERT_EQ(height, 500);
    // 0.3 of 7 red and green steps is level 2 (104), 0.7 of 3 blue steps is level 2 (191):
    // pixel value 146, a ramp entry of the palette.
    const BYTE* centre = pixels + (250 * width + 300) * 4;
    EXPECT_EQ(centre[0], 104);
    EXPECT_EQ(centre[1], 104);
    EXPECT_EQ(centre[2], 191);
}
