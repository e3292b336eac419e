// Window procedures that create and destroy windows from inside WM_CREATE, WM_SIZE,
// WM_ACTIVATE and WM_DESTROY. The core must never touch a record that went away or moved
// meanwhile; under AddressSanitizer a use after free ends the test.
#include <gtest/gtest.h>

#include <string>

#include "test_window.h"
#include "vdesk_control.h"

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

int DestroysItselfWhenSized(HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_SIZE && window == target && fired++ == 0) {
        CreateMany(40);
        DestroyWindow(window);
    }
    return 0;
}

TEST_F(Reentry, WindowsCreatedAndTheWindowDestroyedInsideWmSize) {
    reaction = DestroysItselfWhenSized;
    // On showing, on moving and on a resize from outside.
    for (int way = 0; way < 3; ++way) {
        fired = 0;
        target = CreateTestWindow();
        ASSERT_NE(target, nullptr);
        if (way == 0) {
            ShowWindow(target, SW_SHOW);
        } else if (way == 1) {
            EXPECT_TRUE(MoveWindow(target, 10, 10, 300, 200, TRUE));
        } else {
            VdeskResize(target, 320, 240);
        }
        EXPECT_FALSE(IsWindow(target)) << "way " << way;
        EXPECT_NE(GetFocus(), target);
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
