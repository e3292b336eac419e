// Pixel-format choice from the display mode, and the description of the window's
// current format.
#include "pixel_format.h"

#include "palette.h"
#include "toolkit.h"

enum : UINT { DESCRIPTOR_SIZE = sizeof(PIXELFORMATDESCRIPTOR) };
enum : DWORD { WINDOW_GL_FLAGS = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL };

int32_t WtAskSystemFormat(HDC dc, DisplayMode mode, PIXELFORMATDESCRIPTOR* d) {
    PIXELFORMATDESCRIPTOR wanted = {};
    wanted.nSize = DESCRIPTOR_SIZE;
    wanted.nVersion = 1;
    wanted.dwFlags = WINDOW_GL_FLAGS;
    if (mode & DM_DOUBLE) {
        wanted.dwFlags |= PFD_DOUBLEBUFFER;
    }
    if (mode & DM_INDEX) {
        wanted.iPixelType = PFD_TYPE_COLORINDEX;
        wanted.cColorBits = 8;
    } else {
        wanted.iPixelType = PFD_TYPE_RGBA;
        wanted.cColorBits = 24;
    }
    wanted.cAlphaBits = (mode & DM_ALPHA) ? 8 : 0;
    wanted.cAccumBits = (mode & DM_ACCUM) ? wanted.cColorBits + wanted.cAlphaBits : 0;
    if (mode & DM_DEPTH16) {
        wanted.cDepthBits = 16;
    } else if (mode & DM_DEPTH) {
        wanted.cDepthBits = 24;
    }
    wanted.cStencilBits = (mode & DM_STENCIL) ? 4 : 0;
    wanted.cAuxBuffers = 0;
    wanted.iLayerType = PFD_MAIN_PLANE;
    *d = wanted;
    return ChoosePixelFormat(dc, &wanted);
}

// Whether a described format is exactly what the mode asks for.
static bool FormatMatches(const PIXELFORMATDESCRIPTOR* e, DisplayMode mode) {
    if ((e->dwFlags & WINDOW_GL_FLAGS) != WINDOW_GL_FLAGS || e->iLayerType != PFD_MAIN_PLANE) {
        return false;
    }
    bool index = (mode & DM_INDEX) != 0;
    if (e->iPixelType != (index ? PFD_TYPE_COLORINDEX : PFD_TYPE_RGBA)) {
        return false;
    }
    if (((e->dwFlags & PFD_DOUBLEBUFFER) != 0) != ((mode & DM_DOUBLE) != 0)) {
        return false;
    }
    if (!index) {
        if ((e->cAccumBits > 0) != ((mode & DM_ACCUM) != 0)) {
            return false;
        }
        if ((e->cAlphaBits > 0) != ((mode & DM_ALPHA) != 0)) {
            return false;
        }
        if ((mode & DM_ALPHA) && (mode & DM_ACCUM) && e->cAccumAlphaBits == 0) {
            return false;
        }
    }
    if ((e->cDepthBits > 0) != ((mode & (DM_DEPTH | DM_DEPTH16)) != 0)) {
        return false;
    }
    if ((e->cStencilBits > 0) != ((mode & DM_STENCIL) != 0)) {
        return false;
    }
    return true;
}

int32_t WtSearchExactFormat(HDC dc, DisplayMode mode, PIXELFORMATDESCRIPTOR* d) {
    int32_t best = 0;
    int32_t chosen = 0;
    int32_t count = 0;
    int32_t i = 1;
    do {
        PIXELFORMATDESCRIPTOR e = {};
        count = DescribePixelFormat(dc, i, DESCRIPTOR_SIZE, &e);
        if (count <= 0) {
            return 0;
        }
        if (FormatMatches(&e, mode) && e.cColorBits > best) {
            best = e.cColorBits;
            chosen = i;
            *d = e;
        }
        i++;
    } while (i <= count);
    return chosen;
}

int32_t WtCheckFormatNumber(HDC dc, int32_t number, PIXELFORMATDESCRIPTOR* d) {
    if (number <= 0) {
        return 0;
    }
    if (DescribePixelFormat(dc, number, DESCRIPTOR_SIZE, d) < number) {
        return 0;
    }
    return (d->dwFlags & WINDOW_GL_FLAGS) == WINDOW_GL_FLAGS ? 1 : 0;
}

int32_t WtChooseFormat(HDC dc, DisplayMode mode) {
    PIXELFORMATDESCRIPTOR d = {};
    int32_t number;
    if (windowState.formatChoice == FORMAT_CHOICE_SYSTEM) {
        number = WtAskSystemFormat(dc, mode, &d);
    } else if (windowState.formatChoice == FORMAT_CHOICE_EXACT) {
        number = WtSearchExactFormat(dc, mode, &d);
    } else {
        number =
            WtCheckFormatNumber(dc, windowState.formatNumber, &d) ? windowState.formatNumber : 0;
    }
    if (number == 0) {
        WtReportError("Selecting a pixel format failed\n");
        return 0;
    }
    if (!SetPixelFormat(dc, number, &d)) {
        WtReportError("SetPixelFormat failed\n");
        return 0;
    }
    BuildRgbPalette(dc);
    return 1;
}

int32_t DescribeWindowFormat(HDC dc, PIXELFORMATDESCRIPTOR* descriptor) {
    int32_t number = GetPixelFormat(dc);
    if (number <= 0) {
        WtReportError("Could not get pixel format for Dc 0x%08lX\n",
                      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(dc)));
        return 0;
    }
    if (DescribePixelFormat(dc, number, DESCRIPTOR_SIZE, descriptor) > 0) {
        return number;
    }
    WtReportError("Could not get a description of pixel format %d\n", number);
    return 0;
}
