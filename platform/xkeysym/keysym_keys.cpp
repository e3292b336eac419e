// Win32 names a key by its place on a US keyboard, whatever it types: letters and digits by
// their capital and digit, the rest by VK_ codes.
#include "keysym_keys.h"

#include <windows.h>

#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace {

const uint32_t noSymbol = 0;

struct KeyName {
    uint32_t keysym;
    int vk;
};

// Keys that are the same whether the keypad's Num Lock is on or off are matched by the
// typed keysym; everything else by the key's first (unshifted) keysym.
const KeyName keys[] = {
    {XK_BackSpace, VK_BACK},
    {XK_Tab, VK_TAB},
    {XK_ISO_Left_Tab, VK_TAB},
    {XK_Clear, VK_CLEAR},
    {XK_Return, VK_RETURN},
    {XK_KP_Enter, VK_RETURN},
    {XK_Shift_L, VK_SHIFT},
    {XK_Shift_R, VK_SHIFT},
    {XK_Control_L, VK_CONTROL},
    {XK_Control_R, VK_CONTROL},
    {XK_Alt_L, VK_MENU},
    {XK_Alt_R, VK_MENU},
    {XK_Meta_L, VK_MENU},
    {XK_Meta_R, VK_MENU},
    {XK_Pause, VK_PAUSE},
    {XK_Caps_Lock, VK_CAPITAL},
    {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE},
    {XK_Prior, VK_PRIOR},
    {XK_Next, VK_NEXT},
    {XK_End, VK_END},
    {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},
    {XK_Down, VK_DOWN},
    {XK_Select, VK_SELECT},
    {XK_Print, VK_SNAPSHOT},
    {XK_Execute, VK_EXECUTE},
    {XK_Insert, VK_INSERT},
    {XK_Delete, VK_DELETE},
    {XK_Help, VK_HELP},
    {XK_Super_L, VK_LWIN},
    {XK_Super_R, VK_RWIN},
    {XK_Menu, VK_APPS},
    {XK_KP_Multiply, VK_MULTIPLY},
    {XK_KP_Add, VK_ADD},
    {XK_KP_Separator, VK_SEPARATOR},
    {XK_KP_Subtract, VK_SUBTRACT},
    {XK_KP_Decimal, VK_DECIMAL},
    {XK_KP_Divide, VK_DIVIDE},
    {XK_Num_Lock, VK_NUMLOCK},
    {XK_Scroll_Lock, VK_SCROLL},
    {XK_semicolon, VK_OEM_1},
    {XK_equal, VK_OEM_PLUS},
    {XK_comma, VK_OEM_COMMA},
    {XK_minus, VK_OEM_MINUS},
    {XK_period, VK_OEM_PERIOD},
    {XK_slash, VK_OEM_2},
    {XK_grave, VK_OEM_3},
    {XK_bracketleft, VK_OEM_4},
    {XK_backslash, VK_OEM_5},
    {XK_bracketright, VK_OEM_6},
    {XK_apostrophe, VK_OEM_7},
    {XK_less, VK_OEM_102},
    // The keypad without Num Lock: the navigation keys it doubles as.
    {XK_KP_Home, VK_HOME},
    {XK_KP_Left, VK_LEFT},
    {XK_KP_Up, VK_UP},
    {XK_KP_Right, VK_RIGHT},
    {XK_KP_Down, VK_DOWN},
    {XK_KP_Prior, VK_PRIOR},
    {XK_KP_Next, VK_NEXT},
    {XK_KP_End, VK_END},
    {XK_KP_Begin, VK_CLEAR},
    {XK_KP_Insert, VK_INSERT},
    {XK_KP_Delete, VK_DELETE},
};

int Lookup(uint32_t keysym) {
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
        return static_cast<int>(VK_NUMPAD0 + (keysym - XK_KP_0));
    }
    if (keysym >= XK_F1 && keysym <= XK_F24) {
        return static_cast<int>(VK_F1 + (keysym - XK_F1));
    }
    for (const KeyName& key : keys) {
        if (key.keysym == keysym) {
            return key.vk;
        }
    }
    return 0;
}

bool IsKeypad(uint32_t keysym) { return keysym >= XK_KP_Space && keysym <= XK_KP_Equal; }

} // namespace

int KeysymVirtualKey(uint32_t base, uint32_t typed) {
    if (typed == XK_ISO_Level3_Shift || typed == XK_Mode_switch) {
        return 0; // AltGr only selects what the other keys type
    }
    if (IsKeypad(typed)) {
        int vk = Lookup(typed);
        if (vk != 0) {
            return vk;
        }
    }
    int vk = Lookup(base != noSymbol ? base : typed);
    if (vk == 0 && (base != noSymbol || typed != noSymbol)) {
        vk = VK_OEM_8; // a key of another layout; its character still arrives
    }
    return vk;
}

uint32_t KeysymCharacter(uint32_t keysym) { return xkb_keysym_to_utf32(keysym); }
