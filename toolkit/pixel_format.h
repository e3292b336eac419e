// Choosing the window's pixel format from the display mode: the system's choice, the
// exact search over every format, or an explicit format number.
#pragma once

#include <windows.h>

#include <cstdint>

#include "wt_types.h"

// Chooses a format by the record's formatChoice, sets it on dc and builds the palette
// where the format needs one. Returns 1, or 0 after a reported failure.
int32_t WtChooseFormat(HDC dc, DisplayMode mode);
// Fills d with the descriptor wanted for mode and returns the system's closest format, or 0.
int32_t WtAskSystemFormat(HDC dc, DisplayMode mode, PIXELFORMATDESCRIPTOR* d);
// Returns the lowest-numbered format with the most colour bits among those that match
// mode exactly (d then holds its description), or 0.
int32_t WtSearchExactFormat(HDC dc, DisplayMode mode, PIXELFORMATDESCRIPTOR* d);
// Returns 1 when number names a format of dc that can draw to a window with OpenGL.
int32_t WtCheckFormatNumber(HDC dc, int32_t number, PIXELFORMATDESCRIPTOR* d);
