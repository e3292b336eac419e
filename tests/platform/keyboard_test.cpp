// Key messages, their translation into characters and the key state seen by GetKeyState.
#include <gtest/gtest.h>

#include <string>

#include "desk.h"

namespace {

class Keyboard : public ShownWindowTest {};

std::string TypeKey(int key) {
    VdeskPressKey(key);
    return Typed();
}

std::string TypeWith(int modifier, int key) {
    VdeskKeyDown(modifier);
    VdeskPressKey(key);
    VdeskKeyUp(modifier);
    return Typed();
}

TEST_F(Keyboard, KeysArriveAsDownAndUpWithTheVirtualKeyCode) {
    VdeskPressKey('Q');
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('Q'));
    EXPECT_EQ(msg.lParam & 0xFFFF, 1);                         // repeat count
    EXPECT_EQ((static_cast<DWORD>(msg.lParam) >> 31) & 1, 0u); // being pressed
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('Q'));
    EXPECT_EQ((static_cast<DWORD>(msg.lParam) >> 30) & 3, 3u); // was down, being released
    // A key held down repeats with its previous state down.
    VdeskKeyDown('R');
    VdeskKeyDown('R');
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ((static_cast<DWORD>(msg.lParam) >> 30) & 3, 0u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ((static_cast<DWORD>(msg.lParam) >> 30) & 3, 1u);
}

TEST_F(Keyboard, LettersTakeTheCaseShiftAndCapsLockGive) {
    EXPECT_EQ(TypeKey('A'), "a");
    EXPECT_EQ(TypeWith(VK_SHIFT, 'B'), "B");
    VdeskSetCapsLock(1);
    EXPECT_EQ(TypeKey('C'), "C");
    EXPECT_EQ(TypeWith(VK_SHIFT, 'D'), "d");
    EXPECT_EQ(TypeKey('7'), "7"); // Caps Lock leaves digits alone
    VdeskSetCapsLock(0);
    EXPECT_EQ(TypeKey('Z'), "z");
}

TEST_F(Keyboard, DigitsAndTheKeysWithControlCharacters) {
    std::string digits;
    for (int key = '0'; key <= '9'; ++key) {
        digits += TypeKey(key);
    }
    EXPECT_EQ(digits, "0123456789");
    EXPECT_EQ(TypeKey(VK_RETURN), std::string(1, 13));
    EXPECT_EQ(TypeKey(VK_ESCAPE), std::string(1, 27));
    EXPECT_EQ(TypeKey(VK_SPACE), std::string(1, 32));
    EXPECT_EQ(TypeKey(VK_BACK), std::string(1, 8));
    EXPECT_EQ(TypeKey(VK_TAB), std::string(1, 9));
}

TEST_F(Keyboard, ControlWithALetterGivesItsPlaceInTheAlphabet) {
    EXPECT_EQ(TypeWith(VK_CONTROL, 'A'), std::string(1, 1));
    EXPECT_EQ(TypeWith(VK_CONTROL, 'M'), std::string(1, 13));
    EXPECT_EQ(TypeWith(VK_CONTROL, 'Z'), std::string(1, 26));
    VdeskKeyDown(VK_SHIFT);
    EXPECT_EQ(TypeWith(VK_CONTROL, 'C'), std::string(1, 3));
    VdeskKeyUp(VK_SHIFT);
    Typed();
}

TEST_F(Keyboard, KeysWithoutACharacterGiveNoCharacterMessage) {
    for (int key : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT,
                    VK_INSERT, VK_DELETE, VK_F1, VK_F12, VK_SHIFT, VK_CONTROL, VK_CAPITAL}) {
        EXPECT_EQ(TypeKey(key), "") << key;
    }
    // Key messages translate to nonzero whether or not a character came of them.
    VdeskPressKey(VK_LEFT);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_NE(TranslateMessage(&msg), FALSE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
    EXPECT_NE(TranslateMessage(&msg), FALSE);
    msg.message = WM_USER;
    EXPECT_EQ(TranslateMessage(&msg), FALSE);
}

TEST_F(Keyboard, TheCharacterComesRightAfterItsKeyAheadOfLaterInput) {
    VdeskKeyDown('E');
    VdeskKeyDown('F');
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    TranslateMessage(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('e'));
    EXPECT_EQ(msg.hwnd, window);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('F'));
}

bool Down(int key) { return (GetKeyState(key) & 0x8000) != 0; }

TEST_F(Keyboard, KeyStateIsAsOfTheLastMessageRetrieved) {
    VdeskKeyDown(VK_SHIFT);
    VdeskKeyDown('G');
    VdeskKeyUp(VK_SHIFT);
    // All three are queued; nothing retrieved yet.
    EXPECT_FALSE(Down(VK_SHIFT));
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(Down(VK_SHIFT));                              // looking is not retrieving
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)); // Shift down
    EXPECT_TRUE(Down(VK_SHIFT));
    EXPECT_LT(GetKeyState(VK_SHIFT), 0); // the high bit makes it negative
    EXPECT_FALSE(Down('G'));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0)); // G down
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('G'));
    EXPECT_TRUE(Down(VK_SHIFT));
    EXPECT_TRUE(Down('G'));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0)); // Shift up
    EXPECT_FALSE(Down(VK_SHIFT));
    EXPECT_TRUE(Down('G'));
    // Caps Lock's state is its toggle bit, also taken with the next message.
    VdeskSetCapsLock(1);
    VdeskPressKey('H');
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 0);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    EXPECT_FALSE(Down(VK_CAPITAL));
}

} // namespace
