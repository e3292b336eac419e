// The window's logical palette on palette displays, and the system's static colours
// that it may take over while the window is active.
#pragma once

#include <windows.h>

#include <cstdint>

enum : int32_t { SYS_COLOR_ELEMENT_COUNT = 25, DEFAULT_COLOR_COUNT = 20 };

// Tables (palette_tables.cpp).
extern const INT SysColorElements[SYS_COLOR_ELEMENT_COUNT];
extern const char* const SysColorValueNames[SYS_COLOR_ELEMENT_COUNT];
extern const COLORREF MonoSysColors[SYS_COLOR_ELEMENT_COUNT];
extern COLORREF SavedSysColors[SYS_COLOR_ELEMENT_COUNT];
extern const BYTE OneBitLevels[2];
extern const BYTE TwoBitLevels[4];
extern const BYTE ThreeBitLevels[8];
extern PALETTEENTRY DefaultColors[DEFAULT_COLOR_COUNT];
extern int32_t DefaultColorSlots[DEFAULT_COLOR_COUNT];

// Building and realizing (palette.cpp).
HPALETTE BuildRgbPalette(HDC dc);
PALETTEENTRY* FillRgbEntries(const PIXELFORMATDESCRIPTOR* format, PALETTEENTRY* entries,
                             int32_t count);
BYTE ExpandComponent(int32_t index, int32_t bits, int32_t shift);
void MatchDefaultColors(PALETTEENTRY* entries);
void ClearSystemPalette(HDC dc, int32_t count);
// Returns the number of entries mapped into the system palette, or -1.
int32_t RealizeWindowPalette(HDC dc, HPALETTE palette, int32_t forceBackground);

// The static colours and the user's system colours (static_colors.cpp).
int32_t TakeStaticColors(HDC dc);
int32_t RestoreStaticColors(HDC dc);
int32_t ReadSavedSysColors(COLORREF* table, int32_t count);
