// The palette on a 256-colour display: built at the open, realized on activation,
// the static colours taken and given back with the user's colours from the registry.
#include <gtest/gtest.h>

#include <algorithm>

#include "desk_controls.h"
#include "toolkit/palette.h"
#include "toolkit_fixture.h"

namespace {

std::vector<PALETTEENTRY> WindowPaletteEntries(void) {
    std::vector<PALETTEENTRY> entries(256);
    GetPaletteEntries(windowState.palette, 0, 256, entries.data());
    return entries;
}

LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return WtWindowProc(windowState.window, message, wParam, lParam);
}

size_t CallsNamed(const std::vector<std::string>& log, const std::string& name) {
    return static_cast<size_t>(std::count(log.begin(), log.end(), name));
}

// Position of the last call with this name, or log.size().
size_t LastCall(const std::vector<std::string>& log, const std::string& name) {
    for (size_t i = log.size(); i-- > 0;) {
        if (log[i] == name) {
            return i;
        }
    }
    return log.size();
}

void SetRegistryColor(const char* name, const char* text) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Colors", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, &disposition);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
}

} // namespace

TEST(PaletteDisplay, OpenBuildsTheRampWithTheDefaultColours) {
    DeskUsePaletteDisplay(false);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    ASSERT_NE(windowState.palette, nullptr);
    EXPECT_EQ(windowState.usesStaticColors, 0);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    std::vector<PALETTEENTRY> entries = WindowPaletteEntries();
    // Entry 172: red 4 -> 171, green 5 -> 200, blue 2 -> 191, a plain ramp entry.
    EXPECT_EQ(entries[172].peRed, 171);
    EXPECT_EQ(entries[172].peGreen, 200);
    EXPECT_EQ(entries[172].peBlue, 191);
    EXPECT_EQ(entries[172].peFlags, PC_NOCOLLAPSE);
    // Default colours: 192, 192, 192 at 173 and 166, 202, 240 at 236, plain entries.
    EXPECT_EQ(entries[173].peRed, 192);
    EXPECT_EQ(entries[173].peBlue, 192);
    EXPECT_EQ(entries[173].peFlags, 0);
    EXPECT_EQ(entries[236].peRed, 166);
    EXPECT_EQ(entries[236].peGreen, 202);
    EXPECT_EQ(entries[236].peBlue, 240);
    // Building again changes nothing.
    HPALETTE palette = windowState.palette;
    EXPECT_EQ(BuildRgbPalette(windowState.dc), palette);
}

TEST(PaletteDisplay, ActivationRealizesAndDeactivationStillDefaults) {
    DeskUsePaletteDisplay(false);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    ASSERT_NE(windowState.palette, nullptr);
    size_t before = CallsNamed(DeskCallLog(), "RealizePalette");
    EXPECT_EQ(Send(WM_ACTIVATE, WA_ACTIVE, 0), 1);
    EXPECT_EQ(CallsNamed(DeskCallLog(), "RealizePalette"), before + 1);
    // Minimized: default processing only, no realization.
    LRESULT expected = DefWindowProcA(windowState.window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
    before = CallsNamed(DeskCallLog(), "RealizePalette");
    EXPECT_EQ(Send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0), expected);
    EXPECT_EQ(CallsNamed(DeskCallLog(), "RealizePalette"), before);
    std::vector<std::string> log = DeskCallLog();
    size_t defaults = CallsNamed(log, "DefWindowProcA");
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    log = DeskCallLog();
    EXPECT_EQ(CallsNamed(log, "RealizePalette"), before + 1);
    EXPECT_EQ(CallsNamed(log, "DefWindowProcA"), defaults + 1);
}

TEST(PaletteDisplay, PaletteChangedByAnotherWindowRealizesInTheBackground) {
    DeskUsePaletteDisplay(false);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    size_t before = CallsNamed(DeskCallLog(), "RealizePalette");
    Send(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(windowState.window), 0);
    EXPECT_EQ(CallsNamed(DeskCallLog(), "RealizePalette"), before);
    Send(WM_PALETTECHANGED, 0x1234, 0);
    EXPECT_EQ(CallsNamed(DeskCallLog(), "RealizePalette"), before + 1);
    windowState.staticColorsTaken = 1;
    Send(WM_PALETTECHANGED, 0x1234, 0);
    EXPECT_EQ(CallsNamed(DeskCallLog(), "RealizePalette"), before + 1);
    windowState.staticColorsTaken = 0;
}

TEST(PaletteDisplay, StaticColoursAreTakenWhileActiveAndGivenBackAtRelease) {
    DeskUsePaletteDisplay(true);
    COLORREF windowBefore = GetSysColor(COLOR_WINDOW);
    COLORREF textBefore = GetSysColor(COLOR_WINDOWTEXT);
    SetRegistryColor("Window", "10 20 30");
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    ASSERT_NE(windowState.palette, nullptr);
    EXPECT_EQ(windowState.usesStaticColors, 1);
    EXPECT_EQ(windowState.staticColorsTaken, 1);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT) & 0xFFFFFF, 0u);
    EXPECT_EQ(GetSysColor(COLOR_BACKGROUND) & 0xFFFFFF, 0u);
    std::vector<PALETTEENTRY> entries = WindowPaletteEntries();
    EXPECT_EQ(entries[0].peFlags, 0);
    EXPECT_EQ(entries[255].peFlags, 0);
    EXPECT_EQ(entries[173].peRed, 200);
    EXPECT_EQ(entries[173].peFlags, PC_NOCOLLAPSE);
    // Taking again changes nothing.
    EXPECT_EQ(TakeStaticColors(windowState.dc), 1);

    WtCloseWindow(windowState.window);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x001E140Au); // from the registry
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), textBefore); // saved at the take
    (void)windowBefore;
    std::vector<std::string> log = DeskCallLog();
    size_t restore = LastCall(log, "SetSystemPaletteUse");
    size_t deleted = LastCall(log, "DeleteObject");
    ASSERT_LT(restore, log.size());
    ASSERT_LT(deleted, log.size());
    EXPECT_LT(restore, deleted);
    EXPECT_EQ(RestoreStaticColors(GetDC(nullptr)), 0);
}

TEST(PaletteDisplay, DeactivationGivesTheColoursBackAndActivationTakesThemAgain) {
    DeskUsePaletteDisplay(true);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    ASSERT_EQ(windowState.staticColorsTaken, 1);
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    EXPECT_EQ(Send(WM_ACTIVATE, WA_CLICKACTIVE, 0), 1);
    EXPECT_EQ(windowState.staticColorsTaken, 1);
    PumpMessages();
    EXPECT_EQ(windowState.staticColorsTaken, 1);
    EXPECT_NE(windowState.palette, nullptr);
}

TEST(PaletteDisplay, ColourIndexFormatsGetNoPalette) {
    DeskUsePaletteDisplay(false);
    windowState.usesStaticColors = 1;
    WtSetDisplayMode(DM_INDEX);
    WtSetPosition(100, 100, 600, 500);
    if (WtOpenWindow("Vorlanth", 0) == 1) {
        EXPECT_EQ(windowState.palette, nullptr);
        EXPECT_EQ(windowState.usesStaticColors, 1);
    }
}
