// The palette's module tables: system-colour elements and their registry names, the
// black-and-white set used while the static colours are taken, the saved colours,
// the channel levels and the default colours with their places.
#include "palette.h"

enum : COLORREF { MONO_WHITE = 0x02FFFFFF, MONO_BLACK = 0x02000000 };

const INT SysColorElements[SYS_COLOR_ELEMENT_COUNT] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
};

const char* const SysColorValueNames[SYS_COLOR_ELEMENT_COUNT] = {
    "Scrollbar",     "Background",     "ActiveTitle",  "InactiveTitle", "Menu",
    "Window",        "WindowFrame",    "MenuText",     "WindowText",    "TitleText",
    "ActiveBorder",  "InactiveBorder", "AppWorkspace", "Hilight",       "HilightText",
    "ButtonFace",    "ButtonShadow",   "GrayText",     "ButtonText",    "InactiveTitleText",
    "ButtonHilight", "ButtonDkShadow", "ButtonLight",  "InfoText",      "InfoWindow",
};

const COLORREF MonoSysColors[SYS_COLOR_ELEMENT_COUNT] = {
    MONO_WHITE, // scroll bar
    MONO_BLACK, // background
    MONO_BLACK, // active caption
    MONO_WHITE, // inactive caption
    MONO_WHITE, // menu
    MONO_WHITE, // window
    MONO_BLACK, // window frame
    MONO_BLACK, // menu text
    MONO_BLACK, // window text
    MONO_WHITE, // caption text
    MONO_WHITE, // active border
    MONO_WHITE, // inactive border
    MONO_WHITE, // application workspace
    MONO_BLACK, // highlight
    MONO_WHITE, // highlight text
    MONO_WHITE, // button face
    MONO_BLACK, // button shadow
    MONO_BLACK, // grey text
    MONO_BLACK, // button text
    MONO_BLACK, // inactive caption text
    MONO_BLACK, // button highlight
    MONO_BLACK, // 3D dark shadow
    MONO_WHITE, // 3D light
    MONO_BLACK, // tooltip text
    MONO_WHITE, // tooltip background
};

COLORREF SavedSysColors[SYS_COLOR_ELEMENT_COUNT] = {};

const BYTE OneBitLevels[2] = {0, 255};
const BYTE TwoBitLevels[4] = {0, 116, 191, 255};
const BYTE ThreeBitLevels[8] = {0, 63, 104, 139, 171, 200, 229, 255};

// The platform's standard default colours until the first read of the stock palette.
PALETTEENTRY DefaultColors[DEFAULT_COLOR_COUNT] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

// Where those colours land in the 3-3-2 ramp, until the first match.
int32_t DefaultColorSlots[DEFAULT_COLOR_COUNT] = {
    0, 3, 24, 27, 64, 67, 88, 173, 181, 236, 247, 164, 91, 7, 56, 63, 192, 199, 248, 255,
};
