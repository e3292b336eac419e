// GDI objects: stock objects, logical palettes, their realization into the system palette.
#include <algorithm>
#include <array>
#include <cstring>

#include "core.h"
#include "core_events.h"

namespace {

// The 20 colours of the stock default palette: the system's static colours, the first
// ten at the bottom of the system palette and the last ten at its top.
const PALETTEENTRY defaultColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

// The system palette as the display starts: the static colours at both ends, black between.
std::array<PALETTEENTRY, 256> FirstSystemPalette(void) {
    std::array<PALETTEENTRY, 256> entries{};
    std::copy(defaultColors, defaultColors + 10, entries.begin());
    std::copy(defaultColors + 10, defaultColors + 20, entries.end() - 10);
    return entries;
}

struct PaletteState {
    HPALETTE stockPalette = nullptr;
    std::array<PALETTEENTRY, 256> systemPalette = FirstSystemPalette();
    UINT systemPaletteUse = SYSPAL_STATIC;
    HPALETTE foregroundPalette = nullptr;
};
FileState<PaletteState> state;
const uintptr_t blackBrush = 0x70000001; // stock objects live outside the handle tables
const uintptr_t whiteBrush = 0x70000002;
const uintptr_t nullBrush = 0x70000003;

bool IsStatic(int index) {
    if (state.systemPaletteUse == SYSPAL_STATIC) {
        return index < 10 || index >= 246;
    }
    return index == 0 || index == 255;
}

bool PaletteDisplay(void) {
    return BackendReady() && Backend()->IsPaletteDisplay != nullptr &&
           Backend()->IsPaletteDisplay();
}

int Distance(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    int dr = a.peRed - b.peRed, dg = a.peGreen - b.peGreen, db = a.peBlue - b.peBlue;
    return dr * dr + dg * dg + db * db;
}

int NearestSystemEntry(const PALETTEENTRY& colour) {
    int best = 0;
    for (int i = 1; i < 256; ++i) {
        if (Distance(state.systemPalette[i], colour) <
            Distance(state.systemPalette[best], colour)) {
            best = i;
        }
    }
    return best;
}

// Maps a palette into the system palette. In the foreground it owns every non-static
// entry: entries marked PC_RESERVED or PC_NOCOLLAPSE get entries of their own, others may
// share an equal colour. In the background it only maps onto what is there. Returns how
// many system entries this realization set.
UINT MapPalette(HPALETTE handle, PaletteRecord* palette, bool background) {
    palette->mapping.assign(palette->entries.size(), -1);
    if (background) {
        for (size_t i = 0; i < palette->entries.size(); ++i) {
            palette->mapping[i] = NearestSystemEntry(palette->entries[i]);
        }
        return 0;
    }
    UINT changed = 0;
    int next = 0;
    std::vector<bool> claimed(256, false);
    for (size_t i = 0; i < palette->entries.size(); ++i) {
        const PALETTEENTRY& e = palette->entries[i];
        bool ownEntry = (e.peFlags & (PC_RESERVED | PC_NOCOLLAPSE)) != 0;
        if (!ownEntry) {
            int found = -1;
            for (int s = 0; s < 256 && found < 0; ++s) {
                if ((IsStatic(s) || claimed[s]) && state.systemPalette[s].peRed == e.peRed &&
                    state.systemPalette[s].peGreen == e.peGreen &&
                    state.systemPalette[s].peBlue == e.peBlue) {
                    found = s;
                }
            }
            if (found >= 0) {
                palette->mapping[i] = found;
                continue;
            }
        }
        while (next < 256 && (IsStatic(next) || claimed[next])) {
            ++next;
        }
        if (next >= 256) {
            palette->mapping[i] = NearestSystemEntry(e);
            continue;
        }
        PALETTEENTRY value{e.peRed, e.peGreen, e.peBlue, 0};
        if (std::memcmp(&state.systemPalette[next], &value, sizeof value) != 0 ||
            state.foregroundPalette != handle) {
            ++changed;
        }
        state.systemPalette[next] = value;
        claimed[next] = true;
        palette->mapping[i] = next++;
    }
    state.foregroundPalette = handle;
    return changed;
}

} // namespace

DcRecord* FindDc(HDC dc) { return HandleGet(dcs, KIND_DC, dc); }

HPALETTE StockDefaultPalette(void) {
    if (HandleGet(palettes, KIND_PALETTE, state.stockPalette) == nullptr) {
        PaletteRecord record;
        record.entries.assign(defaultColors, defaultColors + 20);
        record.stock = true;
        state.stockPalette = reinterpret_cast<HPALETTE>(HandleAdd(palettes, KIND_PALETTE, record));
    }
    return state.stockPalette;
}

HGDIOBJ WINAPI GetStockObject(int object) {
    switch (object) {
    case BLACK_BRUSH:
        return reinterpret_cast<HGDIOBJ>(blackBrush);
    case WHITE_BRUSH:
        return reinterpret_cast<HGDIOBJ>(whiteBrush);
    case NULL_BRUSH:
        return reinterpret_cast<HGDIOBJ>(nullBrush);
    case DEFAULT_PALETTE:
        return StockDefaultPalette();
    default:
        return nullptr;
    }
}

// A brush's colour: the stock black and white, or a system colour's brush (its index plus one,
// as a class names it). Null, the null brush and anything else paint nothing.
bool BrushColor(HBRUSH brush, COLORREF* colour) {
    uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if (value == blackBrush || value == whiteBrush) {
        *colour = value == blackBrush ? RGB(0, 0, 0) : RGB(255, 255, 255);
        return true;
    }
    if (value >= 1 && value <= 31) { // the system colours COLOR_SCROLLBAR to COLOR_MENUBAR
        *colour = SysColor(static_cast<int>(value) - 1);
        return true;
    }
    return false;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    NoteCall("DeleteObject");
    uintptr_t value = reinterpret_cast<uintptr_t>(object);
    if (value == blackBrush || value == whiteBrush || value == nullBrush) {
        return TRUE; // stock objects are never deleted
    }
    PaletteRecord* palette = HandleGet(palettes, KIND_PALETTE, object);
    if (palette == nullptr) {
        return FALSE;
    }
    if (palette->stock) {
        return TRUE;
    }
    for (auto& slot : dcs.slots) {
        if (slot.used && slot.value.palette == object) {
            slot.value.palette = StockDefaultPalette();
        }
    }
    if (state.foregroundPalette == object) {
        state.foregroundPalette = nullptr;
    }
    HandleRemove(palettes, KIND_PALETTE, object);
    return TRUE;
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE* logical) {
    NoteCall("CreatePalette");
    if (InjectedFailure("CreatePalette") || logical == nullptr || logical->palVersion != 0x300 ||
        logical->palNumEntries == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PaletteRecord record;
    record.entries.assign(logical->palPalEntry, logical->palPalEntry + logical->palNumEntries);
    return reinterpret_cast<HPALETTE>(HandleAdd(palettes, KIND_PALETTE, record));
}

UINT WINAPI GetPaletteEntries(HPALETTE handle, UINT start, UINT count, LPPALETTEENTRY entries) {
    NoteCall("GetPaletteEntries");
    PaletteRecord* palette = HandleGet(palettes, KIND_PALETTE, handle);
    if (palette == nullptr) {
        return 0;
    }
    UINT size = static_cast<UINT>(palette->entries.size());
    if (entries == nullptr) {
        return size;
    }
    if (start >= size) {
        return 0;
    }
    UINT n = std::min(count, size - start);
    std::copy(palette->entries.begin() + start, palette->entries.begin() + start + n, entries);
    return n;
}

HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground) {
    NoteCall("SelectPalette");
    DcRecord* record = FindDc(dc);
    if (record == nullptr || HandleGet(palettes, KIND_PALETTE, palette) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HPALETTE previous = record->palette;
    record->palette = palette;
    record->background = forceBackground != 0;
    return previous;
}

UINT WINAPI RealizePalette(HDC dc) {
    NoteCall("RealizePalette");
    DcRecord* record = FindDc(dc);
    if (record == nullptr) {
        return GDI_ERROR;
    }
    PaletteRecord* palette = HandleGet(palettes, KIND_PALETTE, record->palette);
    if (palette == nullptr || !PaletteDisplay()) {
        return 0;
    }
    if (palette->stock) {
        MapPalette(record->palette, palette, true);
        return 0;
    }
    UINT changed = MapPalette(record->palette, palette, record->background);
    if (changed > 0) {
        Backend()->SystemPaletteChanged();
        // Every top-level window learns who changed the system palette.
        SendToTopLevel(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(record->window), 0);
    }
    return changed;
}

BOOL WINAPI UnrealizeObject(HGDIOBJ object) {
    NoteCall("UnrealizeObject");
    PaletteRecord* palette = HandleGet(palettes, KIND_PALETTE, object);
    uintptr_t value = reinterpret_cast<uintptr_t>(object);
    if (palette == nullptr) {
        return value == blackBrush || value == whiteBrush || value == nullBrush;
    }
    palette->mapping.clear();
    if (state.foregroundPalette == object) {
        state.foregroundPalette = nullptr; // the next realization maps it afresh
    }
    return TRUE;
}

UINT WINAPI GetSystemPaletteEntries(HDC dc, UINT start, UINT count, LPPALETTEENTRY entries) {
    if (FindDc(dc) == nullptr || !PaletteDisplay()) {
        return 0;
    }
    if (entries == nullptr) {
        return 256;
    }
    if (start >= 256) {
        return 0;
    }
    UINT n = std::min(count, 256 - start);
    std::copy(state.systemPalette.begin() + start, state.systemPalette.begin() + start + n,
              entries);
    return n;
}

UINT WINAPI SetSystemPaletteUse(HDC dc, UINT use) {
    NoteCall("SetSystemPaletteUse");
    if (FindDc(dc) == nullptr || !PaletteDisplay() ||
        (use != SYSPAL_STATIC && use != SYSPAL_NOSTATIC && use != SYSPAL_NOSTATIC256)) {
        return SYSPAL_ERROR;
    }
    UINT previous = state.systemPaletteUse;
    state.systemPaletteUse = use;
    if (use == SYSPAL_STATIC) {
        for (int i = 0; i < 10; ++i) {
            state.systemPalette[i] = defaultColors[i];
            state.systemPalette[246 + i] = defaultColors[10 + i];
        }
    } else {
        state.systemPalette[0] = defaultColors[0];
        state.systemPalette[255] = defaultColors[19];
    }
    return previous;
}

UINT WINAPI GetSystemPaletteUse(HDC dc) {
    return (FindDc(dc) != nullptr && PaletteDisplay()) ? state.systemPaletteUse : SYSPAL_ERROR;
}

// The colour a pixel of palette index `index` shows through the window's palette.
int CorePaletteColor(HWND window, int index, PALETTEENTRY* colour) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        return false;
    }
    DcRecord* dc = FindDc(record->dc);
    PaletteRecord* palette = dc ? HandleGet(palettes, KIND_PALETTE, dc->palette) : nullptr;
    if (palette == nullptr || palette->mapping.empty() ||
        index >= static_cast<int>(palette->mapping.size())) {
        *colour = state.systemPalette[index & 0xFF];
        return true;
    }
    *colour = state.systemPalette[palette->mapping[static_cast<size_t>(index)]];
    return true;
}

#ifdef VORLANTH_TEST_HOOKS
const PALETTEENTRY* CoreSystemPalette(void) { return state.systemPalette.data(); }

void CoreSetSystemPaletteEntries(const PALETTEENTRY* entries, int count, HWND realizer) {
    int next = 0;
    for (int i = 0; i < count; ++i) {
        while (next < 256 && IsStatic(next)) {
            ++next;
        }
        if (next >= 256) {
            break;
        }
        state.systemPalette[next++] =
            PALETTEENTRY{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
    }
    state.foregroundPalette = nullptr;
    if (BackendReady() && Backend()->SystemPaletteChanged != nullptr) {
        Backend()->SystemPaletteChanged();
    }
    SendToTopLevel(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(realizer), 0);
}
#endif
