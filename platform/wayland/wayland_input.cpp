// The seat's keyboard and pointer turned into the core's notifications. Keys are read with
// the compositor's keymap through xkbcommon; held keys repeat at the rate and delay the
// compositor gives, generated here with a timer since Wayland sends no repeats.
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <xkbcommon/xkbcommon.h>

#include "core_events.h"
#include "keysym_keys.h"
#include "wayland.h"

namespace {

wl_seat* seat = nullptr;
wl_keyboard* keyboard = nullptr;
wl_pointer* pointer = nullptr;
xkb_context* xkbContext = nullptr;
xkb_keymap* keymap = nullptr;
xkb_state* keyState = nullptr;
// The compositor's keymap as it sent it. Compiling it takes milliseconds, which start-up need
// not wait for: it is compiled when a key or a modifier first needs it.
std::string keymapText;
wl_surface* keyboardSurface = nullptr;
wl_surface* pointerSurface = nullptr;
int pointerX = 0, pointerY = 0;

int repeatRate = 25, repeatDelay = 600; // until the compositor says otherwise
int repeatTimer = -1;
uint32_t repeatKey = 0; // evdev code of the key that repeats; 0: none

void ArmRepeat(uint32_t key) {
    if (repeatTimer < 0) {
        repeatTimer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    }
    repeatKey = repeatRate > 0 ? key : 0;
    itimerspec when{};
    if (repeatKey != 0) {
        long interval = 1000000000L / repeatRate;
        when.it_interval.tv_sec = interval / 1000000000L;
        when.it_interval.tv_nsec = interval % 1000000000L;
        when.it_value.tv_sec = repeatDelay / 1000;
        when.it_value.tv_nsec = (repeatDelay % 1000) * 1000000L + (repeatDelay == 0 ? 1 : 0);
    }
    if (repeatTimer >= 0) {
        timerfd_settime(repeatTimer, 0, &when, nullptr);
    }
}

// Shift, Control, Alt and Caps Lock as the keymap's state has them.
void SyncModifiers(void) {
    if (keyState == nullptr) {
        return;
    }
    auto active = [](const char* name) {
        return xkb_state_mod_name_is_active(keyState, name, XKB_STATE_MODS_EFFECTIVE) > 0;
    };
    CoreNotifyModifiers(
        active(XKB_MOD_NAME_SHIFT), active(XKB_MOD_NAME_CTRL), active(XKB_MOD_NAME_ALT),
        xkb_state_mod_name_is_active(keyState, XKB_MOD_NAME_CAPS, XKB_STATE_MODS_LOCKED) > 0);
}

// A key of ours went down (or repeats) or up: its virtual key and typed character.
void Key(uint32_t key, int down) {
    WaylandWindow* native = WaylandFindSurface(keyboardSurface);
    if (keyState == nullptr) {
        return;
    }
    xkb_keycode_t code = key + 8; // evdev codes are X key codes less 8
    xkb_keysym_t typed = xkb_state_key_get_one_sym(keyState, code);
    if (down && WaylandBoxKey(keyboardSurface, typed)) {
        return;
    }
    if (native == nullptr) {
        return;
    }
    const xkb_keysym_t* base = nullptr;
    xkb_layout_index_t layout = xkb_state_key_get_layout(keyState, code);
    int count = xkb_keymap_key_get_syms_by_level(keymap, code, layout, 0, &base);
    int vk = KeysymVirtualKey(count > 0 ? base[0] : XKB_KEY_NoSymbol, typed);
    if (vk == 0) {
        return;
    }
    int character = down ? static_cast<int>(xkb_state_key_get_utf32(keyState, code)) : 0;
    CoreNotifyKey(native->window, vk, down, character);
}

void Keymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        close(fd);
        return;
    }
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (text == MAP_FAILED) {
        return;
    }
    keymapText.assign(static_cast<const char*>(text),
                      strnlen(static_cast<const char*>(text), size));
    munmap(text, size);
    xkb_state_unref(keyState);
    xkb_keymap_unref(keymap);
    keymap = nullptr;
    keyState = nullptr;
}

// The keymap compiled, once it is wanted; false when there is none (or it does not compile).
bool KeymapReady(void) {
    if (keyState != nullptr || keymapText.empty()) {
        return keyState != nullptr;
    }
    if (xkbContext == nullptr) {
        xkbContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    }
    keymap = xkb_keymap_new_from_string(xkbContext, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    keymapText.clear();
    keyState = keymap != nullptr ? xkb_state_new(keymap) : nullptr;
    return keyState != nullptr;
}

void Enter(void*, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
    keyboardSurface = surface;
}

void Leave(void*, wl_keyboard*, uint32_t, wl_surface* surface) {
    if (keyboardSurface == surface) {
        keyboardSurface = nullptr;
        ArmRepeat(0);
    }
}

void KeyEvent(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
    if (!KeymapReady()) {
        return;
    }
    if (down && xkb_keymap_key_repeats(keymap, key + 8)) {
        ArmRepeat(key);
    } else if (!down && key == repeatKey) {
        ArmRepeat(0);
    }
    Key(key, down ? 1 : 0);
}

void Modifiers(void*, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
               uint32_t group) {
    // No modifier in force before the keymap is compiled: none to report, nothing to compile.
    if ((keyState != nullptr || (depressed | latched | locked | group) != 0) && KeymapReady()) {
        xkb_state_update_mask(keyState, depressed, latched, locked, 0, 0, group);
        SyncModifiers();
    }
}

void RepeatInfo(void*, wl_keyboard*, int32_t rate, int32_t delay) {
    repeatRate = std::max(rate, 0);
    repeatDelay = std::max(delay, 0);
}

const wl_keyboard_listener keyboardListener = {Keymap,   Enter,     Leave,
                                               KeyEvent, Modifiers, RepeatInfo};

// The pointer arrived at or moved to (x, y); a motion to where it already is says nothing.
void Moved(wl_fixed_t x, wl_fixed_t y, bool arrived) {
    if (!arrived && wl_fixed_to_int(x) == pointerX && wl_fixed_to_int(y) == pointerY) {
        return;
    }
    pointerX = wl_fixed_to_int(x);
    pointerY = wl_fixed_to_int(y);
    WaylandWindow* native = WaylandFindSurface(pointerSurface);
    if (native != nullptr) {
        // The program sees its client area in buffer pixels, the pointer's among them.
        CoreNotifyMouseMove(native->window, WaylandBufferSize(pointerX, native->scale),
                            WaylandBufferSize(pointerY, native->scale));
    }
}

void PointerMotion(void*, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) { Moved(x, y, false); }

void PointerEnter(void*, wl_pointer* from, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                  wl_fixed_t y) {
    WaylandShowArrow(from, serial, surface);
    pointerSurface = surface;
    Moved(x, y, true); // Win32 reports the arrival as a move
}

void PointerLeave(void*, wl_pointer*, uint32_t, wl_surface* surface) {
    if (pointerSurface == surface) {
        pointerSurface = nullptr;
    }
}

void PointerButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
    int down = state == WL_POINTER_BUTTON_STATE_PRESSED ? 1 : 0;
    if (button == BTN_LEFT && WaylandBoxButton(pointerSurface, down, pointerX, pointerY)) {
        return;
    }
    WaylandWindow* native = WaylandFindSurface(pointerSurface);
    int which = button == BTN_LEFT ? 1 : button == BTN_RIGHT ? 2 : button == BTN_MIDDLE ? 4 : 0;
    if (native != nullptr && which != 0) {
        SyncModifiers();
        CoreNotifyMouseButton(native->window, which, down,
                              WaylandBufferSize(pointerX, native->scale),
                              WaylandBufferSize(pointerY, native->scale));
    }
}

void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}

// Bound at version 4: the later events (frame, axis details) never come.
const wl_pointer_listener pointerListener = {
    PointerEnter, PointerLeave, PointerMotion, PointerButton, PointerAxis,
    nullptr,      nullptr,      nullptr,       nullptr,       nullptr};

void Capabilities(void*, wl_seat*, uint32_t capabilities) {
    bool hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    bool hasPointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (hasKeyboard && keyboard == nullptr) {
        keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(keyboard, &keyboardListener, nullptr);
    } else if (!hasKeyboard && keyboard != nullptr) {
        wl_keyboard_destroy(keyboard);
        keyboard = nullptr;
        Leave(nullptr, nullptr, 0, keyboardSurface);
    }
    if (hasPointer && pointer == nullptr) {
        pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(pointer, &pointerListener, nullptr);
    } else if (!hasPointer && pointer != nullptr) {
        wl_pointer_destroy(pointer);
        pointer = nullptr;
        pointerSurface = nullptr;
    }
}

void SeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener = {Capabilities, SeatName};

} // namespace

void WaylandBindSeat(wl_registry* registry, uint32_t name, uint32_t version) {
    if (seat != nullptr) {
        return; // the first seat is the program's
    }
    // Version 4 brings repeat_info.
    seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4u)));
    wl_seat_add_listener(seat, &seatListener, nullptr);
}

// As if the keyboard and the pointer left it.
void WaylandForgetSurface(wl_surface* surface) {
    Leave(nullptr, nullptr, 0, surface);
    PointerLeave(nullptr, nullptr, 0, surface);
}

int WaylandRepeatFd(void) { return repeatKey != 0 ? repeatTimer : -1; }

void WaylandRepeatFired(void) {
    uint64_t expiries = 0;
    if (read(repeatTimer, &expiries, sizeof expiries) != sizeof expiries || repeatKey == 0) {
        return;
    }
    // A late turn of the loop gets one repeat, not a burst.
    Key(repeatKey, 1);
}
