// GDI: stock objects, logical palettes, the system palette under both uses, pixel formats,
// rendering contexts and a frame drawn through a window's context and read back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "desk.h"

namespace {

class Gdi : public ShownWindowTest {
  protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        dc = GetDC(window);
    }
    HDC dc = nullptr;
};

// A logical palette of `count` entries with colours no static colour has.
HPALETTE MakePalette(int count, BYTE flags = 0) {
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count);
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
        logical->palPalEntry[i] =
            PALETTEENTRY{static_cast<BYTE>(i), 7, static_cast<BYTE>(255 - i), flags};
    }
    return CreatePalette(logical);
}

bool Same(const PALETTEENTRY& a, int r, int g, int b) {
    return a.peRed == r && a.peGreen == g && a.peBlue == b;
}

// The 20 colours Win32 documents for the default palette, in order.
const int standard[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                             {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                             {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                             {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                             {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

TEST_F(Gdi, StockObjectsAndTheDefaultPaletteOfTwentyStandardColours) {
    EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
    EXPECT_NE(GetStockObject(BLACK_BRUSH), GetStockObject(WHITE_BRUSH));
    HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), stock);
    EXPECT_EQ(GetPaletteEntries(stock, 0, 0, nullptr), 20u);
    PALETTEENTRY entries[20];
    ASSERT_EQ(GetPaletteEntries(stock, 0, 20, entries), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(Same(entries[i], standard[i][0], standard[i][1], standard[i][2])) << i;
        EXPECT_EQ(entries[i].peFlags, 0) << i;
    }
    EXPECT_EQ(GetPaletteEntries(stock, 18, 5, entries), 2u);
    EXPECT_EQ(GetPaletteEntries(stock, 20, 1, entries), 0u);
    // Deleting a stock object does no harm.
    DeleteObject(stock);
    EXPECT_EQ(GetPaletteEntries(stock, 0, 0, nullptr), 20u);
}

TEST_F(Gdi, LogicalPalettesOnATrueColourDisplay) {
    HPALETTE first = MakePalette(256);
    HPALETTE second = MakePalette(4);
    ASSERT_NE(first, nullptr);
    PALETTEENTRY entry;
    ASSERT_EQ(GetPaletteEntries(first, 200, 1, &entry), 1u);
    EXPECT_TRUE(Same(entry, 200, 7, 55));
    EXPECT_EQ(GetPaletteEntries(second, 0, 0, nullptr), 4u);

    EXPECT_EQ(SelectPalette(dc, first, FALSE), GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(SelectPalette(dc, second, FALSE), first);
    EXPECT_EQ(RealizePalette(dc), 0u);
    EXPECT_EQ(SetSystemPaletteUse(dc, SYSPAL_NOSTATIC), static_cast<UINT>(SYSPAL_ERROR));
    EXPECT_TRUE(UnrealizeObject(second));
    EXPECT_EQ(SelectPalette(dc, first, FALSE), second);

    EXPECT_TRUE(DeleteObject(second));
    EXPECT_FALSE(DeleteObject(second));
    EXPECT_EQ(GetPaletteEntries(second, 0, 0, nullptr), 0u);
    EXPECT_EQ(SelectPalette(dc, second, FALSE), nullptr);
    EXPECT_FALSE(UnrealizeObject(second));

    std::vector<BYTE> storage(sizeof(LOGPALETTE));
    LOGPALETTE* empty = reinterpret_cast<LOGPALETTE*>(storage.data());
    empty->palVersion = 0x300;
    empty->palNumEntries = 0;
    EXPECT_EQ(CreatePalette(empty), nullptr);
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

void ExpectStaticColours(const PALETTEENTRY* system) {
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(Same(system[i], standard[i][0], standard[i][1], standard[i][2])) << i;
        EXPECT_TRUE(
            Same(system[246 + i], standard[10 + i][0], standard[10 + i][1], standard[10 + i][2]))
            << 246 + i;
    }
}

TEST_F(Gdi, PaletteDisplayRealizationUnderStaticAndNoStaticUse) {
    VdeskUsePaletteDisplay(1);
    HWND other = CreateShownWindow();
    PALETTEENTRY system[256];
    ASSERT_EQ(GetSystemPaletteEntries(dc, 0, 256, system), 256u);
    ExpectStaticColours(system);
    EXPECT_EQ(GetSystemPaletteUse(dc), static_cast<UINT>(SYSPAL_STATIC));

    // Ten new colours: ten entries mapped, and every top-level window hears who did it.
    HPALETTE small = MakePalette(10, PC_NOCOLLAPSE);
    SelectPalette(dc, small, FALSE);
    seen.clear();
    EXPECT_EQ(RealizePalette(dc), 10u);
    std::string changed =
        "palettechanged " + std::to_string(reinterpret_cast<WPARAM>(window)) + " 0 0";
    EXPECT_EQ(Trace(), (std::vector<std::string>{changed, changed}));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const SeenMessage& m) {
        return m.window == other && m.message == WM_PALETTECHANGED;
    }));
    GetSystemPaletteEntries(dc, 0, 256, system);
    ExpectStaticColours(system);
    int found = 0;
    for (int i = 10; i < 246; ++i) {
        found += system[i].peGreen == 7 && system[i].peRed + system[i].peBlue == 255;
    }
    EXPECT_EQ(found, 10);

    // A full palette fills the 236 free entries while the static colours stay.
    HPALETTE full = MakePalette(256, PC_NOCOLLAPSE);
    SelectPalette(dc, full, FALSE);
    EXPECT_EQ(RealizePalette(dc), 236u);
    GetSystemPaletteEntries(dc, 0, 256, system);
    ExpectStaticColours(system);

    // Without the static colours 254 entries are free; black and white stay at the ends.
    EXPECT_EQ(SetSystemPaletteUse(dc, SYSPAL_NOSTATIC), static_cast<UINT>(SYSPAL_STATIC));
    EXPECT_EQ(GetSystemPaletteUse(dc), static_cast<UINT>(SYSPAL_NOSTATIC));
    UnrealizeObject(full);
    EXPECT_EQ(RealizePalette(dc), 254u);
    GetSystemPaletteEntries(dc, 0, 256, system);
    EXPECT_TRUE(Same(system[0], 0, 0, 0));
    EXPECT_TRUE(Same(system[255], 255, 255, 255));
    EXPECT_TRUE(Same(system[1], 0, 7, 255)); // the palette's own first entry
    EXPECT_EQ(SetSystemPaletteUse(dc, SYSPAL_STATIC), static_cast<UINT>(SYSPAL_NOSTATIC));
    GetSystemPaletteEntries(dc, 0, 256, system);
    ExpectStaticColours(system);
    EXPECT_EQ(SetSystemPaletteUse(dc, 77), static_cast<UINT>(SYSPAL_ERROR));
}

TEST_F(Gdi, PaletteRealizedInTheBackgroundChangesNothing) {
    VdeskUsePaletteDisplay(0);
    const PALETTEENTRY* before = VdeskSystemPalette();
    std::vector<PALETTEENTRY> copy(before, before + 256);
    SelectPalette(dc, MakePalette(10, PC_NOCOLLAPSE), TRUE);
    seen.clear();
    EXPECT_EQ(RealizePalette(dc), 0u);
    EXPECT_TRUE(Trace().empty());
    const PALETTEENTRY* after = VdeskSystemPalette();
    for (int i = 0; i < 256; ++i) {
        EXPECT_TRUE(Same(after[i], copy[i].peRed, copy[i].peGreen, copy[i].peBlue)) << i;
    }
}

PIXELFORMATDESCRIPTOR Wanted(DWORD flags, BYTE depth) {
    PIXELFORMATDESCRIPTOR want{};
    want.nSize = sizeof want;
    want.nVersion = 1;
    want.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | flags;
    want.iPixelType = PFD_TYPE_RGBA;
    want.cColorBits = 24;
    want.cDepthBits = depth;
    return want;
}

TEST_F(Gdi, PixelFormatsAreNumberedFromOneAndSetOncePerWindow) {
    PIXELFORMATDESCRIPTOR pfd;
    int count = DescribePixelFormat(dc, 1, sizeof pfd, &pfd);
    ASSERT_GE(count, 2);
    EXPECT_EQ(DescribePixelFormat(dc, 0, 0, nullptr), count); // no descriptor: just the count
    for (int n = 1; n <= count; ++n) {
        ASSERT_EQ(DescribePixelFormat(dc, n, sizeof pfd, &pfd), count) << n;
        EXPECT_EQ(pfd.nSize, sizeof pfd);
        EXPECT_EQ(pfd.nVersion, 1);
    }
    EXPECT_EQ(DescribePixelFormat(dc, 0, sizeof pfd, &pfd), 0);
    EXPECT_EQ(DescribePixelFormat(dc, count + 1, sizeof pfd, &pfd), 0);

    PIXELFORMATDESCRIPTOR want = Wanted(PFD_DOUBLEBUFFER, 16);
    int chosen = ChoosePixelFormat(dc, &want);
    ASSERT_GE(chosen, 1);
    ASSERT_LE(chosen, count);
    DescribePixelFormat(dc, chosen, sizeof pfd, &pfd);
    EXPECT_EQ(pfd.dwFlags & (PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER),
              static_cast<DWORD>(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER));
    EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
    EXPECT_GT(pfd.cDepthBits, 0);

    EXPECT_EQ(GetPixelFormat(dc), 0);
    EXPECT_FALSE(SetPixelFormat(dc, count + 1, &pfd));
    EXPECT_FALSE(SetPixelFormat(dc, 0, &pfd));
    ASSERT_TRUE(SetPixelFormat(dc, chosen, &pfd));
    EXPECT_EQ(GetPixelFormat(dc), chosen);
    int another = chosen == 1 ? 2 : 1;
    EXPECT_FALSE(SetPixelFormat(dc, another, &pfd));
    EXPECT_EQ(GetPixelFormat(dc), chosen);
}

TEST_F(Gdi, ContextsNeedAFormatAndDeletingTheCurrentOneMakesItNotCurrent) {
    EXPECT_EQ(wglCreateContext(dc), nullptr); // no pixel format yet
    PIXELFORMATDESCRIPTOR want = Wanted(PFD_DOUBLEBUFFER, 16);
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &want), &want));
    HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    EXPECT_EQ(wglGetCurrentContext(), context);
    EXPECT_EQ(wglGetCurrentDC(), dc);
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);

    ASSERT_TRUE(wglMakeCurrent(dc, context));
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_FALSE(wglDeleteContext(context));
    EXPECT_FALSE(wglMakeCurrent(dc, context));
}

TEST_F(Gdi, ColourIndexFormatsHaveNoOpenGLContext) {
    PIXELFORMATDESCRIPTOR pfd;
    int count = DescribePixelFormat(dc, 1, sizeof pfd, &pfd);
    int index = 0;
    for (int n = 1; n <= count && index == 0; ++n) {
        DescribePixelFormat(dc, n, sizeof pfd, &pfd);
        if (pfd.iPixelType == PFD_TYPE_COLORINDEX) {
            index = n;
        }
    }
    ASSERT_NE(index, 0);
    ASSERT_TRUE(SetPixelFormat(dc, index, &pfd));
    EXPECT_EQ(wglCreateContext(dc), nullptr);
}

// Showing erases the window with its class brush before the program draws anything: what
// the desktop shows then is that colour, or nothing without a brush.
TEST(Erase, ShowingPaintsTheClassBrushUntilTheFirstFrame) {
    struct Case {
        const char* what;
        HBRUSH brush;
        int r, g, b; // -1: nothing painted
    } cases[] = {
        {"black", static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 0, 0, 0},
        {"white", static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), 255, 255, 255},
        // The standard highlight colour, 0, 120, 215.
        {"a system colour's", reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1), 0, 120, 215},
        {"the null brush", static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), -1, 0, 0},
        {"no brush", nullptr, -1, 0, 0},
    };
    for (const Case& c : cases) {
        StartDesktop();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hbrBackground = c.brush;
        wc.lpszClassName = "Brushed";
        ASSERT_TRUE(RegisterClassA(&wc)) << c.what;
        HWND window = CreateWindowExA(0, "Brushed", "", WS_OVERLAPPEDWINDOW, 0, 0, 208, 127,
                                      nullptr, nullptr, nullptr, nullptr);
        ShowWindow(window, SW_SHOW);
        int width = 0, height = 0;
        const uint8_t* frame = VdeskPresentedFrame(window, &width, &height);
        EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), c.r < 0 ? 0 : 1) << c.what;
        if (c.r < 0) {
            EXPECT_EQ(frame, nullptr) << c.what;
        } else if (frame != nullptr) {
            EXPECT_EQ(width, 200) << c.what; // 208 x 127 less the frame and caption: 200 x 100
            EXPECT_EQ(height, 100) << c.what;
            for (int at : {0, width * height / 2 + 17, width * height - 1}) {
                const uint8_t* pixel = frame + static_cast<size_t>(at) * 4;
                EXPECT_EQ(pixel[0], c.r) << c.what;
                EXPECT_EQ(pixel[1], c.g) << c.what;
                EXPECT_EQ(pixel[2], c.b) << c.what;
            }
        } else {
            ADD_FAILURE() << c.what << ": nothing shown";
        }
        DestroyWindow(window);
    }
}

TEST_F(Gdi, AFrameDrawnThroughTheContextIsWhatSwapBuffersPresents) {
    PIXELFORMATDESCRIPTOR want = Wanted(PFD_DOUBLEBUFFER, 16);
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &want), &want));
    HGLRC context = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    int width = 0, height = 0;

    // Blue everywhere, red over the left half.
    glViewport(0, 0, 600, 500);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 600, 0, 500, -1, 1);
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(300, 0);
    glVertex2f(300, 500);
    glVertex2f(0, 500);
    glEnd();
    ASSERT_TRUE(SwapBuffers(dc));
    EXPECT_EQ(VdeskPresentCount(window), 1);
    const uint8_t* frame = VdeskPresentedFrame(window, &width, &height);
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(width, 600);
    ASSERT_EQ(height, 500);
    auto pixel = [&](int x, int y) { return frame + (static_cast<size_t>(y) * width + x) * 4; };
    for (int y : {0, 250, 499}) {
        EXPECT_EQ(pixel(10, y)[0], 255);
        EXPECT_EQ(pixel(10, y)[2], 0);
        EXPECT_EQ(pixel(590, y)[0], 0);
        EXPECT_EQ(pixel(590, y)[2], 255);
    }

    // The drawable follows the client size.
    VdeskResize(window, 200, 100);
    glViewport(0, 0, 200, 100);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(SwapBuffers(dc));
    frame = VdeskPresentedFrame(window, &width, &height);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 100);
    EXPECT_EQ(frame[(99 * 200 + 199) * 4 + 1], 255);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
}

TEST_F(Gdi, OnAPaletteDisplayTheFrameShowsWhatTheRealizedPaletteHolds) {
    VdeskUsePaletteDisplay(1);
    PIXELFORMATDESCRIPTOR want = Wanted(PFD_DOUBLEBUFFER, 16);
    want.cColorBits = 8;
    int format = ChoosePixelFormat(dc, &want);
    PIXELFORMATDESCRIPTOR pfd;
    DescribePixelFormat(dc, format, sizeof pfd, &pfd);
    ASSERT_EQ(pfd.cColorBits, 8);
    ASSERT_TRUE(pfd.dwFlags & PFD_NEED_PALETTE);
    ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
    HGLRC context = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    // Entry i is (255 - i, i, 0): nothing like the colour a pixel asks for.
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
        logical->palPalEntry[i] =
            PALETTEENTRY{static_cast<BYTE>(255 - i), static_cast<BYTE>(i), 0, PC_NOCOLLAPSE};
    }
    SetSystemPaletteUse(dc, SYSPAL_NOSTATIC);
    SelectPalette(dc, CreatePalette(logical), FALSE);
    ASSERT_EQ(RealizePalette(dc), 254u);

    // Pixel value 1 (one step of red in 3-3-2) shows the palette's entry 1.
    glClearColor(1.0f / 7, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(SwapBuffers(dc));
    int width = 0, height = 0;
    const uint8_t* frame = VdeskPresentedFrame(window, &width, &height);
    ASSERT_NE(frame, nullptr);
    const uint8_t* centre = frame + (static_cast<size_t>(height / 2) * width + width / 2) * 4;
    EXPECT_EQ(centre[0], 254);
    EXPECT_EQ(centre[1], 1);
    EXPECT_EQ(centre[2], 0);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
}

} // namespace
