// Every way the open can fail, with its message and the state left behind; the exact
// search over a scripted format list; the version-dependent system-colour count; reports.
#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

#include "pixel_format.h"
#include "toolkit_fixture.h"
#include "vdesk_control.h"

namespace {

PIXELFORMATDESCRIPTOR Format(DWORD flags, BYTE type, BYTE colorBits, BYTE depthBits) {
    PIXELFORMATDESCRIPTOR d = {};
    d.nSize = sizeof d;
    d.nVersion = 1;
    d.dwFlags = flags;
    d.iPixelType = type;
    d.cColorBits = colorBits;
    d.cDepthBits = depthBits;
    return d;
}

enum : DWORD { GL_WINDOW = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL };

void ExpectReleasedWithoutQuit(void) {
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.dc, nullptr);
    EXPECT_EQ(windowState.glContext, nullptr);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(windowState.keyDown, nullptr);
    EXPECT_EQ(windowState.idle, nullptr);
    EXPECT_FALSE(MessagePending(WM_QUIT, WM_QUIT));
}

void ExpectOneError(const std::string& text) {
    std::vector<DeskMessageBox> boxes = DeskMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
}

} // namespace

TEST(OpenFailure, RegistrationRefused) {
    WtSetKeyDownHandler(RecordKey);
    VdeskFailNext(VDESK_FAIL_REGISTER_CLASS, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    ExpectOneError("Failed to register window class\n");
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.keyDown, RecordKey); // nothing was created, so nothing released
}

TEST(OpenFailure, WindowNotCreated) {
    WtSetKeyDownHandler(RecordKey);
    VdeskFailNext(VDESK_FAIL_CREATE_WINDOW, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    ExpectOneError("create window failed\n");
    EXPECT_EQ(windowState.window, nullptr);
    EXPECT_EQ(windowState.keyDown, RecordKey);
    EXPECT_FALSE(MessagePending(WM_QUIT, WM_QUIT));
}

TEST(OpenFailure, NoDeviceContext) {
    WtSetKeyDownHandler(RecordKey);
    WtSetIdleHandler(NoOpIdle);
    VdeskFailNext(VDESK_FAIL_GET_DC, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    std::vector<DeskMessageBox> boxes = DeskMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("Could not get an HDC for window 0x", 0), 0u);
    EXPECT_EQ(boxes[0].text.size(), strlen("Could not get an HDC for window 0x") + 8 + 1);
    EXPECT_EQ(boxes[0].text.back(), '\n');
    ExpectReleasedWithoutQuit();
}

TEST(OpenFailure, NoPixelFormat) {
    VdeskFailNext(VDESK_FAIL_CHOOSE_FORMAT, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    ExpectOneError("Selecting a pixel format failed\n");
    ExpectReleasedWithoutQuit();
}

// The user closes the window while the failure's box comes up: the window, disabled from
// before the box opened, stays until the open releases it, and no quit request is left.
TEST(OpenFailure, ACloseWhileTheErrorBoxOpensLeavesNoQuit) {
    VdeskSetBoxOpenHook([](HWND owner, void*) { VdeskClickClose(owner); });
    VdeskFailNext(VDESK_FAIL_CHOOSE_FORMAT, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    ExpectOneError("Selecting a pixel format failed\n");
    ExpectReleasedWithoutQuit();
}

TEST(OpenFailure, SetPixelFormatRefused) {
    VdeskFailNext(VDESK_FAIL_SET_FORMAT, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    ExpectOneError("SetPixelFormat failed\n");
    ExpectReleasedWithoutQuit();
}

TEST(OpenFailure, ContextNotCreated) {
    VdeskFailNext(VDESK_FAIL_CREATE_CONTEXT, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    ExpectOneError("wglCreateContext Failed\n");
    ExpectReleasedWithoutQuit();
}

TEST(OpenFailure, ContextNotMadeCurrentThenASecondOpenRuns) {
    WtSetIdleHandler(NoOpIdle);
    VdeskFailNext(VDESK_FAIL_MAKE_CURRENT, 1);
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0);
    ExpectOneError("wglMakeCurrent Failed\n");
    ExpectReleasedWithoutQuit();
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    WtSetReshapeHandler(RecordReshape);
    WtSetIdleHandler(IdleClosing);
    WtRunLoop();
    EXPECT_EQ(handlerCalls, (std::vector<std::string>{"reshape 600 500"}));
}

TEST(OpenFailure, ExplicitNumbersThatAreNotUsable) {
    const PIXELFORMATDESCRIPTOR formats[] = {
        Format(GL_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 16),
        Format(PFD_DRAW_TO_WINDOW, PFD_TYPE_RGBA, 24, 16)};
    VdeskSetPixelFormats(formats, 2);
    windowState.formatChoice = 1;
    for (int32_t number : {0, 2, 3}) {
        windowState.formatNumber = number;
        EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 0) << number;
        ExpectReleasedWithoutQuit();
    }
    std::vector<DeskMessageBox> boxes = DeskMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const DeskMessageBox& box : boxes) {
        EXPECT_EQ(box.text, "Selecting a pixel format failed\n");
    }
    windowState.formatNumber = 1;
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE), 1);
    EXPECT_EQ(GetPixelFormat(windowState.dc), 1);
}

TEST(ExactSearch, LowestNumberAmongTheEqualBest) {
    const PIXELFORMATDESCRIPTOR formats[] = {
        Format(GL_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 16, 16),          // 1 passes, 16 bits
        Format(GL_WINDOW, PFD_TYPE_RGBA, 32, 16),                             // 2 single buffer
        Format(GL_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 24),          // 3 passes, 24 bits
        Format(GL_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_COLORINDEX, 32, 16),    // 4 colour index
        Format(GL_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 16),          // 5 equal to 3
        Format(GL_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 32, 0),           // 6 no depth
        Format(PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 32, 16), // 7 no window
    };
    VdeskSetPixelFormats(formats, 7);
    HDC screen = GetDC(nullptr);
    PIXELFORMATDESCRIPTOR d = {};
    EXPECT_EQ(WtSearchExactFormat(screen, DM_DOUBLE | DM_DEPTH16, &d), 3);
    EXPECT_EQ(d.cColorBits, 24);
    EXPECT_EQ(d.cDepthBits, 24);
    EXPECT_EQ(WtSearchExactFormat(screen, DM_DOUBLE | DM_INDEX | DM_DEPTH, &d), 4);
    EXPECT_EQ(WtSearchExactFormat(screen, DM_DOUBLE, &d), 6);
    EXPECT_EQ(WtSearchExactFormat(screen, DM_DOUBLE | DM_STENCIL, &d), 0);
    ReleaseDC(nullptr, screen);
}

TEST(ExactSearch, AlphaAndAccumulationTestsForRgbaOnlyAndTheMainLayerOnly) {
    auto with = [](PIXELFORMATDESCRIPTOR d, BYTE alpha, BYTE accum, BYTE accumAlpha, BYTE layer) {
        d.cAlphaBits = alpha;
        d.cAccumBits = accum;
        d.cAccumAlphaBits = accumAlpha;
        d.iLayerType = layer;
        return d;
    };
    PIXELFORMATDESCRIPTOR rgba16 = Format(GL_WINDOW, PFD_TYPE_RGBA, 16, 0);
    PIXELFORMATDESCRIPTOR rgba24 = Format(GL_WINDOW, PFD_TYPE_RGBA, 24, 0);
    PIXELFORMATDESCRIPTOR rgba32 = Format(GL_WINDOW, PFD_TYPE_RGBA, 32, 0);
    const PIXELFORMATDESCRIPTOR formats[] = {
        with(rgba24, 8, 0, 0, PFD_MAIN_PLANE),  // 1 alpha
        with(rgba24, 8, 32, 0, PFD_MAIN_PLANE), // 2 alpha, accum without alpha
        with(rgba16, 8, 32, 8, PFD_MAIN_PLANE), // 3 alpha, accum with alpha
        with(rgba32, 0, 32, 0, PFD_MAIN_PLANE), // 4 accum
        with(rgba32, 0, 0, 0, 1),               // 5 overlay plane
        rgba24,                                 // 6 plain
        with(Format(GL_WINDOW, PFD_TYPE_COLORINDEX, 8, 0), 8, 16, 0, 0), // 7 index, alpha, accum
        Format(GL_WINDOW, PFD_TYPE_COLORINDEX, 4, 0),                    // 8 index, plain
    };
    VdeskSetPixelFormats(formats, 8);
    HDC screen = GetDC(nullptr);
    PIXELFORMATDESCRIPTOR d = {};
    EXPECT_EQ(WtSearchExactFormat(screen, DM_ALPHA, &d), 1);
    EXPECT_EQ(WtSearchExactFormat(screen, DM_ALPHA | DM_ACCUM, &d), 3);
    EXPECT_EQ(WtSearchExactFormat(screen, DM_ACCUM, &d), 4);
    EXPECT_EQ(WtSearchExactFormat(screen, 0, &d), 6);
    EXPECT_EQ(WtSearchExactFormat(screen, DM_INDEX, &d), 7);
    EXPECT_EQ(WtSearchExactFormat(screen, DM_INDEX | DM_ALPHA | DM_ACCUM, &d), 7);
    ReleaseDC(nullptr, screen);
}

TEST(ExactSearch, ZeroColourBitsAreNeverChosen) {
    const PIXELFORMATDESCRIPTOR noColour = Format(GL_WINDOW, PFD_TYPE_RGBA, 0, 0);
    VdeskSetPixelFormats(&noColour, 1);
    HDC screen = GetDC(nullptr);
    PIXELFORMATDESCRIPTOR d = {};
    EXPECT_EQ(WtSearchExactFormat(screen, 0, &d), 0);
    ReleaseDC(nullptr, screen);
}

TEST(ExactSearch, ADescriptionFailureMidScanFailsTheOpen) {
    const PIXELFORMATDESCRIPTOR formats[] = {
        Format(GL_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 16),
        Format(GL_WINDOW, PFD_TYPE_RGBA, 24, 16), Format(GL_WINDOW, PFD_TYPE_RGBA, 24, 16)};
    VdeskSetPixelFormats(formats, 3);
    VdeskFailDescribeFormat(2);
    windowState.formatChoice = FORMAT_CHOICE_EXACT;
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 0);
    ExpectOneError("Selecting a pixel format failed\n");
    ExpectReleasedWithoutQuit();
}

TEST(SysColorCount, TwentyOneOnlyForNt351) {
    VdeskSetVersion(VER_PLATFORM_WIN32_NT, 3, 51);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE), 1);
    EXPECT_EQ(windowState.sysColorCount, 21);
    WtCloseWindow(windowState.window);
    DiscardMessages(WM_QUIT, WM_QUIT);
    VdeskSetVersion(VER_PLATFORM_WIN32_NT, 3, 5);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE), 1);
    EXPECT_EQ(windowState.sysColorCount, 21);
    WtCloseWindow(windowState.window);
    DiscardMessages(WM_QUIT, WM_QUIT);
    VdeskSetVersion(VER_PLATFORM_WIN32_NT, 4, 0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE), 1);
    EXPECT_EQ(windowState.sysColorCount, 25);
    WtCloseWindow(windowState.window);
    DiscardMessages(WM_QUIT, WM_QUIT);
    VdeskSetVersion(1, 3, 51); // the 16/32-bit platform at the same numbers
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE), 1);
    EXPECT_EQ(windowState.sysColorCount, 25);
}

TEST(DescribeWindowFormat, ReportsAMissingFormatAndAFailedDescription) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE), 1);
    PIXELFORMATDESCRIPTOR d;
    HDC screen = GetDC(nullptr); // no pixel format is set on it
    EXPECT_EQ(DescribeWindowFormat(screen, &d), 0);
    int32_t number = GetPixelFormat(windowState.dc);
    ASSERT_GT(number, 0);
    VdeskFailDescribeFormat(number);
    EXPECT_EQ(DescribeWindowFormat(windowState.dc, &d), 0);
    std::ostringstream handle;
    handle << std::uppercase << std::hex << std::setw(8) << std::setfill('0')
           << reinterpret_cast<uintptr_t>(screen);
    std::vector<DeskMessageBox> boxes = DeskMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Could not get pixel format for Dc 0x" + handle.str() + "\n");
    EXPECT_EQ(boxes[1].text,
              "Could not get a description of pixel format " + std::to_string(number) + "\n");
}

TEST(Report, FormatsIntoOneBoxOwnedByTheFocusAndCutsLongTexts) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE), 1);
    SetFocus(windowState.window);
    WtReportError("Could not get a description of pixel format %d\n", 7);
    std::string longText(400, 'x');
    WtReportError("%s", longText.c_str());
    windowState.showErrorBoxes = false;
    WtReportError("hidden\n");
    std::vector<DeskMessageBox> boxes = DeskMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Could not get a description of pixel format 7\n");
    EXPECT_EQ(boxes[0].owner, windowState.window);
    EXPECT_EQ(boxes[1].text, std::string(255, 'x'));
}
