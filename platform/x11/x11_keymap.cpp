// Virtual-key codes of X key events. Win32 names a key by its place on a US keyboard,
// whatever it types: letters and digits by their capital and digit, the rest by VK_ codes.
#include <X11/keysym.h>

#include "x11.h"

namespace {

struct KeyName {
    KeySym keysym;
    int vk;
};

// Keys that are the same whether the keypad's Num Lock is on or off are matched by the
// typed keysym; everything else by the key's first (unshifted) keysym.
const KeyName keys[] = {
    {XK_BackSpace, 0x08},
    {XK_Tab, 0x09},
    {XK_ISO_Left_Tab, 0x09},
    {XK_Clear, 0x0C},
    {XK_Return, 0x0D},
    {XK_KP_Enter, 0x0D},
    {XK_Shift_L, 0x10},
    {XK_Shift_R, 0x10},
    {XK_Control_L, 0x11},
    {XK_Control_R, 0x11},
    {XK_Alt_L, 0x12},
    {XK_Alt_R, 0x12},
    {XK_Meta_L, 0x12},
    {XK_Meta_R, 0x12},
    {XK_Pause, 0x13},
    {XK_Caps_Lock, 0x14},
    {XK_Escape, 0x1B},
    {XK_space, 0x20},
    {XK_Prior, 0x21},
    {XK_Next, 0x22},
    {XK_End, 0x23},
    {XK_Home, 0x24},
    {XK_Left, 0x25},
    {XK_Up, 0x26},
    {XK_Right, 0x27},
    {XK_Down, 0x28},
    {XK_Select, 0x29},
    {XK_Print, 0x2C},
    {XK_Execute, 0x2B},
    {XK_Insert, 0x2D},
    {XK_Delete, 0x2E},
    {XK_Help, 0x2F},
    {XK_Super_L, 0x5B},
    {XK_Super_R, 0x5C},
    {XK_Menu, 0x5D},
    {XK_KP_Multiply, 0x6A},
    {XK_KP_Add, 0x6B},
    {XK_KP_Separator, 0x6C},
    {XK_KP_Subtract, 0x6D},
    {XK_KP_Decimal, 0x6E},
    {XK_KP_Divide, 0x6F},
    {XK_Num_Lock, 0x90},
    {XK_Scroll_Lock, 0x91},
    {XK_semicolon, 0xBA},
    {XK_equal, 0xBB},
    {XK_comma, 0xBC},
    {XK_minus, 0xBD},
    {XK_period, 0xBE},
    {XK_slash, 0xBF},
    {XK_grave, 0xC0},
    {XK_bracketleft, 0xDB},
    {XK_backslash, 0xDC},
    {XK_bracketright, 0xDD},
    {XK_apostrophe, 0xDE},
    {XK_less, 0xE2},
    // The keypad without Num Lock: the navigation keys it doubles as.
    {XK_KP_Home, 0x24},
    {XK_KP_Left, 0x25},
    {XK_KP_Up, 0x26},
    {XK_KP_Right, 0x27},
    {XK_KP_Down, 0x28},
    {XK_KP_Prior, 0x21},
    {XK_KP_Next, 0x22},
    {XK_KP_End, 0x23},
    {XK_KP_Begin, 0x0C},
    {XK_KP_Insert, 0x2D},
    {XK_KP_Delete, 0x2E},
};

int Lookup(KeySym keysym) {
    if (keysym >= XK_a && keysym <= XK_z) {
        return static_cast<int>('A' + (keysym - XK_a));
    }
    if (keysym >= XK_A && keysym <= XK_Z) {
        return static_cast<int>('A' + (keysym - XK_A));
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return static_cast<int>('0' + (keysym - XK_0));
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return static_cast<int>(0x60 + (keysym - XK_KP_0)); // VK_NUMPAD0..9
    }
    if (keysym >= XK_F1 && keysym <= XK_F24) {
        return static_cast<int>(0x70 + (keysym - XK_F1)); // VK_F1..F24
    }
    for (const KeyName& key : keys) {
        if (key.keysym == keysym) {
            return key.vk;
        }
    }
    return 0;
}

bool IsKeypad(KeySym keysym) { return keysym >= XK_KP_Space && keysym <= XK_KP_Equal; }

} // namespace

int X11VirtualKey(XKeyEvent* event, KeySym typed) {
    if (typed == XK_ISO_Level3_Shift || typed == XK_Mode_switch) {
        return 0; // AltGr only selects what the other keys type
    }
    if (IsKeypad(typed)) {
        int vk = Lookup(typed);
        if (vk != 0) {
            return vk;
        }
    }
    KeySym base = XLookupKeysym(event, 0);
    int vk = Lookup(base != NoSymbol ? base : typed);
    if (vk == 0 && (base != NoSymbol || typed != NoSymbol)) {
        vk = 0xDF; // VK_OEM_8: a key of another layout; its character still arrives
    }
    return vk;
}
