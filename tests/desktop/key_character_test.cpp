// Characters that a backend reads from the keyboard's layout travel with their key press
// and are what TranslateMessage produces; presses without one use the US layout.
#include <gtest/gtest.h>

#include <string>

#include "core_events.h"
#include "desk.h"

namespace {

class KeyCharacter : public ShownWindowTest {};

TEST_F(KeyCharacter, TheLayoutsCharacterWinsOverTheUsTable) {
    CoreNotifyKey(window, 'Q', 1, '@'); // Q on a German layout with AltGr
    CoreNotifyKey(window, 'Q', 0, 0);
    EXPECT_EQ(Typed(), "@");
    CoreNotifyKey(window, 'Y', 1, 'z'); // the Z key of a German layout
    CoreNotifyKey(window, 'Y', 0, 0);
    EXPECT_EQ(Typed(), "z");
}

// The ANSI code page is Latin-1: its characters pass as bytes, others type nothing.
TEST_F(KeyCharacter, CharactersBeyondTheCodePageTypeNothing) {
    const struct {
        int character;
        const char* typed;
    } cases[] = {{0xE9, "\xE9"}, {0xFF, "\xFF"}, {0x100, ""}, {0x20AC, ""}, {0x1F600, ""}};
    for (const auto& c : cases) {
        CoreNotifyKey(window, 'E', 1, c.character);
        CoreNotifyKey(window, 'E', 0, 0);
        EXPECT_EQ(Typed(), c.typed) << "U+" << std::hex << c.character;
    }
}

TEST_F(KeyCharacter, NoCharacterMeansNoCharMessageAndTheKeyStillArrives) {
    CoreNotifyKey(window, 'A', 1, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('A'));
    EXPECT_TRUE(TranslateMessage(&msg));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_CHAR, WM_CHAR, PM_NOREMOVE));
    CoreNotifyKey(window, 'A', 0, 0);
    EXPECT_EQ(Typed(), "");
}

TEST_F(KeyCharacter, PressesWithoutACharacterUseTheUsLayout) {
    CoreNotifyKey(window, 'Q', 1, '@');
    CoreNotifyKey(window, 'Q', 0, 0);
    CoreNotifyKey(window, 'Q', 1, -1); // from a display that gives no characters
    CoreNotifyKey(window, 'Q', 0, 0);
    EXPECT_EQ(Typed(), "@q");
}

TEST_F(KeyCharacter, TheCharacterBelongsOnlyToTheMessageItCameWith) {
    CoreNotifyKey(window, 'Q', 1, '@');
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    MSG other = msg;
    other.wParam = 'W'; // a message of the program's own making
    EXPECT_TRUE(TranslateMessage(&other));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('w'));
}

TEST_F(KeyCharacter, ACharacterForAWindowThatIsGoneQueuesNothing) {
    DestroyWindow(window);
    DiscardMessages();
    CoreNotifyKey(window, 'Q', 1, '@');
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
}

} // namespace
