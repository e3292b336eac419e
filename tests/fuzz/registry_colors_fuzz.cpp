// The user's colours under "Control Panel\Colors" as arbitrary values: any type, length
// and bytes. Each input is read back with ReadSavedSysColors and through a give-back and
// take of the static colours on a palette display. Every entry must be the value's three
// numbers cut to 8 bits each, or else the colour saved before.
//
// Input: per colour name in table order, a byte choosing absent / string / other type, a
// length byte, then that many bytes of value (fewer when the input ends).
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "palette.h"
#include "toolkit.h"
#include "vdesk_control.h"

namespace {

const char* const colorsKey = "Control Panel\\Colors";

struct Value {
    bool present;
    DWORD type;
    const uint8_t* data;
    size_t size;
};

[[noreturn]] void Fail(const char* what, int index, unsigned long got, unsigned long expected) {
    std::fprintf(stderr, "registry colours: %s at entry %d: got %06lx, expected %06lx\n", what,
                 index, got, expected);
    std::abort();
}

// Three decimal numbers as the C library reads them (leading blanks, a sign, saturation
// at the long's limits), cut to 8 bits each; false unless all three are there.
bool ParseThree(const uint8_t* bytes, size_t size, COLORREF* color) {
    size_t i = 0;
    unsigned long parts[3];
    for (unsigned long& part : parts) {
        while (i < size && bytes[i] != 0 &&
               (bytes[i] == ' ' || (bytes[i] >= '\t' && bytes[i] <= '\r'))) {
            i++;
        }
        bool negative = false;
        if (i < size && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
        if (i >= size || bytes[i] < '0' || bytes[i] > '9') return false;
        unsigned long magnitude = 0;
        bool saturated = false;
        const unsigned long limit = negative ? static_cast<unsigned long>(LONG_MAX) + 1 : LONG_MAX;
        for (; i < size && bytes[i] >= '0' && bytes[i] <= '9'; i++) {
            unsigned long digit = bytes[i] - '0';
            if (saturated || magnitude > (limit - digit) / 10) {
                saturated = true;
            } else {
                magnitude = magnitude * 10 + digit;
            }
        }
        if (saturated) magnitude = limit;
        part = negative ? 0 - magnitude : magnitude;
    }
    *color = (parts[0] & 0xFF) | ((parts[1] & 0xFF) << 8) | ((parts[2] & 0xFF) << 16);
    return true;
}

// What an entry must read as: the value's colour, when it is a string of at most 64
// bytes with three numbers in it, else the colour it had.
COLORREF Expected(const Value& value, COLORREF saved) {
    COLORREF color = 0;
    if (value.present && value.type == REG_SZ && value.size <= 64 &&
        ParseThree(value.data, value.size, &color)) {
        return color;
    }
    return saved;
}

void PumpMessages() {
    MSG message;
    for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); i++) {
        DispatchMessageA(&message);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VdeskReset();
    VdeskUsePaletteDisplay(1);
    WtSetDisplayMode(DM_DOUBLE | DM_DEPTH16);
    WtSetPosition(100, 100, 64, 48);
    if (WtOpenWindow("Colours", 0) != 1 || !windowState.usesStaticColors) {
        std::fprintf(stderr, "registry colours: no window with the static colours\n");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int count = windowState.sysColorCount;
    Value values[SYS_COLOR_ELEMENT_COUNT] = {};
    size_t at = 0;
    VdeskRegistryDeleteKey(colorsKey);
    const bool keyPresent = size == 0 || data[0] != 0xFF;
    if (keyPresent) VdeskRegistryCreateKey(colorsKey);
    if (size > 0) at = 1;
    for (int i = 0; i < SYS_COLOR_ELEMENT_COUNT && at + 2 <= size && keyPresent; i++) {
        const uint8_t kind = data[at], length = data[at + 1];
        at += 2;
        Value& value = values[i];
        value.present = kind % 8 != 0;
        value.type = kind % 8 <= 4   ? REG_SZ
                     : kind % 8 == 5 ? REG_DWORD
                     : kind % 8 == 6 ? REG_BINARY
                                     : kind;
        value.data = data + at;
        value.size = length <= size - at ? length : size - at;
        at += value.size;
        if (value.present) {
            VdeskRegistrySetBytes(colorsKey, SysColorValueNames[i], value.type, value.data,
                                  value.size);
        }
    }

    // Read straight into a table of known colours.
    COLORREF table[SYS_COLOR_ELEMENT_COUNT];
    for (int i = 0; i < SYS_COLOR_ELEMENT_COUNT; i++)
        table[i] = 0x00102030u + static_cast<COLORREF>(i);
    if (ReadSavedSysColors(table, count) != (keyPresent ? 1 : 0)) Fail("result", -1, 0, keyPresent);
    for (int i = 0; i < SYS_COLOR_ELEMENT_COUNT; i++) {
        COLORREF sentinel = 0x00102030u + static_cast<COLORREF>(i);
        COLORREF expected = i < count ? Expected(values[i], sentinel) : sentinel;
        if (table[i] != expected) Fail("read", i, table[i], expected);
    }

    // Give the static colours back (which reads the registry) and take them again.
    if (!windowState.staticColorsTaken && !TakeStaticColors(windowState.dc)) {
        Fail("static colours refused", -1, 0, 0);
    }
    COLORREF saved[SYS_COLOR_ELEMENT_COUNT];
    for (int i = 0; i < count; i++) saved[i] = SavedSysColors[i];
    RestoreStaticColors(windowState.dc);
    for (int i = 0; i < count; i++) {
        COLORREF got = GetSysColor(SysColorElements[i]);
        COLORREF expected = Expected(values[i], saved[i]);
        if (got != expected) Fail("given back", i, got, expected);
    }
    TakeStaticColors(windowState.dc);
    PumpMessages();
    return 0;
}
