// Taking the system's static colours for the window's palette and giving them back,
// with the desktop's system colours switched to black and white meanwhile and the
// user's own colours read back from the registry afterwards.
#include "palette.h"

#include <cstdlib>
#include <cstring>

#include "toolkit.h"

enum : DWORD { SYS_COLOR_VALUE_SIZE = 64 };

static void BroadcastSysColorChange(void) { PostMessageA(HWND_BROADCAST, WM_SYSCOLORCHANGE, 0, 0); }

int32_t TakeStaticColors(HDC dc) {
    if (windowState.staticColorsTaken) {
        return 1;
    }
    if (SetSystemPaletteUse(dc, SYSPAL_NOSTATIC) != SYSPAL_STATIC) {
        // Someone else holds them (or the display has none): let others run and try
        // again from the queue.
        Sleep(0);
        QueuePaletteRealization();
        return 0;
    }
    for (int32_t i = 0; i < windowState.sysColorCount; i++) {
        SavedSysColors[i] = GetSysColor(i);
    }
    SetSysColors(windowState.sysColorCount, SysColorElements, MonoSysColors);
    windowState.staticColorsTaken = 1;
    BroadcastSysColorChange();
    return 1;
}

int32_t RestoreStaticColors(HDC dc) {
    if (!windowState.staticColorsTaken) {
        return 0;
    }
    ReadSavedSysColors(SavedSysColors, windowState.sysColorCount);
    SetSysColors(windowState.sysColorCount, SysColorElements, SavedSysColors);
    SetSystemPaletteUse(dc, SYSPAL_STATIC);
    BroadcastSysColorChange();
    windowState.staticColorsTaken = 0;
    return 1;
}

// Reads "red green blue" as three decimal numbers; returns 0 unless all three are there.
static int32_t ParseColorValue(const char* text, COLORREF* color) {
    long components[3];
    const char* cursor = text;
    for (long& component : components) {
        char* end = nullptr;
        component = strtol(cursor, &end, 10);
        if (end == cursor) {
            return 0;
        }
        cursor = end;
    }
    *color = (static_cast<unsigned long>(components[0]) & 0xFF) |
             ((static_cast<unsigned long>(components[1]) & 0xFF) << 8) |
             ((static_cast<unsigned long>(components[2]) & 0xFF) << 16);
    return 1;
}

int32_t ReadSavedSysColors(COLORREF* table, int32_t count) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Colors", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return 0;
    }
    for (int32_t i = 0; i < count && i < SYS_COLOR_ELEMENT_COUNT; i++) {
        BYTE value[SYS_COLOR_VALUE_SIZE];
        DWORD size = sizeof value;
        DWORD type = 0;
        if (RegQueryValueExA(key, SysColorValueNames[i], nullptr, &type, value, &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ) {
            continue;
        }
        // The value need not end in a zero: parse a terminated copy of the bytes read.
        char text[SYS_COLOR_VALUE_SIZE + 1];
        size_t length = size < sizeof value ? size : sizeof value;
        memcpy(text, value, length);
        text[length] = '\0';
        ParseColorValue(text, &table[i]);
    }
    RegCloseKey(key);
    return 1;
}
