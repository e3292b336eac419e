// Window procedures that create and destroy windows from inside WM_CREATE, WM_SIZE,
// WM_ACTIVATE and WM_DESTROY. The core must never touch a record that went away or moved
// meanwhile; under AddressSanitizer a use after free ends the test.
#include <gtest/gtest.h>

#include <string>

#include "desk.h"

namespace {

HWND target = nullptr; // the window a reaction destroys
int fired = 0;         // how often a reaction did its work

class Reentry : public DesktopTest {
  protected:
    void SetUp() override {
        DesktopTest::SetUp();
        target = nullptr;
        fired = 0;
    }
};

// Registers `count` classes and creates a window of each, so that every table grows.
void CreateMany(int count) {
    for (int i = 0; i < count; ++i) {
        std::string name = "Reentry" + std::to_string(fired) + "_" + std::to_string(i);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = name.c_str();
        RegisterClassA(&wc);
        EXPECT_NE(CreateWindowExA(0, name.c_str(), "Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  200, 100, nullptr, nullptr, nullptr, nullptr),
                  nullptr);
    }
}

LRESULT CALLBACK CreatesWhileCreated(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE && fired++ == 0) {
        CreateMany(40);
        // What the creation hands the procedure is still intact after all that. (A short
        // class name lives inside the class record itself.)
        const CREATESTRUCTA* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        EXPECT_STREQ(cs->lpszClass, "Short");
        EXPECT_STREQ(cs->lpszName, "Test");
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Reentry, WindowsCreatedInsideWmCreate) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CreatesWhileCreated;
    wc.lpszClassName = "Short";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND window = CreateWindowExA(0, "Short", "Test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                  100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetFocus(), window);
}

bool desktopReporting = false; // inside a desktop control: no window procedure may run now
bool ranInsideDesktop = false;
UINT destroyIn = 0; // the message whose handling destroys the target

int DestroysItselfIn(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    ranInsideDesktop = ranInsideDesktop || desktopReporting;
    bool losing = message != WM_ACTIVATE || LOWORD(wParam) == WA_INACTIVE;
    if (message == destroyIn && losing && window == target && fired++ == 0) {
        CreateMany(40);
        DestroyWindow(window);
    }
    return 0;
}

TEST_F(Reentry, WindowsCreatedAndTheWindowDestroyedInsideWmSize) {
    reaction = DestroysItselfIn;
    destroyIn = WM_SIZE;
    // On showing and on moving, from inside the program's own calls.
    for (int way = 0; way < 2; ++way) {
        fired = 0;
        target = CreateTestWindow();
        ASSERT_NE(target, nullptr);
        if (way == 0) {
            ShowWindow(target, SW_SHOW);
        } else {
            EXPECT_TRUE(MoveWindow(target, 10, 10, 300, 200, TRUE));
        }
        EXPECT_FALSE(IsWindow(target)) << "way " << way;
        EXPECT_NE(GetFocus(), target);
    }
}

// What the desktop changes reaches the window only as the program retrieves its messages,
// never from inside the desktop's own report; a window that destroys itself there leaves
// nothing behind that the rest of the change could touch.
TEST_F(Reentry, AWindowDestroyedInsideTheMessageOfADesktopChange) {
    const struct {
        const char* change;
        UINT message;
        void (*make)(HWND window);
    } cases[] = {
        {"resize", WM_SIZE, [](HWND w) { VdeskResize(w, 320, 240); }},
        {"move", WM_MOVE, [](HWND w) { VdeskMove(w, 50, 60); }},
        {"restore", WM_SIZE,
         [](HWND w) {
             VdeskMinimize(w);
             VdeskRestore(w);
             VdeskResize(w, 300, 200);
         }},
        {"focus to another program", WM_ACTIVATE, [](HWND) { VdeskActivateOther(); }},
        {"resize and move at once", WM_SIZE,
         [](HWND w) {
             VdeskResize(w, 320, 240);
             VdeskMove(w, 50, 60);
             VdeskActivateOther();
         }},
    };
    reaction = DestroysItselfIn;
    for (const auto& c : cases) {
        fired = 0;
        ranInsideDesktop = false;
        destroyIn = c.message;
        target = CreateShownWindow();
        desktopReporting = true;
        c.make(target);
        desktopReporting = false;
        EXPECT_TRUE(IsWindow(target)) << c.change << ": nothing happens before retrieval";
        DispatchWaiting();
        EXPECT_FALSE(IsWindow(target)) << c.change;
        EXPECT_FALSE(ranInsideDesktop) << c.change;
        EXPECT_EQ(fired, 1) << c.change;
    }
}

// A close request and an answer that come while a box opens: the owner, disabled from
// before the box opened, stays; the answer is kept.
TEST_F(Reentry, ACloseAndAnAnswerWhileABoxOpens) {
    HWND owner = CreateShownWindow();
    reaction = DestroysItselfIn; // notes where it runs; destroys nothing here
    destroyIn = 0;
    VdeskSetBoxOpenHook([](HWND boxOwner, void* box) {
        desktopReporting = true;
        VdeskClickClose(boxOwner);
        VdeskAnswerBox(box, IDCANCEL);
        desktopReporting = false;
    });
    ranInsideDesktop = false;
    EXPECT_EQ(MessageBoxA(owner, "text", "Error", MB_OK), IDCANCEL);
    EXPECT_TRUE(IsWindow(owner));
    EXPECT_FALSE(ranInsideDesktop);
    DispatchWaiting();
    EXPECT_TRUE(IsWindow(owner)) << "the close went with the box";
    for (const std::string& line : Trace()) {
        EXPECT_TRUE(line.rfind("close", 0) != 0 && line.rfind("syscommand", 0) != 0) << line;
    }
}

int DestroysTheOtherWhenDeactivated(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE && window != target &&
        fired++ == 0) {
        DestroyWindow(target);
        CreateMany(40);
    }
    return 0;
}

TEST_F(Reentry, TheWindowBeingActivatedDestroyedInsideTheOthersWmActivate) {
    HWND first = CreateShownWindow();
    ASSERT_EQ(GetFocus(), first);
    target = CreateTestWindow();
    reaction = DestroysTheOtherWhenDeactivated;
    ShowWindow(target, SW_SHOW);
    EXPECT_FALSE(IsWindow(target));
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == nullptr || IsWindow(focus));
}

int CreatesAndDestroysWhenDestroyed(HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_DESTROY && window != target && fired++ == 0) {
        CreateMany(40);
        DestroyWindow(target);
        EXPECT_FALSE(DestroyWindow(window)) << "a window already going goes only once";
    }
    return 0;
}

TEST_F(Reentry, WindowsCreatedAndDestroyedInsideWmDestroy) {
    HWND window = CreateShownWindow();
    target = CreateShownWindow();
    reaction = CreatesAndDestroysWhenDestroyed;
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(target));
    EXPECT_EQ(fired, 1);
}

} // namespace
