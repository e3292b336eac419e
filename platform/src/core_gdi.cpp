// GDI objects: stock objects, logical palettes and the system palette; pixel formats,
// buffer swaps and OpenGL rendering contexts through the backend.
#include <algorithm>
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

HPALETTE stockPalette = nullptr;
const uintptr_t blackBrush = 0x70000001; // stock objects live outside the handle tables
const uintptr_t whiteBrush = 0x70000002;
const uintptr_t nullBrush = 0x70000003;

PALETTEENTRY systemPalette[256];
bool systemPaletteReady = false;
UINT systemPaletteUse = SYSPAL_STATIC;
HPALETTE foregroundPalette = nullptr;

int pixelFormatCount = -1;
PIXELFORMATDESCRIPTOR pixelFormats[64];

bool IsStatic(int index) {
    if (systemPaletteUse == SYSPAL_STATIC) {
        return index < 10 || index >= 246;
    }
    return index == 0 || index == 255;
}

void PrepareSystemPalette(void) {
    if (systemPaletteReady) {
        return;
    }
    for (int i = 0; i < 256; ++i) {
        systemPalette[i] = PALETTEENTRY{0, 0, 0, 0};
    }
    for (int i = 0; i < 10; ++i) {
        systemPalette[i] = defaultColors[i];
        systemPalette[246 + i] = defaultColors[10 + i];
    }
    systemPaletteReady = true;
}

bool PaletteDisplay(void) { return BackendReady() && Backend()->IsPaletteDisplay(); }

int Distance(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    int dr = a.peRed - b.peRed, dg = a.peGreen - b.peGreen, db = a.peBlue - b.peBlue;
    return dr * dr + dg * dg + db * db;
}

int NearestSystemEntry(const PALETTEENTRY& colour) {
    int best = 0;
    for (int i = 1; i < 256; ++i) {
        if (Distance(systemPalette[i], colour) < Distance(systemPalette[best], colour)) {
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
    PrepareSystemPalette();
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
                if ((IsStatic(s) || claimed[s]) && systemPalette[s].peRed == e.peRed &&
                    systemPalette[s].peGreen == e.peGreen && systemPalette[s].peBlue == e.peBlue) {
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
        if (std::memcmp(&systemPalette[next], &value, sizeof value) != 0 ||
            foregroundPalette != handle) {
            ++changed;
        }
        systemPalette[next] = value;
        claimed[next] = true;
        palette->mapping[i] = next++;
    }
    foregroundPalette = handle;
    return changed;
}

int ListFormats(void) {
    if (pixelFormatCount < 0) {
        pixelFormatCount = BackendReady() ? Backend()->ListPixelFormats(pixelFormats, 64) : 0;
        pixelFormatCount = std::min(pixelFormatCount, 64);
    }
    return pixelFormatCount;
}

// How well a format meets a wanted descriptor; negative when it cannot serve at all.
int FormatScore(const PIXELFORMATDESCRIPTOR& f, const PIXELFORMATDESCRIPTOR& want) {
    DWORD needed = want.dwFlags & (PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DRAW_TO_BITMAP |
                                   PFD_SUPPORT_GDI);
    if ((f.dwFlags & needed) != needed || f.iPixelType != want.iPixelType) {
        return -1;
    }
    int score = 0;
    if ((f.dwFlags & PFD_DOUBLEBUFFER) == (want.dwFlags & PFD_DOUBLEBUFFER)) {
        score += 1000;
    }
    auto near = [](int have, int wanted, int weight) {
        if (wanted == 0) {
            return have == 0 ? weight : 0;
        }
        if (have == 0) {
            return -weight;
        }
        return weight - std::min(std::abs(have - wanted), weight - 1);
    };
    score += near(f.cColorBits, want.cColorBits, 50);
    score += near(f.cAlphaBits, want.cAlphaBits, 40);
    score += near(f.cDepthBits, want.cDepthBits, 60);
    score += near(f.cStencilBits, want.cStencilBits, 30);
    score += near(f.cAccumBits, want.cAccumBits, 20);
    return score;
}

DcRecord* FindDc(HDC dc) { return HandleGet(dcs, KIND_DC, dc); }

} // namespace

HPALETTE StockDefaultPalette(void) {
    if (HandleGet(palettes, KIND_PALETTE, stockPalette) == nullptr) {
        PaletteRecord record;
        record.entries.assign(defaultColors, defaultColors + 20);
        record.stock = true;
        stockPalette = reinterpret_cast<HPALETTE>(HandleAdd(palettes, KIND_PALETTE, record));
    }
    return stockPalette;
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
    if (foregroundPalette == object) {
        foregroundPalette = nullptr;
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
    if (foregroundPalette == object) {
        foregroundPalette = nullptr; // the next realization maps it afresh
    }
    return TRUE;
}

UINT WINAPI GetSystemPaletteEntries(HDC dc, UINT start, UINT count, LPPALETTEENTRY entries) {
    if (FindDc(dc) == nullptr || !PaletteDisplay()) {
        return 0;
    }
    PrepareSystemPalette();
    if (entries == nullptr) {
        return 256;
    }
    if (start >= 256) {
        return 0;
    }
    UINT n = std::min(count, 256 - start);
    std::copy(systemPalette + start, systemPalette + start + n, entries);
    return n;
}

UINT WINAPI SetSystemPaletteUse(HDC dc, UINT use) {
    NoteCall("SetSystemPaletteUse");
    if (FindDc(dc) == nullptr || !PaletteDisplay() ||
        (use != SYSPAL_STATIC && use != SYSPAL_NOSTATIC && use != SYSPAL_NOSTATIC256)) {
        return SYSPAL_ERROR;
    }
    PrepareSystemPalette();
    UINT previous = systemPaletteUse;
    systemPaletteUse = use;
    if (use == SYSPAL_STATIC) {
        for (int i = 0; i < 10; ++i) {
            systemPalette[i] = defaultColors[i];
            systemPalette[246 + i] = defaultColors[10 + i];
        }
    } else {
        systemPalette[0] = defaultColors[0];
        systemPalette[255] = defaultColors[19];
    }
    return previous;
}

UINT WINAPI GetSystemPaletteUse(HDC dc) {
    return (FindDc(dc) != nullptr && PaletteDisplay()) ? systemPaletteUse : SYSPAL_ERROR;
}

// The colour a pixel of palette index `index` shows through the window's palette.
int CorePaletteColor(HWND window, int index, PALETTEENTRY* colour) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr) {
        return false;
    }
    DcRecord* dc = FindDc(record->dc);
    PaletteRecord* palette = dc ? HandleGet(palettes, KIND_PALETTE, dc->palette) : nullptr;
    PrepareSystemPalette();
    if (palette == nullptr || palette->mapping.empty() || index >= static_cast<int>(palette->mapping.size())) {
        *colour = systemPalette[index & 0xFF];
        return true;
    }
    *colour = systemPalette[palette->mapping[static_cast<size_t>(index)]];
    return true;
}

const PALETTEENTRY* CoreSystemPalette(void) {
    PrepareSystemPalette();
    return systemPalette;
}

void CoreSetSystemPaletteEntries(const PALETTEENTRY* entries, int count, HWND realizer) {
    PrepareSystemPalette();
    int next = 0;
    for (int i = 0; i < count; ++i) {
        while (next < 256 && IsStatic(next)) {
            ++next;
        }
        if (next >= 256) {
            break;
        }
        systemPalette[next++] = PALETTEENTRY{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
    }
    foregroundPalette = nullptr;
    if (BackendReady()) {
        Backend()->SystemPaletteChanged();
    }
    SendToTopLevel(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(realizer), 0);
}

int WINAPI DescribePixelFormat(HDC dc, int format, UINT bytes, LPPIXELFORMATDESCRIPTOR descriptor) {
    if (FindDc(dc) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    int count = ListFormats();
    if (descriptor == nullptr) {
        return count;
    }
    if (format < 1 || format > count || bytes < sizeof(PIXELFORMATDESCRIPTOR) ||
        InjectedFailure("DescribePixelFormat", format)) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return 0;
    }
    *descriptor = pixelFormats[format - 1];
    return count;
}

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* want) {
    if (FindDc(dc) == nullptr || want == nullptr || want->nSize != sizeof(PIXELFORMATDESCRIPTOR) ||
        InjectedFailure("ChoosePixelFormat")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int best = 0, bestScore = -1;
    for (int i = 0; i < ListFormats(); ++i) {
        int score = FormatScore(pixelFormats[i], *want);
        if (score > bestScore) {
            best = i + 1;
            bestScore = score;
        }
    }
    if (best == 0) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    }
    return best;
}

BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    NoteCall("SetPixelFormat");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (window == nullptr || format < 1 || format > ListFormats() || window->pixelFormat != 0 ||
        InjectedFailure("SetPixelFormat")) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    RECT client = ClientScreenRect(*window);
    if (window->native == nullptr ||
        !Backend()->SetNativePixelFormat(window->native, format, client.right - client.left,
                                   client.bottom - client.top)) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    window->pixelFormat = format;
    return TRUE;
}

int WINAPI GetPixelFormat(HDC dc) {
    NoteCall("GetPixelFormat");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (window == nullptr || window->pixelFormat == 0) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return 0;
    }
    return window->pixelFormat;
}

BOOL WINAPI SwapBuffers(HDC dc) {
    NoteCall("SwapBuffers");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (window == nullptr || window->pixelFormat == 0 || window->native == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return Backend()->SwapNativeBuffers(window->native) ? TRUE : FALSE;
}

namespace {
HGLRC currentContext = nullptr;
HDC currentDc = nullptr;
} // namespace

HGLRC WINAPI wglCreateContext(HDC dc) {
    NoteCall("wglCreateContext");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (window == nullptr || window->pixelFormat == 0 || InjectedFailure("wglCreateContext")) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    void* native = Backend()->CreateContext(window->native, window->pixelFormat);
    if (native == nullptr) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    ContextRecord context{native, dc, window->pixelFormat};
    return reinterpret_cast<HGLRC>(HandleAdd(contexts, KIND_CONTEXT, context));
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC handle) {
    NoteCall("wglMakeCurrent");
    if (handle == nullptr) {
        if (currentContext != nullptr) {
            Backend()->MakeCurrent(nullptr, nullptr);
        }
        currentContext = nullptr;
        currentDc = nullptr;
        return TRUE;
    }
    ContextRecord* context = HandleGet(contexts, KIND_CONTEXT, handle);
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (context == nullptr || window == nullptr || window->pixelFormat != context->pixelFormat ||
        InjectedFailure("wglMakeCurrent") || !Backend()->MakeCurrent(window->native, context->native)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    currentContext = handle;
    currentDc = dc;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC handle) {
    NoteCall("wglDeleteContext");
    ContextRecord* context = HandleGet(contexts, KIND_CONTEXT, handle);
    if (context == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (currentContext == handle) {
        Backend()->MakeCurrent(nullptr, nullptr);
        currentContext = nullptr;
        currentDc = nullptr;
    }
    Backend()->DeleteContext(context->native);
    HandleRemove(contexts, KIND_CONTEXT, handle);
    return TRUE;
}

HGLRC WINAPI wglGetCurrentContext(void) { return currentContext; }

HDC WINAPI wglGetCurrentDC(void) { return currentDc; }

// A window's DC goes with the window: its context is no longer current on it.
void ReleaseWindowGdi(HWND window) {
    WindowRecord* record = FindWindow(window);
    if (record != nullptr && currentDc == record->dc) {
        Backend()->MakeCurrent(nullptr, nullptr);
        currentContext = nullptr;
        currentDc = nullptr;
    }
}

void ResetGdiState(void) {
    systemPaletteReady = false;
    systemPaletteUse = SYSPAL_STATIC;
    foregroundPalette = nullptr;
    pixelFormatCount = -1;
}
