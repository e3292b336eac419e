// The palette on a 256-colour display: built at the open, realized on activation and on
// request, rebuilt on system-colour changes, the static colours taken only while the
// window is active and given back with the user's colours from the registry.
#include <gtest/gtest.h>

#include <algorithm>

#include "palette.h"
#include "toolkit_fixture.h"

namespace {

// Calls with this name made since the call log held `from` entries.
size_t CallsSince(size_t from, const std::string& name) {
    std::vector<std::string> log = DeskCallLog();
    return static_cast<size_t>(std::count(log.begin() + static_cast<long>(from), log.end(), name));
}

size_t LogSize(void) { return DeskCallLog().size(); }

// Position of the first call with this name at or after `from`, or the log's size.
size_t FirstCallFrom(const std::vector<std::string>& log, size_t from, const std::string& name) {
    return static_cast<size_t>(std::find(log.begin() + static_cast<long>(from), log.end(), name) -
                               log.begin());
}

bool IsLive(HPALETTE palette) {
    PALETTEENTRY entry;
    return palette != nullptr && GetPaletteEntries(palette, 0, 1, &entry) == 1;
}

HPALETTE Stock(void) { return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)); }

// The palette selected into the device context, left selected.
HPALETTE SelectedPalette(HDC dc) {
    HPALETTE selected = SelectPalette(dc, Stock(), FALSE);
    SelectPalette(dc, selected, FALSE);
    return selected;
}

bool SameColour(const PALETTEENTRY& a, int red, int green, int blue) {
    return a.peRed == red && a.peGreen == green && a.peBlue == blue;
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

// A palette display needing the system palette, the user's saved colours holding two
// elements, and the window open with its static colours taken.
class StaticColours : public ::testing::Test {
  protected:
    void SetUp() override {
        VdeskUsePaletteDisplay(1);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Control Panel\\Colors");
        SetRegistryColor("Window", "10 20 30");
        SetRegistryColor("WindowText", "1 2 3");
        scrollbar = GetSysColor(COLOR_SCROLLBAR);
        ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
        ExpectTaken();
    }

    void ExpectTaken(void) {
        EXPECT_EQ(windowState.staticColorsTaken, 1);
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x00FFFFFFu);
        EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), 0u);
        EXPECT_EQ(GetSystemPaletteUse(windowState.dc), static_cast<UINT>(SYSPAL_NOSTATIC));
        // Taking the colours rebuilt the palette; the realization went on with the new one.
        EXPECT_TRUE(IsLive(windowState.palette));
        EXPECT_EQ(SelectedPalette(windowState.dc), windowState.palette);
    }

    // The user's colours where the registry holds them, the rest as before the take.
    void ExpectGivenBack(void) {
        EXPECT_EQ(windowState.staticColorsTaken, 0);
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x001E140Au);
        EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), 0x00030201u);
        EXPECT_EQ(GetSysColor(COLOR_SCROLLBAR), scrollbar);
        EXPECT_EQ(GetSystemPaletteUse(windowState.dc), static_cast<UINT>(SYSPAL_STATIC));
        EXPECT_TRUE(IsLive(windowState.palette));
    }

    COLORREF scrollbar = 0;
};

std::vector<HPALETTE> heldPalettes;

// Another top-level window; it hears of every system-colour change after the toolkit's
// window and notes the palette the toolkit then holds.
LRESULT CALLBACK ObserverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOLORCHANGE && windowState.palette && !heldPalettes.empty() &&
        windowState.palette != heldPalettes.back()) {
        heldPalettes.push_back(windowState.palette);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND OpenObserver(void) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ObserverProc;
    wc.lpszClassName = "observer";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "observer", "observer", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                           nullptr, nullptr, nullptr);
}

} // namespace

TEST_F(StaticColours, AnInactiveWindowLeavesThemGivenBack) {
    VdeskActivateOther();
    DispatchWaiting(); // the give-back's broadcast rebuilds the palette
    ExpectGivenBack();
    // A realization request while inactive realizes in the background only.
    QueuePaletteRealization();
    DispatchWaiting();
    ExpectGivenBack();
    VdeskActivate(windowState.window);
    DispatchWaiting();
    ExpectTaken();
}

TEST_F(StaticColours, MinimizedAndRestored) {
    VdeskMinimize(windowState.window);
    VdeskActivateOther();
    DispatchWaiting();
    ExpectGivenBack();
    // Activation while minimized is left to default processing.
    VdeskActivate(windowState.window);
    DispatchWaiting();
    ExpectGivenBack();
    VdeskRestore(windowState.window);
    DispatchWaiting();
    ExpectTaken();
}

TEST_F(StaticColours, GivenBackAtCloseBeforeThePaletteIsDeleted) {
    size_t from = LogSize();
    WtCloseWindow(windowState.window);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x001E140Au);
    EXPECT_EQ(GetSysColor(COLOR_SCROLLBAR), scrollbar);
    std::vector<std::string> log = DeskCallLog();
    size_t restore = FirstCallFrom(log, from, "SetSystemPaletteUse");
    ASSERT_LT(restore, log.size());
    EXPECT_LT(restore, FirstCallFrom(log, from, "DeleteObject"));
    EXPECT_EQ(RestoreStaticColors(GetDC(nullptr)), 0);
}

TEST_F(StaticColours, ReleaseDeletesEveryPaletteOnceThoughTheGiveBackReplacesIt) {
    heldPalettes = {windowState.palette};
    HWND observer = OpenObserver();
    HWND window = windowState.window;
    size_t from = LogSize();
    WtReleaseAll(); // the window stays, so SetSysColors' change reaches it at once
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    ASSERT_EQ(heldPalettes.size(), 2u) << "the give-back rebuilt the palette";
    for (HPALETTE palette : heldPalettes) {
        EXPECT_FALSE(IsLive(palette)) << "leaked";
    }
    // Besides the first window palette, one delete per palette created meanwhile.
    EXPECT_EQ(CallsSince(from, "DeleteObject"), CallsSince(from, "CreatePalette") + 1);
    DestroyWindow(observer);
    DestroyWindow(window);
}

TEST(PaletteDisplay, OpenBuildsTheRampWithTheDefaultColours) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    ASSERT_NE(windowState.palette, nullptr);
    EXPECT_EQ(windowState.usesStaticColors, 0);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    std::vector<PALETTEENTRY> entries(256);
    GetPaletteEntries(windowState.palette, 0, 256, entries.data());
    // Entry 172: red 4 -> 171, green 5 -> 200, blue 2 -> 191, a plain ramp entry.
    EXPECT_TRUE(SameColour(entries[172], 171, 200, 191));
    EXPECT_EQ(entries[172].peFlags, PC_NOCOLLAPSE);
    // Default colours: 192, 192, 192 at 173 and 166, 202, 240 at 236, plain entries.
    EXPECT_TRUE(SameColour(entries[173], 192, 192, 192));
    EXPECT_EQ(entries[173].peFlags, 0);
    EXPECT_TRUE(SameColour(entries[236], 166, 202, 240));
    // Realized in the foreground: the ramp fills the free system entries from 10 on, the
    // default colours sharing the static ones (entry 3 the static dark red).
    const PALETTEENTRY* system = VdeskSystemPalette();
    EXPECT_TRUE(SameColour(system[10], 63, 0, 0));
    EXPECT_TRUE(SameColour(system[11], 104, 0, 0));
    EXPECT_TRUE(SameColour(system[12], 171, 0, 0));
    EXPECT_EQ(SelectedPalette(windowState.dc), windowState.palette);
    // Building again changes nothing.
    HPALETTE palette = windowState.palette;
    EXPECT_EQ(BuildRgbPalette(windowState.dc), palette);
}

TEST(PaletteDisplay, StaticPaletteModeUsesTheStaticColours) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16 | DM_STATIC_PALETTE), 1);
    EXPECT_EQ(windowState.usesStaticColors, 1);
    EXPECT_EQ(windowState.staticColorsTaken, 1);
}

TEST(PaletteDisplay, ActivationRealizesAndReturnsOneWithoutDefaultProcessing) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    ASSERT_NE(windowState.palette, nullptr);
    size_t from = LogSize();
    EXPECT_EQ(Send(WM_ACTIVATE, WA_ACTIVE, 0), 1);
    EXPECT_EQ(CallsSince(from, "RealizePalette"), 1u);
    EXPECT_EQ(CallsSince(from, "DefWindowProcA"), 0u);
    // Minimized: default processing only, no realization.
    LRESULT expected = DefWindowProcA(windowState.window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
    from = LogSize();
    EXPECT_EQ(Send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0), expected);
    EXPECT_EQ(CallsSince(from, "RealizePalette"), 0u);
    EXPECT_EQ(CallsSince(from, "DefWindowProcA"), 1u);
    from = LogSize();
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(CallsSince(from, "RealizePalette"), 1u);
    EXPECT_EQ(CallsSince(from, "DefWindowProcA"), 1u);
}

TEST(PaletteDisplay, RealizeRequestRedrawsOnlyWhenTheSystemPaletteChanged) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    DispatchWaiting();
    HWND window = windowState.window;
    int before = VdeskInvalidateCount(window);
    size_t from = LogSize();
    EXPECT_EQ(Send(WM_USER, 0, 0), 0); // already realized: nothing changes
    EXPECT_EQ(CallsSince(from, "RealizePalette"), 1u);
    EXPECT_EQ(VdeskInvalidateCount(window), before);
    std::vector<PALETTEENTRY> grey(236, PALETTEENTRY{90, 90, 90, PC_NOCOLLAPSE});
    VdeskOtherRealizesPalette(grey.data(), 236);
    EXPECT_EQ(Send(WM_USER, 0, 0), 0);
    EXPECT_EQ(VdeskInvalidateCount(window), before + 1);
}

TEST(PaletteDisplay, PaletteChangedByAnotherWindowRealizesInTheBackground) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    size_t from = LogSize();
    Send(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(windowState.window), 0);
    EXPECT_EQ(CallsSince(from, "RealizePalette"), 0u);
    Send(WM_PALETTECHANGED, 0x1234, 0);
    EXPECT_EQ(CallsSince(from, "RealizePalette"), 1u);
    windowState.staticColorsTaken = 1;
    Send(WM_PALETTECHANGED, 0x1234, 0);
    EXPECT_EQ(CallsSince(from, "RealizePalette"), 1u);
    windowState.staticColorsTaken = 0;
}

TEST(PaletteDisplay, ColourChangeBuildsTheNewPaletteBeforeDeletingTheOld) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    DispatchWaiting();
    HPALETTE old = windowState.palette;
    size_t from = LogSize();
    Send(WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_NE(windowState.palette, old);
    EXPECT_TRUE(IsLive(windowState.palette));
    EXPECT_FALSE(IsLive(old));
    EXPECT_TRUE(MessagePending(WM_PAINT, WM_PAINT));
    std::vector<std::string> log = DeskCallLog();
    EXPECT_LT(FirstCallFrom(log, from, "CreatePalette"), FirstCallFrom(log, from, "DeleteObject"));
    // A failed build keeps the old palette.
    old = windowState.palette;
    VdeskFailNext(VDESK_FAIL_CREATE_PALETTE, 1);
    Send(WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(windowState.palette, old);
    EXPECT_TRUE(IsLive(old));
}

namespace {

PIXELFORMATDESCRIPTOR Format(DWORD flags, BYTE type, BYTE colorBits) {
    PIXELFORMATDESCRIPTOR d = {};
    d.nSize = sizeof d;
    d.nVersion = 1;
    d.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | flags;
    d.iPixelType = type;
    d.cColorBits = colorBits;
    d.cDepthBits = 16;
    return d;
}

// A colour change with a palette in place, on a device context whose format needs none,
// reads the format once and builds nothing.
void ExpectNoRebuildOnColourChange(HDC dc) {
    LOGPALETTE one = {0x300, 1, {{1, 2, 3, 0}}};
    HPALETTE own = CreatePalette(&one);
    HDC windowDc = windowState.dc;
    windowState.dc = dc;
    windowState.palette = own;
    size_t from = LogSize();
    Send(WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(windowState.palette, own);
    EXPECT_EQ(CallsSince(from, "GetPixelFormat"), 1u);
    EXPECT_EQ(CallsSince(from, "CreatePalette"), 0u);
    windowState.dc = windowDc;
    windowState.palette = nullptr;
    DeleteObject(own);
}

} // namespace

TEST(NoPalette, ColourIndexFormatsAndFormatsWithoutTheNeed) {
    const PIXELFORMATDESCRIPTOR formats[] = {Format(0, PFD_TYPE_RGBA, 8),
                                             Format(PFD_NEED_PALETTE, PFD_TYPE_COLORINDEX, 8)};
    VdeskSetPixelFormats(formats, 2);
    windowState.usesStaticColors = 1;
    // Colour index, though marked as needing a palette: the palette step describes the
    // format and builds and realizes nothing; the open then fails at the context, which
    // this desktop has only for RGBA formats.
    EXPECT_EQ(OpenSceneWindow(DM_DOUBLE | DM_INDEX | DM_DEPTH16), 0);
    std::vector<DeskMessageBox> boxes = DeskMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "wglCreateContext Failed\n");
    EXPECT_GT(CallsSince(0, "GetPixelFormat"), 0u);
    EXPECT_EQ(CallsSince(0, "CreatePalette"), 0u);
    EXPECT_EQ(CallsSince(0, "RealizePalette"), 0u);
    EXPECT_EQ(windowState.usesStaticColors, 1);
    // RGBA without PFD_NEED_PALETTE.
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(windowState.usesStaticColors, 1);
    ExpectNoRebuildOnColourChange(windowState.dc);
    HWND indexWindow = OpenObserver();
    HDC indexDc = GetDC(indexWindow);
    PIXELFORMATDESCRIPTOR d = {};
    ASSERT_TRUE(SetPixelFormat(indexDc, 2, &d));
    ExpectNoRebuildOnColourChange(indexDc);
    DestroyWindow(indexWindow);
}

TEST(NoPalette, MoreThanFifteenColourBits) {
    const PIXELFORMATDESCRIPTOR format = Format(PFD_NEED_PALETTE, PFD_TYPE_RGBA, 16);
    VdeskSetPixelFormats(&format, 1);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(CallsSince(0, "CreatePalette"), 0u);
}

TEST(NoPalette, FailedCreationTakesNothing) {
    VdeskUsePaletteDisplay(1);
    COLORREF window = GetSysColor(COLOR_WINDOW);
    VdeskFailNext(VDESK_FAIL_CREATE_PALETTE, 1);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(windowState.staticColorsTaken, 0);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), window);
    EXPECT_EQ(GetSystemPaletteUse(windowState.dc), static_cast<UINT>(SYSPAL_STATIC));
}

TEST(NoPalette, RecordAllocationFailing) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    DeleteObject(windowState.palette);
    windowState.palette = nullptr;
    size_t from = LogSize();
    VdeskFailNext(VDESK_FAIL_LOCAL_ALLOC, 1);
    EXPECT_EQ(BuildRgbPalette(windowState.dc), nullptr);
    EXPECT_EQ(windowState.palette, nullptr);
    EXPECT_EQ(CallsSince(from, "CreatePalette"), 0u);
}

TEST(ClearSystemPalette, RealizesBlackOwnEntriesAndSelectsThePreviousBack) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    HDC dc = windowState.dc;
    std::vector<PALETTEENTRY> before(VdeskSystemPalette(), VdeskSystemPalette() + 256);
    ASSERT_TRUE(SameColour(before[10], 63, 0, 0)); // the ramp's entry 1
    // Only a 256-entry palette clears; out of memory nothing happens.
    size_t from = LogSize();
    ClearSystemPalette(dc, 16);
    VdeskFailNext(VDESK_FAIL_LOCAL_ALLOC, 1);
    ClearSystemPalette(dc, 256);
    EXPECT_EQ(CallsSince(from, "CreatePalette"), 0u);
    const PALETTEENTRY* after = VdeskSystemPalette();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after, [](auto& a, auto& b) {
        return SameColour(a, b.peRed, b.peGreen, b.peBlue);
    }));

    ClearSystemPalette(dc, 256);
    EXPECT_EQ(CallsSince(from, "CreatePalette"), 1u);
    EXPECT_EQ(CallsSince(from, "DeleteObject"), 1u);
    // Every free entry black; the static colours (dark red at 1, white at 255) stay.
    for (int i = 10; i < 246; i++) {
        EXPECT_TRUE(SameColour(after[i], 0, 0, 0)) << i;
    }
    EXPECT_TRUE(SameColour(after[1], 128, 0, 0));
    EXPECT_TRUE(SameColour(after[255], 255, 255, 255));
    EXPECT_EQ(SelectedPalette(dc), windowState.palette);
}

TEST(Release, PaletteThenContextThenDeviceContext) {
    VdeskUsePaletteDisplay(0);
    ASSERT_EQ(OpenSceneWindow(DM_DOUBLE | DM_DEPTH16), 1);
    size_t from = LogSize();
    WtCloseWindow(windowState.window);
    std::vector<std::string> log = DeskCallLog();
    size_t palette = FirstCallFrom(log, from, "DeleteObject");
    size_t current = FirstCallFrom(log, from, "wglMakeCurrent");
    size_t context = FirstCallFrom(log, from, "wglDeleteContext");
    size_t dc = FirstCallFrom(log, from, "ReleaseDC");
    ASSERT_LT(dc, log.size());
    EXPECT_LT(palette, current);
    EXPECT_LT(current, context);
    EXPECT_LT(context, dc);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}
