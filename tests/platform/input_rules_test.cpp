// The rules the core applies to the backend's raw input as the program retrieves it: the
// capture a press sets takes the moves that came after the press, window events keep their
// place behind input, a message box's owner takes no input, and activation goes to the
// topmost window that is left.
#include <gtest/gtest.h>

#include "core_events.h"
#include "desk.h"

namespace {

class InputRules : public DesktopTest {};
using Lines = std::vector<std::string>;

int CapturesOnPress(HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_LBUTTONDOWN) {
        SetCapture(window);
    } else if (message == WM_LBUTTONUP) {
        ReleaseCapture();
    }
    return 0;
}

enum Step { MOVE, DOWN, UP, KEY, SIZE };
struct Injected {
    Step step;
    int x, y;
};
struct InputCase {
    const char* name;
    Reaction reaction;
    std::vector<Injected> input; // all given before the program retrieves any of it
    Lines expected;              // "message wParam x y" in decimal
};

TEST_F(InputRules, InputBecomesMessagesInOrderAsTheProgramRetrievesIt) {
    const InputCase cases[] = {
        // The moves came before the program saw the press, yet the capture it set there takes
        // them, outside the 600 x 500 client area too: a press holds back what follows.
        {"press, then moves outside with capture",
         CapturesOnPress,
         {{DOWN, 10, 10}, {MOVE, 650, 20}, {MOVE, -5, 600}, {UP, 700, 700}},
         {"513 1 10 10", "512 1 650 20", "512 1 -5 600", "514 0 700 700"}},
        {"press, then moves outside without capture",
         nullptr,
         {{DOWN, 10, 10}, {MOVE, 650, 20}, {UP, 700, 700}, {MOVE, 30, 40}},
         {"513 1 10 10", "512 0 30 40"}},
        {"a resize after a key and a press",
         nullptr,
         {{KEY, 'A', 0}, {DOWN, 1, 2}, {SIZE, 300, 200}, {UP, 1, 2}},
         {"256 65 1 0", "258 97 1 0", "513 1 1 2", "size 0 300 200", "514 0 1 2"}},
    };
    for (const InputCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartDesktop();
        HWND window = CreateShownWindow();
        reaction = c.reaction;
        for (const Injected& i : c.input) {
            if (i.step == MOVE || i.step == DOWN || i.step == UP) {
                (i.step == MOVE) ? VdeskMouseMove(window, i.x, i.y)
                                 : VdeskMouseButton(window, 1, i.step == DOWN, i.x, i.y);
            } else {
                (i.step == KEY) ? VdeskKeyDown(i.x) : VdeskResize(window, i.x, i.y);
            }
        }
        DispatchWaiting();
        EXPECT_EQ(Trace(), c.expected);
        ReleaseCapture();
        DestroyWindow(window);
    }
}

HWND owner, other;
int OpensABox(HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_USER) {
        MessageBoxA(window, "text", "caption", MB_OK);
    }
    return 0;
}

TEST_F(InputRules, ABoxsOwnerTakesNoInputWhileTheBoxIsUp) {
    owner = CreateShownWindow();
    other = CreateShownWindow();
    reaction = OpensABox;
    PostMessageA(owner, WM_USER, 0, 0);
    VdeskMouseMove(owner, 5, 5);
    VdeskMouseButton(owner, 1, 1, 5, 5);
    VdeskMouseMove(other, 6, 6);
    VdeskClickClose(owner);
    DispatchWaiting(); // the box is answered once its loop has served everything
    ASSERT_EQ(VdeskMessageBoxCount(), 1);
    VdeskMouseMove(owner, 7, 7);
    DispatchWaiting();
    Lines got;
    for (const SeenMessage& m : seen) {
        if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONDOWN ||
            m.message == WM_SYSCOMMAND) {
            got.push_back((m.window == owner ? "owner " : "other ") + std::to_string(m.message) +
                          " " + std::to_string(LOWORD(m.lParam)));
        }
    }
    EXPECT_EQ(got, (Lines{"other 512 6", "owner 512 7"}));
    EXPECT_TRUE(IsWindow(owner));
}

TEST_F(InputRules, AGoingOrHiddenActiveWindowHandsActivationToTheTopmostLeft) {
    for (bool destroy : {true, false}) {
        StartDesktop();
        HWND first = CreateShownWindow(), second = CreateShownWindow();
        HWND third = CreateShownWindow(); // the topmost, until the first is activated again
        SetFocus(first);
        destroy ? DestroyWindow(first) : ShowWindow(first, SW_HIDE);
        EXPECT_EQ(GetActiveWindow(), third) << (destroy ? "destroyed" : "hidden");
        EXPECT_NE(GetActiveWindow(), second);
        DestroyWindow(second);
        DestroyWindow(third);
    }
}

int SevenPixels(const std::string& line, void*) { return 7 * static_cast<int>(line.size()); }

TEST(MessageBoxLayout, LinesAndButtonAsWorkedOut) {
    // 16 margin, 10 a line, 16, the 26-high button, 16: 94 high; at least 240 wide.
    MessageBoxLayout a = CoreLayOutMessageBox("ab\r\ncdef\n", 10, SevenPixels, nullptr);
    EXPECT_EQ(a.lines, (Lines{"ab", "cdef"}));
    EXPECT_EQ(a.width, 240);
    EXPECT_EQ(a.height, 94);
    EXPECT_EQ(a.button.left, 80);
    EXPECT_EQ(a.button.top, 52);
    EXPECT_EQ(a.button.right, 160);
    EXPECT_EQ(a.button.bottom, 78);
    // 40 characters of 7 pixels and two margins; a blank line inside counts, one alone too.
    MessageBoxLayout b = CoreLayOutMessageBox(std::string(40, 'x').append("\n\nz").c_str(), 10,
                                              SevenPixels, nullptr);
    EXPECT_EQ(b.width, 312);
    EXPECT_EQ(b.lines.size(), 3u);
    EXPECT_EQ(CoreLayOutMessageBox("", 10, SevenPixels, nullptr).lines, (Lines{""}));

    // OK, at (80, 52)-(160, 78) above, looks pressed from a press on it to the release.
    const struct {
        int down, x, y, redraw;
        bool pressed;
    } clicks[] = {{0, 100, 60, 0, false}, {1, 79, 60, 0, false}, {1, 80, 52, 1, true},
                  {0, 160, 60, 1, false}, {1, 159, 77, 1, true}, {0, 100, 60, 1, false}};
    for (const auto& c : clicks) {
        EXPECT_EQ(CoreMessageBoxButton(nullptr, &a, c.down, c.x, c.y), c.redraw) << c.x;
        EXPECT_EQ(a.pressed, c.pressed) << c.x;
    }
}

} // namespace
