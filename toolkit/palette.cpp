// The window's logical palette: built from the pixel format's channel layout, with the
// platform's default colours at their nearest places in the 3-3-2 layout, and realized
// in the foreground or background as the window needs.
#include "palette.h"

#include <cstddef>

#include "toolkit.h"

enum : int32_t { FULL_PALETTE_SIZE = 256, MAX_PALETTE_BITS = 15 };

// Above every possible squared distance between two colours (3 * 255 * 255).
enum : int32_t { DISTANCE_BOUND = 0x30001 };

BYTE ExpandComponent(int32_t index, int32_t bits, int32_t shift) {
    uint32_t value = (shift >= 0 && shift < 32) ? static_cast<uint32_t>(index) >> shift : 0;
    switch (bits) {
    case 1:
        return OneBitLevels[value % 2];
    case 2:
        return TwoBitLevels[value % 4];
    case 3:
        return ThreeBitLevels[value % 8];
    default:
        return static_cast<BYTE>(value & 0xFF);
    }
}

void MatchDefaultColors(PALETTEENTRY* entries) {
    HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    if (stock) {
        GetPaletteEntries(stock, 0, DEFAULT_COLOR_COUNT, DefaultColors);
    }
    bool matched[DEFAULT_COLOR_COUNT] = {};
    bool claimed[FULL_PALETTE_SIZE] = {};

    for (int32_t j = 0; j < DEFAULT_COLOR_COUNT; j++) {
        const PALETTEENTRY& color = DefaultColors[j];
        for (int32_t i = 0; i < FULL_PALETTE_SIZE; i++) {
            if (entries[i].peRed == color.peRed && entries[i].peGreen == color.peGreen &&
                entries[i].peBlue == color.peBlue) {
                matched[j] = true;
                claimed[i] = true;
                DefaultColorSlots[j] = i;
                break;
            }
        }
    }

    for (int32_t j = 0; j < DEFAULT_COLOR_COUNT; j++) {
        if (matched[j]) {
            continue;
        }
        const PALETTEENTRY& color = DefaultColors[j];
        int32_t bound = DISTANCE_BOUND;
        int32_t candidate = -1;
        for (int32_t i = 0; i < FULL_PALETTE_SIZE; i++) {
            if (claimed[i]) {
                continue;
            }
            int32_t red = entries[i].peRed - color.peRed;
            int32_t green = entries[i].peGreen - color.peGreen;
            int32_t blue = entries[i].peBlue - color.peBlue;
            int32_t distance = red * red + green * green + blue * blue;
            if (distance < bound) {
                bound = distance;
                candidate = i;
            }
        }
        if (candidate >= 0) {
            DefaultColorSlots[j] = candidate;
            claimed[candidate] = true;
        }
    }

    for (int32_t i = 0; i < FULL_PALETTE_SIZE; i++) {
        entries[i].peFlags = PC_NOCOLLAPSE;
    }
    for (int32_t j = 0; j < DEFAULT_COLOR_COUNT; j++) {
        DefaultColors[j].peFlags = 0;
    }
}

static bool IsThreeThreeTwo(const PIXELFORMATDESCRIPTOR* format) {
    return format->cRedBits == 3 && format->cRedShift == 0 && format->cGreenBits == 3 &&
           format->cGreenShift == 3 && format->cBlueBits == 2 && format->cBlueShift == 6;
}

PALETTEENTRY* FillRgbEntries(const PIXELFORMATDESCRIPTOR* format, PALETTEENTRY* entries,
                             int32_t count) {
    if (!entries) {
        return nullptr;
    }
    for (int32_t i = 0; i < count; i++) {
        entries[i].peRed = ExpandComponent(i, format->cRedBits, format->cRedShift);
        entries[i].peGreen = ExpandComponent(i, format->cGreenBits, format->cGreenShift);
        entries[i].peBlue = ExpandComponent(i, format->cBlueBits, format->cBlueShift);
        entries[i].peFlags = PC_NOCOLLAPSE;
    }
    if (count != FULL_PALETTE_SIZE) {
        return entries;
    }
    if (windowState.usesStaticColors) {
        // The ends stay black and white, where the static colours sit.
        entries[0].peFlags = 0;
        entries[FULL_PALETTE_SIZE - 1].peFlags = 0;
        return entries;
    }
    if (IsThreeThreeTwo(format)) {
        MatchDefaultColors(entries);
        for (int32_t j = 0; j < DEFAULT_COLOR_COUNT; j++) {
            PALETTEENTRY& slot = entries[DefaultColorSlots[j]];
            slot = DefaultColors[j];
            slot.peFlags = 0;
        }
    }
    return entries;
}

// Room for a logical palette of count entries.
static size_t LogPaletteSize(int32_t count) {
    return offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * static_cast<size_t>(count);
}

void ClearSystemPalette(HDC dc, int32_t count) {
    if (count != FULL_PALETTE_SIZE) {
        return;
    }
    LOGPALETTE* record =
        static_cast<LOGPALETTE*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, LogPaletteSize(count)));
    if (!record) {
        return;
    }
    record->palVersion = 0x300;
    record->palNumEntries = static_cast<WORD>(count);
    for (int32_t i = 0; i < count; i++) {
        record->palPalEntry[i].peFlags = PC_RESERVED | PC_NOCOLLAPSE;
    }
    HPALETTE black = CreatePalette(record);
    LocalFree(record);
    if (!black) {
        return;
    }
    HPALETTE previous = SelectPalette(dc, black, FALSE);
    RealizePalette(dc);
    SelectPalette(dc, previous, FALSE);
    DeleteObject(black);
}

HPALETTE BuildRgbPalette(HDC dc) {
    if (windowState.palette) {
        return windowState.palette;
    }
    PIXELFORMATDESCRIPTOR format;
    if (!DescribeWindowFormat(dc, &format)) {
        return nullptr;
    }
    if (format.iPixelType != PFD_TYPE_RGBA || !(format.dwFlags & PFD_NEED_PALETTE)) {
        return nullptr;
    }
    windowState.usesStaticColors = ((format.dwFlags & PFD_NEED_SYSTEM_PALETTE) ||
                                    (windowState.displayMode & DM_STATIC_PALETTE))
                                       ? 1
                                       : 0;
    // A logical palette counts its entries in 16 bits.
    if (format.cColorBits > MAX_PALETTE_BITS) {
        return nullptr;
    }
    int32_t count = 1 << format.cColorBits;
    LOGPALETTE* record = static_cast<LOGPALETTE*>(WtAlloc(LogPaletteSize(count)));
    if (!record) {
        return nullptr;
    }
    record->palVersion = 0x300;
    record->palNumEntries = static_cast<WORD>(count);
    FillRgbEntries(&format, record->palPalEntry, count);
    windowState.palette = CreatePalette(record);
    WtFree(record);
    if (!windowState.palette) {
        return nullptr;
    }
    ClearSystemPalette(dc, count);
    RealizeWindowPalette(dc, windowState.palette, 0);
    return windowState.palette;
}

// Selects palette into dc and realizes it; -1 when it cannot be selected.
static int32_t SelectAndRealize(HDC dc, HPALETTE palette, BOOL background) {
    if (!SelectPalette(dc, palette, background)) {
        return -1;
    }
    return static_cast<int32_t>(RealizePalette(dc));
}

int32_t RealizeWindowPalette(HDC dc, HPALETTE palette, int32_t forceBackground) {
    if (!windowState.usesStaticColors) {
        return SelectAndRealize(dc, palette, FALSE);
    }
    // Taking or giving back the static colours changes the system colours, and the
    // window rebuilds its palette on that change: go on with the one that replaced it.
    bool windowPalette = palette != nullptr && palette == windowState.palette;
    if (forceBackground) {
        RestoreStaticColors(dc);
    } else if (windowState.window && GetActiveWindow() != windowState.window) {
        // Only the active window may hold the static colours: a rebuild or a retry while
        // another window is active realizes in the background and leaves them alone.
        forceBackground = 1;
    } else if (!TakeStaticColors(dc)) {
        return -1;
    }
    if (windowPalette && windowState.palette != palette) {
        palette = windowState.palette;
    }
    if (!UnrealizeObject(palette)) {
        return -1;
    }
    return SelectAndRealize(dc, palette, forceBackground ? TRUE : FALSE);
}
