// Window creation, showing, minimizing, restoring, closing and destruction as the window
// procedure sees them; placement against the system metrics; mouse capture.
#include <gtest/gtest.h>

#include <algorithm>

#include "desk.h"

namespace {

class Window : public DesktopTest {};

typedef std::vector<std::string> Lines;

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

TEST(Metrics, AdjustWindowRectAddsTheFrameAndCaptionTheMetricsGive) {
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CYFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CYBORDER), 1);
    RECT r{104, 122, 704, 622};
    ASSERT_TRUE(AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE));
    ExpectRect(r, 100, 99, 708, 626);
    EXPECT_EQ(r.left, 104 - GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(r.top, 122 - GetSystemMetrics(SM_CYCAPTION) - GetSystemMetrics(SM_CYFRAME));
    EXPECT_EQ(r.bottom, 622 + GetSystemMetrics(SM_CYFRAME));
}

void* createParam = nullptr;
int KeepsCreateParam(HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message == WM_CREATE) {
        createParam = reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams;
    }
    return 0;
}

TEST_F(Window, CreationSendsCreateOnlyAndKnowsTheClientSize) {
    int token = 0;
    reaction = KeepsCreateParam;
    HWND window = CreateTestWindow(0, &token);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(createParam, &token);
    EXPECT_EQ(Trace(), (Lines{"nccreate", "create"}));
    EXPECT_FALSE(IsWindowVisible(window));
    RECT r;
    ASSERT_TRUE(GetClientRect(window, &r));
    ExpectRect(r, 0, 0, 600, 500);
    ASSERT_TRUE(GetWindowRect(window, &r));
    ExpectRect(r, 100, 99, 708, 626);
}

TEST_F(Window, ClassNamesAreRegisteredOnceWhateverTheCaseAndUnknownOnesCreateNothing) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "PLATFORMTESTWINDOW"; // the recording class, in other letters
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpszClassName = "AnotherClass";
    EXPECT_NE(RegisterClassA(&wc), 0);
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                              nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

int RefusesCreation(HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    *result = -1;
    return message == WM_CREATE;
}

TEST_F(Window, RefusedCreationDestroysTheWindowAndReturnsNull) {
    reaction = RefusesCreation;
    EXPECT_EQ(CreateTestWindow(WS_VISIBLE), nullptr);
    EXPECT_EQ(Trace(), (Lines{"nccreate", "create", "destroy 0 0 0", "ncdestroy 0 0 0"}));
}

TEST_F(Window, VisibleCreationSendsSizeAndMoveWithTheClientArea) {
    HWND window = CreateTestWindow(WS_VISIBLE);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(Trace(), (Lines{"nccreate", "create", "querynewpalette 0 0 0", "activate 1 0 0",
                              "erasebkgnd", "size 0 600 500", "move 0 104 122"}));
}

TEST_F(Window, ShowingQueriesThePaletteActivatesSizesMovesAndLeavesItInvalid) {
    HWND window = CreateTestWindow();
    seen.clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT)); // was hidden
    EXPECT_EQ(Trace(), (Lines{"querynewpalette 0 0 0", "activate 1 0 0", "erasebkgnd",
                              "size 0 600 500", "move 0 104 122"}));
    EXPECT_EQ(GetFocus(), window);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_TRUE(ShowWindow(window, SW_SHOW)); // already visible
}

TEST_F(Window, MinimizeMovesFarAwayWithNoSizeAndRestoreComesBack) {
    HWND window = CreateShownWindow();
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(window));
    EXPECT_EQ(Trace(), (Lines{"move 0 -32000 -32000", "size 1 0 0"}));
    seen.clear();
    ShowWindow(window, SW_RESTORE);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(Trace(), (Lines{"erasebkgnd", "move 0 104 122", "size 0 600 500", "activate 1 0 0"}));
    RECT r;
    GetClientRect(window, &r);
    ExpectRect(r, 0, 0, 600, 500);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, window, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

// A display's scale can change while the window is minimized: the window comes back at the
// size the display gave it meanwhile, and hears of nothing until then.
TEST_F(Window, AResizeWhileMinimizedIsTheSizeRestored) {
    HWND window = CreateShownWindow();
    ShowWindow(window, SW_MINIMIZE);
    VdeskResize(window, 1200, 1000);
    DispatchWaiting();
    seen.clear();
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(Trace(),
              (Lines{"erasebkgnd", "move 0 104 122", "size 0 1200 1000", "activate 1 0 0"}));
    RECT r;
    GetWindowRect(window, &r);
    ExpectRect(r, 100, 99, 100 + 1208, 99 + 1027);
}

TEST_F(Window, UserResizeAndMoveReportTheClientArea) {
    HWND window = CreateShownWindow();
    VdeskResize(window, 320, 240);
    VdeskMove(window, 50, 60);
    VdeskResize(window, 320, 240); // unchanged: no message
    VdeskMove(window, 50, 60);
    EXPECT_EQ(Trace(), (Lines{})) << "the desktop's changes wait for the program to retrieve them";
    DispatchWaiting();
    EXPECT_EQ(Trace(), (Lines{"size 0 320 240", "move 0 50 60"}));
    RECT r;
    GetClientRect(window, &r);
    ExpectRect(r, 0, 0, 320, 240);
    GetWindowRect(window, &r);
    ExpectRect(r, 46, 37, 46 + 328, 37 + 267);
}

int QuitsOnDestroy(HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == WM_DESTROY) {
        PostQuitMessage(3);
        *result = 0;
        return 1;
    }
    return 0;
}

// The display exposes a window it maps, which repeats the paint showing or restoring asked for:
// that exposure is dropped, unless the display said the window came up fully covered (it
// then sends none) or never said it came up at all.
TEST_F(Window, TheExposureThatComesWithShowingAsksForNoSecondPaint) {
    const RECT area{10, 20, 30, 40};
    const struct {
        const char* how;
        bool restore;  // minimized and restored instead of newly shown
        int viewable;  // -1: the display says nothing; 0 in view; 1 fully covered
        int exposures; // reported after that
        bool painting; // a WM_PAINT is then waiting
    } cases[] = {
        {"shown, in view", false, 0, 1, false},
        {"shown, in view, exposed again later", false, 0, 2, true},
        {"shown, fully covered, then uncovered", false, 1, 1, true},
        {"shown, the display says nothing", false, -1, 1, true},
        {"restored, in view", true, 0, 1, false},
    };
    for (const auto& c : cases) {
        StartDesktop();
        HWND window = CreateShownWindow();
        if (c.restore) {
            ShowWindow(window, SW_MINIMIZE);
            ShowWindow(window, SW_RESTORE);
            DiscardMessages(); // the desktop's reports resolved, WM_PAINT left
            ValidateRect(window, nullptr);
        }
        if (c.viewable >= 0) {
            VdeskMakeViewable(window, c.viewable);
        }
        for (int i = 0; i < c.exposures; ++i) {
            VdeskExpose(window, &area);
        }
        DiscardMessages(); // the desktop's reports resolved, WM_PAINT left
        MSG msg;
        EXPECT_EQ(PeekMessageA(&msg, window, WM_PAINT, WM_PAINT, PM_NOREMOVE) != 0, c.painting)
            << c.how;
    }
}

// Another program destroyed the window: it goes as on Win32, with WM_DESTROY, once the program
// retrieves its messages.
TEST_F(Window, AWindowDestroyedElsewhereGoesWithWmDestroy) {
    reaction = QuitsOnDestroy;
    HWND window = CreateShownWindow();
    VdeskDestroyElsewhere(window);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(Trace(), (Lines{}));
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(IsWindow(window));
    Lines trace = Trace();
    EXPECT_NE(std::find(trace.begin(), trace.end(), "destroy 0 0 0"), trace.end());
}

TEST_F(Window, CloseGivenToDefWindowProcDeactivatesAndDestroysAtOnce) {
    HWND window = CreateShownWindow();
    reaction = QuitsOnDestroy;
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(Trace(),
              (Lines{"close 0 0 0", "activate 0 0 0", "destroy 0 0 0", "ncdestroy 0 0 0"}));
    EXPECT_EQ(GetFocus(), nullptr);
    MSG msg;
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(Window, CloseBoxArrivesAsSystemCommandAndClosesThroughDefaultProcessing) {
    HWND window = CreateShownWindow();
    VdeskClickClose(window);
    EXPECT_TRUE(IsWindow(window)); // queued, not yet handled
    MSG msg; // GetMessage finds what the desktop's report posts, without waiting for more
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_SYSCOMMAND));
    DispatchMessageA(&msg);
    DispatchWaiting();
    EXPECT_EQ(Trace(), (Lines{"syscommand 61536 0 0", "close 0 0 0", "activate 0 0 0",
                              "destroy 0 0 0", "ncdestroy 0 0 0"})); // SC_CLOSE
    EXPECT_FALSE(IsWindow(window));
}

int DestroysWhenActivated(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
        DestroyWindow(window);
        *result = 0;
        return 1;
    }
    return 0;
}

TEST_F(Window, DestroyedInsideShowWindowGetsNothingMore) {
    HWND window = CreateTestWindow();
    reaction = DestroysWhenActivated;
    ShowWindow(window, SW_SHOWDEFAULT);
    EXPECT_FALSE(IsWindow(window));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().message, static_cast<UINT>(WM_NCDESTROY));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

int CreatesManyOnCreate(HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    static bool nested = false;
    if (message == WM_CREATE && !nested) {
        nested = true;
        for (int i = 0; i < 40; ++i) {
            EXPECT_NE(CreateTestWindow(), nullptr);
        }
        nested = false;
    }
    return 0;
}

TEST_F(Window, WindowsCreatedFromWithinCreationAllWork) {
    reaction = CreatesManyOnCreate;
    HWND window = CreateTestWindow(WS_VISIBLE);
    ASSERT_NE(window, nullptr);
    RECT r;
    ASSERT_TRUE(GetClientRect(window, &r));
    ExpectRect(r, 0, 0, 600, 500);
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(Window, CaptureTakesEveryMouseMessageInItsClientCoordinates) {
    HWND window = CreateShownWindow();
    HWND other = CreateShownWindow();
    MoveWindow(other, 300, 300, 208, 127, FALSE); // client corner (304, 323)
    DiscardMessages();

    // Without capture a point outside the client area reaches no one.
    VdeskMouseMove(window, -10, 20);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE));

    EXPECT_EQ(SetCapture(window), nullptr);
    EXPECT_EQ(GetCapture(), window);
    VdeskMouseMove(window, -10, 20);
    // Over another window too, relative to the captor's client corner (104, 122).
    VdeskKeyDown(VK_SHIFT);
    VdeskMouseButton(other, 1, 1, 6, 8);
    VdeskMouseMove(other, 1, 2);
    seen.clear();
    DispatchWaiting();
    EXPECT_EQ(Trace(), (Lines{"512 0 -10 20", "256 16 1 0", "513 5 206 209",
                              "512 5 201 203"})); // MK_LBUTTON|MK_SHIFT
    for (const SeenMessage& m : seen) {
        EXPECT_EQ(m.window, m.message == WM_KEYDOWN ? other : window);
    }

    EXPECT_EQ(SetCapture(other), window); // the previous captor
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(ReleaseCapture()); // with nothing captured, too
}

TEST_F(Window, DestroyingTheCaptorEndsTheCapture) {
    HWND window = CreateShownWindow();
    SetCapture(window);
    DestroyWindow(window);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SetCapture(nullptr), nullptr);
}

} // namespace
