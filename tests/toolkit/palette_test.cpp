// The palette built from a pixel format's channel layout, the default-colour places,
// the static colours and the user's colours read back from the registry.
#include <gtest/gtest.h>

#include "palette.h"
#include "toolkit_fixture.h"

namespace {

// The levels of a narrow channel, written out here rather than taken from the code.
const int kThree[8] = {0, 63, 104, 139, 171, 200, 229, 255};
const int kTwo[4] = {0, 116, 191, 255};

PIXELFORMATDESCRIPTOR Layout(int redBits, int redShift, int greenBits, int greenShift, int blueBits,
                             int blueShift) {
    PIXELFORMATDESCRIPTOR d = {};
    d.nSize = sizeof d;
    d.nVersion = 1;
    d.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_NEED_PALETTE;
    d.iPixelType = PFD_TYPE_RGBA;
    d.cColorBits = 8;
    d.cRedBits = static_cast<BYTE>(redBits);
    d.cRedShift = static_cast<BYTE>(redShift);
    d.cGreenBits = static_cast<BYTE>(greenBits);
    d.cGreenShift = static_cast<BYTE>(greenShift);
    d.cBlueBits = static_cast<BYTE>(blueBits);
    d.cBlueShift = static_cast<BYTE>(blueShift);
    return d;
}

struct Placed {
    int red, green, blue, entry;
};

// The placement of the standard default colours in the 3-3-2 ramp, worked out by hand.
const Placed kDefaultPlaces[20] = {
    {0, 0, 0, 0},         {128, 0, 0, 3},       {0, 128, 0, 24},      {128, 128, 0, 27},
    {0, 0, 128, 64},      {128, 0, 128, 67},    {0, 128, 128, 88},    {192, 192, 192, 173},
    {192, 220, 192, 181}, {166, 202, 240, 236}, {255, 251, 240, 247}, {160, 160, 164, 164},
    {128, 128, 128, 91},  {255, 0, 0, 7},       {0, 255, 0, 56},      {255, 255, 0, 63},
    {0, 0, 255, 192},     {255, 0, 255, 199},   {0, 255, 255, 248},   {255, 255, 255, 255},
};

bool IsDefaultPlace(int entry) {
    for (const Placed& place : kDefaultPlaces) {
        if (place.entry == entry) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(Ramp, ThreeThreeTwoRampWithTheDefaultColoursPlaced) {
    PIXELFORMATDESCRIPTOR format = Layout(3, 0, 3, 3, 2, 6);
    PALETTEENTRY entries[256];
    windowState.usesStaticColors = 0;
    ASSERT_EQ(FillRgbEntries(&format, entries, 256), entries);
    // Entry 173's ramp colour (200, 200, 191) gives way to the default colour 192, 192, 192.
    EXPECT_EQ(ExpandComponent(173, 3, 0), 200);
    EXPECT_EQ(ExpandComponent(173, 3, 3), 200);
    EXPECT_EQ(ExpandComponent(173, 2, 6), 191);
    for (int i = 0; i < 256; i++) {
        if (IsDefaultPlace(i)) {
            continue;
        }
        EXPECT_EQ(entries[i].peRed, kThree[i % 8]) << i;
        EXPECT_EQ(entries[i].peGreen, kThree[(i / 8) % 8]) << i;
        EXPECT_EQ(entries[i].peBlue, kTwo[i / 64]) << i;
        EXPECT_EQ(entries[i].peFlags, PC_NOCOLLAPSE) << i;
    }
    for (int j = 0; j < 20; j++) {
        const Placed& place = kDefaultPlaces[j];
        EXPECT_EQ(DefaultColorSlots[j], place.entry) << j;
        const PALETTEENTRY& e = entries[place.entry];
        EXPECT_EQ(e.peRed, place.red) << j;
        EXPECT_EQ(e.peGreen, place.green) << j;
        EXPECT_EQ(e.peBlue, place.blue) << j;
        EXPECT_EQ(e.peFlags, 0) << j;
    }
}

TEST(Ramp, MatchingFromAScrambledStartFindsTheSamePlaces) {
    for (int32_t& slot : DefaultColorSlots) {
        slot = 99;
    }
    PIXELFORMATDESCRIPTOR format = Layout(3, 0, 3, 3, 2, 6);
    PALETTEENTRY entries[256];
    FillRgbEntries(&format, entries, 256);
    for (int j = 0; j < 20; j++) {
        EXPECT_EQ(DefaultColorSlots[j], kDefaultPlaces[j].entry) << j;
    }
}

TEST(Ramp, StaticColoursKeepAPureRampWithPlainEnds) {
    PIXELFORMATDESCRIPTOR format = Layout(3, 0, 3, 3, 2, 6);
    PALETTEENTRY entries[256];
    windowState.usesStaticColors = 1;
    FillRgbEntries(&format, entries, 256);
    EXPECT_EQ(entries[173].peRed, 200);
    EXPECT_EQ(entries[173].peGreen, 200);
    EXPECT_EQ(entries[173].peBlue, 191);
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(entries[i].peRed, kThree[i % 8]) << i;
        EXPECT_EQ(entries[i].peGreen, kThree[(i / 8) % 8]) << i;
        EXPECT_EQ(entries[i].peBlue, kTwo[i / 64]) << i;
        EXPECT_EQ(entries[i].peFlags, (i == 0 || i == 255) ? 0 : PC_NOCOLLAPSE) << i;
    }
}

TEST(Ramp, OtherLayoutsKeepThePureRamp) {
    // Blue in the low bits: 2-3-3 with blue at 0, green at 2, red at 5.
    PIXELFORMATDESCRIPTOR format = Layout(3, 5, 3, 2, 2, 0);
    PALETTEENTRY entries[256];
    FillRgbEntries(&format, entries, 256);
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(entries[i].peRed, kThree[(i >> 5) % 8]) << i;
        EXPECT_EQ(entries[i].peGreen, kThree[(i >> 2) % 8]) << i;
        EXPECT_EQ(entries[i].peBlue, kTwo[i % 4]) << i;
        EXPECT_EQ(entries[i].peFlags, PC_NOCOLLAPSE) << i;
    }
}

TEST(Ramp, WideAndOneBitChannels) {
    // 4 bits of red: the level is the shifted index cut to 8 bits, not spread.
    EXPECT_EQ(ExpandComponent(0x0B, 4, 0), 0x0B);
    EXPECT_EQ(ExpandComponent(0xF0, 4, 4), 0x0F);
    EXPECT_EQ(ExpandComponent(0x1234, 8, 4), 0x23);
    EXPECT_EQ(ExpandComponent(2, 1, 1), 255);
    EXPECT_EQ(ExpandComponent(2, 1, 0), 0);
    EXPECT_EQ(ExpandComponent(9, 2, 2), 191);
    EXPECT_EQ(ExpandComponent(13, 2, 2), 255);
    EXPECT_EQ(ExpandComponent(13, 3, 0), 200);
    // A shift of 32 or more leaves nothing of the index.
    EXPECT_EQ(ExpandComponent(5, 3, 32), 0);
    EXPECT_EQ(ExpandComponent(0xFF, 8, 40), 0);
    EXPECT_EQ(ExpandComponent(-1, 8, 31), 1);
    // A 16-entry palette (1-2-1) is a pure ramp without default colours.
    PIXELFORMATDESCRIPTOR format = Layout(1, 0, 2, 1, 1, 3);
    format.cColorBits = 4;
    PALETTEENTRY entries[16];
    FillRgbEntries(&format, entries, 16);
    EXPECT_EQ(entries[15].peRed, 255);
    EXPECT_EQ(entries[15].peGreen, 255);
    EXPECT_EQ(entries[15].peBlue, 255);
    EXPECT_EQ(entries[6].peRed, 0);
    EXPECT_EQ(entries[6].peGreen, 255);
    EXPECT_EQ(entries[6].peBlue, 0);
    EXPECT_EQ(entries[6].peFlags, PC_NOCOLLAPSE);
    EXPECT_EQ(FillRgbEntries(&format, nullptr, 16), nullptr);
}

TEST(TrueColour, NoPaletteIsBuiltAndRealizationFails) {
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(windowState.usesStaticColors, 0);
    EXPECT_EQ(BuildRgbPalette(windowState.dc), nullptr);
    EXPECT_EQ(RealizeWindowPalette(windowState.dc, nullptr, 0), -1);
}

TEST(StaticColors, RestoringWhatWasNotTakenChangesNothing) {
    HDC screen = GetDC(nullptr);
    COLORREF before = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(RestoreStaticColors(screen), 0);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), before);
    ReleaseDC(nullptr, screen);
}

TEST(StaticColors, TakingWhileTakenReturnsOneAndChangesNothing) {
    HDC screen = GetDC(nullptr);
    windowState.staticColorsTaken = 1;
    COLORREF before = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(TakeStaticColors(screen), 1);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), before);
    EXPECT_FALSE(MessagePending(WM_USER, WM_USER));
    ReleaseDC(nullptr, screen);
}

TEST(StaticColors, AFailedTakeQueuesExactlyOneRetry) {
    // A true-colour display has no static colours to give up.
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    DiscardMessages(WM_USER, WM_USER);
    COLORREF before = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(TakeStaticColors(windowState.dc), 0);
    EXPECT_EQ(TakeStaticColors(windowState.dc), 0);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), before);
    EXPECT_EQ(DiscardMessages(WM_USER, WM_USER), 1);
}

namespace {

HKEY OpenColorsKey(void) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Colors", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, &disposition);
    return key;
}

void SetText(HKEY key, const char* name, const char* text, DWORD size) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

} // namespace

TEST(Registry, StringsBecomeColoursAndEverythingElseKeepsTheSavedOne) {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Control Panel\\Colors"); // only the values set below
    HKEY key = OpenColorsKey();
    ASSERT_NE(key, nullptr);
    SetText(key, "Scrollbar", "255 0 0", 8);
    SetText(key, "Background", "300 0 0", 8);
    DWORD number = 0x00123456;
    RegSetValueExA(key, "ActiveTitle", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    SetText(key, "InactiveTitle", "12 34", 6);
    SetText(key, "Menu", "1\t2\n3", 6);
    // 64 bytes without a terminating zero: digits up to the last byte.
    char unterminated[64];
    memset(unterminated, ' ', sizeof unterminated);
    memcpy(unterminated, "10 20", 5);
    unterminated[62] = '3';
    unterminated[63] = '0';
    SetText(key, "Window", unterminated, 64);
    // Longer than 64 bytes.
    std::string longText(80, ' ');
    longText.replace(0, 5, "1 2 3");
    SetText(key, "WindowFrame", longText.c_str(), static_cast<DWORD>(longText.size() + 1));
    SetText(key, "MenuText", "-1 256 257", 11);
    RegCloseKey(key);

    COLORREF table[25];
    for (int i = 0; i < 25; i++) {
        table[i] = 0x00ABCDEF;
    }
    EXPECT_EQ(ReadSavedSysColors(table, 25), 1);
    EXPECT_EQ(table[0], 0x000000FFu);
    EXPECT_EQ(table[1], 0x0000002Cu);
    EXPECT_EQ(table[2], 0x00ABCDEFu); // REG_DWORD ignored
    EXPECT_EQ(table[3], 0x00ABCDEFu); // two numbers only
    EXPECT_EQ(table[4], 0x00030201u);
    EXPECT_EQ(table[5], 0x001E140Au); // 10, 20, 30
    EXPECT_EQ(table[6], 0x00ABCDEFu); // too long
    EXPECT_EQ(table[7], 0x000100FFu); // -1, 256, 257 cut to 8 bits
    EXPECT_EQ(table[8], 0x00ABCDEFu); // missing
}

TEST(Registry, CountLimitsTheElementsRead) {
    HKEY key = OpenColorsKey();
    ASSERT_NE(key, nullptr);
    SetText(key, "ButtonHilight", "1 1 1", 6);
    SetText(key, "ButtonDkShadow", "2 2 2", 6);
    RegCloseKey(key);
    COLORREF table[25] = {};
    EXPECT_EQ(ReadSavedSysColors(table, 21), 1);
    EXPECT_EQ(table[20], 0x00010101u);
    EXPECT_EQ(table[21], 0u);
}

TEST(Registry, MissingKeyLeavesTheTableAlone) {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Control Panel\\Colors");
    COLORREF table[25];
    for (COLORREF& color : table) {
        color = 0x00445566;
    }
    EXPECT_EQ(ReadSavedSysColors(table, 25), 0);
    for (COLORREF color : table) {
        EXPECT_EQ(color, 0x00445566u);
    }
}
