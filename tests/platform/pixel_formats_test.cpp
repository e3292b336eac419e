// The pixel format list the platform makes of a display's framebuffer configurations:
// each described as Win32 describes it, look-alikes listed once, slow ones last. The
// expected descriptors are worked out by hand from the flag values and channel layouts.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "backend.h"
#include "desk.h"

namespace {

struct Raw {
    int red, green, blue, alpha, index, accum, depth, stencil, aux;
    bool doubleBuffered, stereo, window, gdi, palette, systemOnly, slow;
};

PlatformPixelConfig Config(const Raw& r) {
    PlatformPixelConfig c{};
    c.red = static_cast<unsigned char>(r.red);
    c.green = static_cast<unsigned char>(r.green);
    c.blue = static_cast<unsigned char>(r.blue);
    c.alpha = static_cast<unsigned char>(r.alpha);
    c.indexBits = static_cast<unsigned char>(r.index);
    c.accumRed = c.accumGreen = c.accumBlue = c.accumAlpha = static_cast<unsigned char>(r.accum);
    c.depth = static_cast<unsigned char>(r.depth);
    c.stencil = static_cast<unsigned char>(r.stencil);
    c.auxBuffers = static_cast<unsigned char>(r.aux);
    c.doubleBuffered = r.doubleBuffered;
    c.stereo = r.stereo;
    c.window = r.window;
    c.gdi = r.gdi;
    c.palette = r.palette;
    c.systemPaletteOnly = r.systemOnly;
    c.slow = r.slow;
    return c;
}

std::string Line(const PIXELFORMATDESCRIPTOR& d) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "size %d version %d flags 0x%lx type %d color %d red %d@%d green %d@%d blue %d@%d"
                  " alpha %d@%d accum %d (%d %d %d %d) depth %d stencil %d aux %d layer %d",
                  d.nSize, d.nVersion, static_cast<unsigned long>(d.dwFlags), d.iPixelType,
                  d.cColorBits, d.cRedBits, d.cRedShift, d.cGreenBits, d.cGreenShift, d.cBlueBits,
                  d.cBlueShift, d.cAlphaBits, d.cAlphaShift, d.cAccumBits, d.cAccumRedBits,
                  d.cAccumGreenBits, d.cAccumBlueBits, d.cAccumAlphaBits, d.cDepthBits,
                  d.cStencilBits, d.cAuxBuffers, d.iLayerType);
    return text;
}

// The list DescribePixelFormat gives for these configurations, one line per format.
std::vector<std::string> Listed(const std::vector<Raw>& raws) {
    StartDesktop();
    std::vector<PlatformPixelConfig> configs;
    for (const Raw& r : raws) {
        configs.push_back(Config(r));
    }
    VdeskSetPixelConfigs(configs.data(), static_cast<int>(configs.size()));
    HWND window = CreateTestWindow();
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR d{};
    std::vector<std::string> lines;
    int count = DescribePixelFormat(dc, 1, sizeof d, nullptr);
    for (int n = 1; n <= count; ++n) {
        DescribePixelFormat(dc, n, sizeof d, &d);
        lines.push_back(Line(d));
    }
    ReleaseDC(window, dc);
    DestroyWindow(window);
    return lines;
}

//      r  g  b  a  ix acc dep st aux double stereo window gdi   palette system slow
const Raw rgb565 = {5, 6, 5, 0, 0, 0, 16, 0, 0, true, false, true, false, false, false, false};

TEST(PixelFormats, EachConfigurationIsDescribedAsWin32DescribesIt) {
    struct Case {
        const char* what;
        Raw raw;
        const char* expected;
    };
    // Flags: DOUBLEBUFFER 0x1, STEREO 0x2, DRAW_TO_WINDOW 0x4, SUPPORT_GDI 0x10,
    // SUPPORT_OPENGL 0x20, NEED_PALETTE 0x80, NEED_SYSTEM_PALETTE 0x100, SWAP_EXCHANGE 0x200.
    const Case cases[] = {
        {"5-6-5, double buffered: blue lowest, swaps by exchange", rgb565,
         "size 40 version 1 flags 0x225 type 0 color 16 red 5@11 green 6@5 blue 5@0 alpha 0@0"
         " accum 0 (0 0 0 0) depth 16 stencil 0 aux 0 layer 0"},
        {"8-8-8-8 single buffered for GDI too, stereo, accumulation, aux buffers",
         {8, 8, 8, 8, 0, 16, 24, 8, 2, false, true, true, true, false, false, false},
         "size 40 version 1 flags 0x36 type 0 color 24 red 8@16 green 8@8 blue 8@0 alpha 8@24"
         " accum 64 (16 16 16 16) depth 24 stencil 8 aux 2 layer 0"},
        {"3-3-2 through the system palette: red lowest, both palette needs",
         {3, 3, 2, 0, 0, 0, 16, 0, 0, true, false, true, false, true, true, false},
         "size 40 version 1 flags 0x3a5 type 0 color 8 red 3@0 green 3@3 blue 2@6 alpha 0@0"
         " accum 0 (0 0 0 0) depth 16 stencil 0 aux 0 layer 0"},
        {"3-3-2 through a palette of its own",
         {3, 3, 2, 0, 0, 0, 0, 0, 0, false, false, true, true, true, false, false},
         "size 40 version 1 flags 0xb4 type 0 color 8 red 3@0 green 3@3 blue 2@6 alpha 0@0"
         " accum 0 (0 0 0 0) depth 0 stencil 0 aux 0 layer 0"},
        {"colour index on a palette visual, no window: no palette need, no channels",
         {0, 0, 0, 0, 8, 0, 16, 0, 0, false, false, false, false, true, true, false},
         "size 40 version 1 flags 0x20 type 1 color 8 red 0@0 green 0@0 blue 0@0 alpha 0@0"
         " accum 0 (0 0 0 0) depth 16 stencil 0 aux 0 layer 0"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = Listed({c.raw});
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0], c.expected) << c.what;
    }
}

TEST(PixelFormats, LookAlikesAreListedOnceAndSlowOnesLast) {
    Raw slow = rgb565, alpha = rgb565, accum = rgb565, depth = rgb565, stencil = rgb565,
        aux = rgb565, single = rgb565, stereo = rgb565, gdi = rgb565, red = rgb565, index = rgb565,
        palette = rgb565;
    slow.depth = 24, slow.slow = true;
    alpha.alpha = 1, accum.accum = 1, depth.depth = 24, stencil.stencil = 1, aux.aux = 1;
    single.doubleBuffered = false, stereo.stereo = true, gdi.gdi = true;
    red.red = 6, red.green = 5; // the same colour bits in other channels
    index.red = index.green = index.blue = 0, index.index = 16;
    palette.palette = true;
    // Each differs from 5-6-5 in one thing a descriptor tells; the depth-24 one only in
    // that it is slow, so its fast look-alike listed after it takes its place. Each line is
    // known by what sets it apart, worked out by hand as above.
    std::vector<std::string> lines = Listed({slow, rgb565, alpha, rgb565, accum, depth, stencil,
                                             aux, single, stereo, gdi, red, index, palette, alpha});
    const char* const expected[] = {
        ("flags 0x225 type 0 color 16 red 5@11 green 6@5 blue 5@0 alpha 0@0 accum 0 (0 0 0 0) "
         "depth 16 stencil 0 aux 0"),           // one line, the plain 5-6-5 format
        "alpha 1@16 ",                          // alpha above the colour bits
        "accum 4 (1 1 1 1) depth 16",           // accum
        "accum 0 (0 0 0 0) depth 24 stencil 0", // depth, the fast one
        "depth 16 stencil 1 aux 0",             // stencil
        "stencil 0 aux 1 layer",                // aux
        "flags 0x24 type 0 color 16",           // single: no 0x1, no 0x200
        "flags 0x227 ",                         // stereo
        "flags 0x235 ",                         // GDI
        "red 6@10 green 5@5 blue 5@0",          // 6-5-5
        "flags 0x225 type 1 color 16 red 0@0 green 0@0 blue 0@0",  // colour index
        "flags 0x2a5 type 0 color 16 red 5@0 green 6@5 blue 5@11", // through a palette
    };
    ASSERT_EQ(lines.size(), std::size(expected));
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_NE(lines[i].find(expected[i]), std::string::npos) << i << ": " << lines[i];
    }
    // A slow configuration with no fast look-alike keeps its place after the fast ones.
    lines = Listed({slow, rgb565});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("depth 16"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("depth 24"), std::string::npos) << lines[1];
}

} // namespace
