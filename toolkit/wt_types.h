// Types the toolkit shares with the layers above it: the display-mode bits and the
// handler-slot signatures. Free of platform headers so that the scene can use them.
#pragma once

#include <cstdint>

typedef uint32_t DisplayMode;

enum : DisplayMode {
    DM_INDEX = 0x1,           // colour-index pixels; absent: RGBA
    DM_DOUBLE = 0x2,          // double buffer; absent: single buffer
    DM_ACCUM = 0x8,           // accumulation buffer
    DM_ALPHA = 0x10,          // alpha bits
    DM_DEPTH = 0x20,          // depth buffer (24 bits)
    DM_STENCIL = 0x40,        // stencil buffer
    DM_DEPTH16 = 0x100,       // 16-bit depth buffer
    DM_STATIC_PALETTE = 0x200 // take the static palette colours even where not demanded
};

typedef int32_t FormatChoice;

enum : FormatChoice {
    FORMAT_CHOICE_EXACT = 2, // scan every format for an exact match
    FORMAT_CHOICE_SYSTEM = 3 // ask the system for its closest format
};

typedef void (*ExposeHandler)(int32_t width, int32_t height);
typedef void (*ReshapeHandler)(int32_t width, int32_t height);
typedef void (*DisplayHandler)(void);
typedef void (*IdleHandler)(void);
typedef int32_t (*KeyDownHandler)(int32_t key, int32_t modifiers);
typedef int32_t (*MouseDownHandler)(int32_t x, int32_t y, int32_t button);
typedef int32_t (*MouseUpHandler)(int32_t x, int32_t y, int32_t button);
typedef int32_t (*MouseMoveHandler)(int32_t x, int32_t y, int32_t buttons);

// Modifier bits passed to the key-down handler.
enum : int32_t { KEYMOD_SHIFT = 1, KEYMOD_CONTROL = 2 };

// Button bits passed to the mouse handlers.
enum : int32_t { BUTTON_LEFT = 1, BUTTON_RIGHT = 2, BUTTON_MIDDLE = 4 };
