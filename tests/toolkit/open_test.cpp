// Placement, the wanted pixel-format descriptors, the format strategies and opening
// and closing the window.
#include <gtest/gtest.h>

#include "pixel_format.h"
#include "toolkit_fixture.h"

namespace {

PIXELFORMATDESCRIPTOR Wanted(DisplayMode mode) {
    PIXELFORMATDESCRIPTOR d;
    memset(&d, 0xAB, sizeof d);
    HDC screen = GetDC(nullptr);
    WtAskSystemFormat(screen, mode, &d);
    ReleaseDC(nullptr, screen);
    return d;
}

} // namespace

TEST(WantedDescriptor, SceneModeAsksForDoubleBufferedRgbaWith16BitDepth) {
    PIXELFORMATDESCRIPTOR d = Wanted(258);
    EXPECT_EQ(d.nSize, 40);
    EXPECT_EQ(d.nVersion, 1);
    EXPECT_EQ(d.dwFlags, 0x25u);
    EXPECT_EQ(d.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(d.cColorBits, 24);
    EXPECT_EQ(d.cAlphaBits, 0);
    EXPECT_EQ(d.cAccumBits, 0);
    EXPECT_EQ(d.cDepthBits, 16);
    EXPECT_EQ(d.cStencilBits, 0);
    EXPECT_EQ(d.cAuxBuffers, 0);
    EXPECT_EQ(d.iLayerType, PFD_MAIN_PLANE);
    // Everything else is zero.
    EXPECT_EQ(d.cRedBits + d.cRedShift + d.cGreenBits + d.cGreenShift + d.cBlueBits + d.cBlueShift +
                  d.cAlphaShift + d.cAccumRedBits + d.cAccumGreenBits + d.cAccumBlueBits +
                  d.cAccumAlphaBits + d.bReserved,
              0);
    EXPECT_EQ(d.dwLayerMask + d.dwVisibleMask + d.dwDamageMask, 0u);
}

TEST(WantedDescriptor, InitialModeAsksForSingleBufferedColourIndex) {
    PIXELFORMATDESCRIPTOR d = Wanted(1);
    EXPECT_EQ(d.dwFlags, 0x24u);
    EXPECT_EQ(d.iPixelType, PFD_TYPE_COLORINDEX);
    EXPECT_EQ(d.cColorBits, 8);
    EXPECT_EQ(d.cAlphaBits, 0);
    EXPECT_EQ(d.cAccumBits, 0);
    EXPECT_EQ(d.cDepthBits, 0);
    EXPECT_EQ(d.cStencilBits, 0);
}

TEST(WantedDescriptor, DepthStencilAlphaAndAccumulationSizes) {
    EXPECT_EQ(Wanted(DM_DEPTH | DM_DEPTH16).cDepthBits, 16);
    EXPECT_EQ(Wanted(DM_DEPTH).cDepthBits, 24);
    EXPECT_EQ(Wanted(0).cDepthBits, 0);
    EXPECT_EQ(Wanted(DM_STENCIL).cStencilBits, 4);
    PIXELFORMATDESCRIPTOR rgba = Wanted(DM_ACCUM | DM_ALPHA);
    EXPECT_EQ(rgba.cAlphaBits, 8);
    EXPECT_EQ(rgba.cAccumBits, 32);
    EXPECT_EQ(rgba.cAccumAlphaBits, 0);
    EXPECT_EQ(Wanted(DM_ACCUM).cAccumBits, 24);
    EXPECT_EQ(Wanted(DM_INDEX | DM_ACCUM).cAccumBits, 8);
    EXPECT_EQ(Wanted(DM_INDEX | DM_ACCUM | DM_ALPHA).cAccumBits, 16);
    // Bits without a meaning change nothing.
    PIXELFORMATDESCRIPTOR plain = Wanted(0);
    PIXELFORMATDESCRIPTOR ignored = Wanted(0x4 | 0x80 | 0x400 | 0x80000000u | DM_STATIC_PALETTE);
    EXPECT_EQ(memcmp(&plain, &ignored, sizeof plain), 0);
}

TEST(Placement, OuterCornerBecomesTheClientCorner) {
    WtSetPosition(100, 100, 600, 500);
    // Frame 4, caption 19, border 1.
    EXPECT_EQ(windowState.x, 104);
    EXPECT_EQ(windowState.y, 122);
    EXPECT_EQ(windowState.width, 600);
    EXPECT_EQ(windowState.height, 500);
    EXPECT_EQ(windowState.useDefaultPosition, 0);
}

TEST(Placement, TheWindowOpensAtTheGivenCornerWithTheClientSize) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    RECT outer;
    GetWindowRect(windowState.window, &outer);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 99);
    EXPECT_EQ(outer.right, 708);
    EXPECT_EQ(outer.bottom, 626);
    RECT client;
    GetClientRect(windowState.window, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 500);
    EXPECT_EQ(windowState.width, 600);
    EXPECT_EQ(windowState.height, 500);
    EXPECT_EQ(windowState.x, 104);
    EXPECT_EQ(windowState.y, 122);
    EXPECT_TRUE(IsWindowVisible(windowState.window));
    EXPECT_EQ(wglGetCurrentContext(), windowState.glContext);
    char title[32] = {};
    GetWindowTextA(windowState.window, title, sizeof title);
    EXPECT_STREQ(title, "Vorlanth");
    char className[32] = {};
    GetClassNameA(windowState.window, className, sizeof className);
    EXPECT_STREQ(className, "tkLibWClass");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(windowState.window, GWL_STYLE)) & 0x06CF0000u,
              0x06CF0000u);
}

TEST(Placement, SystemPlacementIgnoresTheGivenTopAndRecordsThePlacedCorner) {
    WtSetPosition(CW_USEDEFAULT, 500, 300, 200);
    EXPECT_EQ(windowState.useDefaultPosition, 1);
    // Showing the window sends its size before its move: the corner seen at the size is
    // the one the open recorded from the placed window.
    static int32_t seenX = -1;
    static int32_t seenY = -1;
    WtSetReshapeHandler([](int32_t, int32_t) {
        if (seenX < 0) {
            seenX = windowState.x;
            seenY = windowState.y;
        }
    });
    WtSetDisplayMode(DM_DOUBLE);
    ASSERT_EQ(WtOpenWindow("Vorlanth", 0), 1);
    RECT outer;
    GetWindowRect(windowState.window, &outer);
    RECT client;
    GetClientRect(windowState.window, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    // The desktop puts its first default window at 26, 26; the client corner lies
    // frame 4 right and caption 19 + frame 4 - border 1 down of it.
    EXPECT_EQ(outer.left, 26);
    EXPECT_EQ(outer.top, 26);
    EXPECT_EQ(seenX, 30);
    EXPECT_EQ(seenY, 48);
}

TEST(Placement, WithoutAPositionTheSystemPlacesAHundredSquareClient) {
    WtSetDisplayMode(DM_DOUBLE);
    ASSERT_EQ(WtOpenWindow("Vorlanth", 0), 1);
    RECT client;
    GetClientRect(windowState.window, &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 100);
}

TEST(Open, WideTitleAndClassWork) {
    static const WCHAR title[] = {'V', 'o', 'r', 0};
    WtSetDisplayMode(DM_DOUBLE);
    ASSERT_EQ(WtOpenWindow(title, 1), 1);
    char className[32] = {};
    GetClassNameA(windowState.window, className, sizeof className);
    EXPECT_STREQ(className, "tkLibWClass");
}

TEST(Open, FailedOpenLeavesNothingPendingAndASecondOpenRuns) {
    windowState.showErrorBoxes = false;
    windowState.formatChoice = 1; // explicit format number 0: no format
    WtSetKeyDownHandler(RecordKey);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 0);
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.dc, nullptr);
    EXPECT_EQ(windowState.glContext, nullptr);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(windowState.keyDown, nullptr);
    EXPECT_FALSE(MessagePending(WM_QUIT, WM_QUIT));

    windowState.formatChoice = FORMAT_CHOICE_SYSTEM;
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    WtSetReshapeHandler(RecordReshape);
    WtSetIdleHandler(IdleClosing);
    WtRunLoop();
    EXPECT_EQ(handlerCalls, (std::vector<std::string>{"reshape 600 500"}));
    EXPECT_EQ(windowState.window, nullptr);
}

TEST(Open, ExactSearchStrategyOpensTheWindow) {
    windowState.formatChoice = FORMAT_CHOICE_EXACT;
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    PIXELFORMATDESCRIPTOR d;
    ASSERT_GT(DescribeWindowFormat(windowState.dc, &d), 0);
    EXPECT_TRUE(d.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_GT(d.cDepthBits, 0);
}

TEST(Open, SysColorCountIs25OnThisVersion) {
    windowState.sysColorCount = 7;
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_EQ(windowState.sysColorCount, 25);
}

TEST(Close, NullHandleDoesNothing) {
    WtCloseWindow(nullptr);
    EXPECT_FALSE(MessagePending(WM_QUIT, WM_QUIT));
}
