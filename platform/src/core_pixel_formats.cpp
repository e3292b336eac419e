// The pixel format list: the display's framebuffer configurations described as Win32
// describes pixel formats, look-alikes merged, in the order Win32 programs choose from.
#include <algorithm>
#include <tuple>

#include "core.h"

namespace {

BYTE Bits(int n) { return static_cast<BYTE>(n); }

// A colour-index configuration has no channels, so its shifts come out 0.
PIXELFORMATDESCRIPTOR Describe(const PlatformPixelConfig& c) {
    bool rgba = c.indexBits == 0;
    PIXELFORMATDESCRIPTOR d{};
    d.nSize = sizeof d;
    d.nVersion = 1;
    // An RGBA format shown through a palette needs one made for it, and on a display that
    // has only the system palette the static colours too.
    d.dwFlags = PFD_SUPPORT_OPENGL | (c.window ? PFD_DRAW_TO_WINDOW : 0) |
                (c.doubleBuffered ? PFD_DOUBLEBUFFER | PFD_SWAP_EXCHANGE : 0) |
                (c.stereo ? PFD_STEREO : 0) | (c.gdi ? PFD_SUPPORT_GDI : 0) |
                (rgba && c.palette ? PFD_NEED_PALETTE : 0) |
                (rgba && c.palette && c.systemPaletteOnly ? PFD_NEED_SYSTEM_PALETTE : 0);
    d.iPixelType = rgba ? PFD_TYPE_RGBA : PFD_TYPE_COLORINDEX;
    d.cColorBits = rgba ? Bits(c.red + c.green + c.blue) : c.indexBits;
    d.cRedBits = c.red;
    d.cGreenBits = c.green;
    d.cBlueBits = c.blue;
    // A palette's index has red in its low bits (3-3-2), a true-colour pixel blue.
    d.cRedShift = c.palette ? 0 : Bits(c.blue + c.green);
    d.cGreenShift = c.palette ? c.red : c.blue;
    d.cBlueShift = c.palette ? Bits(c.red + c.green) : 0;
    d.cAlphaBits = c.alpha;
    d.cAlphaShift = c.alpha != 0 ? d.cColorBits : 0;
    d.cAccumRedBits = c.accumRed;
    d.cAccumGreenBits = c.accumGreen;
    d.cAccumBlueBits = c.accumBlue;
    d.cAccumAlphaBits = c.accumAlpha;
    d.cAccumBits = Bits(c.accumRed + c.accumGreen + c.accumBlue + c.accumAlpha);
    d.cDepthBits = c.depth;
    d.cStencilBits = c.stencil;
    d.cAuxBuffers = c.auxBuffers;
    d.iLayerType = PFD_MAIN_PLANE;
    return d;
}

// Displays offer many configurations that differ only in what a descriptor does not tell
// (visual, samples, ...); Win32 lists such look-alikes once.
auto LookAlikeKey(const PIXELFORMATDESCRIPTOR& d) {
    return std::tuple(d.dwFlags, d.iPixelType, d.cColorBits, d.cRedBits, d.cGreenBits, d.cBlueBits,
                      d.cAlphaBits, d.cAccumBits, d.cDepthBits, d.cStencilBits, d.cAuxBuffers);
}

} // namespace

// Configurations the display marks slow after the others, each group in its order; of
// look-alikes the first listed stays, so a fast one wins over a slow one.
std::vector<PixelFormat> DescribePixelConfigs(const PlatformPixelConfig* configs, int count) {
    std::vector<PixelFormat> formats;
    for (bool slow : {false, true}) {
        for (const PlatformPixelConfig* c = configs; c < configs + count; ++c) {
            if (c->slow != slow) {
                continue;
            }
            PixelFormat format{Describe(*c), c->id};
            if (std::none_of(formats.begin(), formats.end(), [&](const PixelFormat& kept) {
                    return LookAlikeKey(kept.descriptor) == LookAlikeKey(format.descriptor);
                })) {
                formats.push_back(format);
            }
        }
    }
    return formats;
}
