// The keyboard: key state (live, and as of the last message retrieved), key messages from
// the key events core_input.cpp resolves, and their translation into characters.
#include <algorithm>

#include "core.h"

namespace {

struct KeyboardState {
    uint8_t liveKeys[256];    // bit 0x80 down, 0x01 toggled
    uint8_t messageKeys[256]; // as of the last message retrieved
};
FileState<KeyboardState> state;

// A key press's character as MSG.lPrivate carries it: a mark, the key and the character
// (0: the layout types none). It belongs to that key, so a message the program changed
// to another key falls back to the US layout.
DWORD CarriedCharacter(int vk, int character) {
    return 0x80000000u | (static_cast<DWORD>(vk & 0xFF) << 8) |
           static_cast<DWORD>(character & 0xFF);
}

// The character a key message carries, or -1 when it carries none for its key.
int CharacterCarried(const MSG& msg) {
    if (!(msg.lPrivate & 0x80000000u) || ((msg.lPrivate >> 8) & 0xFF) != (msg.wParam & 0xFF)) {
        return -1;
    }
    return static_cast<int>(msg.lPrivate & 0xFF);
}

// Character of a key with the given key state, as a US keyboard layout gives it; 0 none.
int CharacterOf(int vk, const uint8_t* keys) {
    bool shift = keys[VK_SHIFT] & 0x80;
    bool control = keys[VK_CONTROL] & 0x80;
    bool caps = keys[VK_CAPITAL] & 0x01;
    if (vk >= 'A' && vk <= 'Z') {
        if (control) {
            return vk - 'A' + 1;
        }
        return (shift != caps) ? vk : vk - 'A' + 'a';
    }
    if (control) {
        return 0;
    }
    if (vk >= '0' && vk <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? shifted[vk - '0'] : vk;
    }
    switch (vk) {
    case VK_RETURN:
        return 13;
    case VK_ESCAPE:
        return 27;
    case VK_SPACE:
        return ' ';
    case VK_BACK:
        return 8;
    case VK_TAB:
        return 9;
    default:
        return 0;
    }
}

} // namespace

void QueueKey(HWND window, int vk, bool down, int character) {
    bool wasDown = vk >= 0 && vk <= 255 && (state.liveKeys[vk] & 0x80);
    SetKeyDown(vk, down != 0);
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) {
        SetKeyDown(VK_SHIFT, down != 0);
    } else if (vk == VK_LCONTROL || vk == VK_RCONTROL) {
        SetKeyDown(VK_CONTROL, down != 0);
    }
    if (!TakesInput(window)) {
        return;
    }
    bool alt = state.liveKeys[VK_MENU] & 0x80;
    UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    // Repeat count 1; bit 30 the previous state (always down on release), bit 31 release.
    LPARAM lParam = 1 | ((wasDown || !down) ? (static_cast<LPARAM>(1) << 30) : 0) |
                    (down ? 0 : (static_cast<LPARAM>(1) << 31));
    PostInput(window, message, static_cast<WPARAM>(vk), lParam,
              (down && character >= 0) ? CarriedCharacter(vk, character) : 0);
}

const uint8_t* LiveKeyState(void) { return state.liveKeys; }

void KeysOfRetrievedMessage(const uint8_t* keys) { std::copy(keys, keys + 256, state.messageKeys); }

bool KeyIsDown(int vk) { return (state.liveKeys[vk & 0xFF] & 0x80) != 0; }

void SetKeyDown(int vk, bool down) {
    if (vk < 0 || vk > 255) {
        return;
    }
    if (down) {
        if (!(state.liveKeys[vk] & 0x80)) {
            state.liveKeys[vk] ^= 0x01; // toggles on each press
        }
        state.liveKeys[vk] |= 0x80;
    } else {
        state.liveKeys[vk] &= static_cast<uint8_t>(~0x80);
    }
}

void SetModifierKeys(bool shift, bool control, bool alt) {
    SetKeyDown(VK_SHIFT, shift);
    SetKeyDown(VK_CONTROL, control);
    SetKeyDown(VK_MENU, alt);
}

void SetCapsLockToggle(bool on) {
    state.liveKeys[VK_CAPITAL] =
        static_cast<uint8_t>((state.liveKeys[VK_CAPITAL] & 0x80) | (on ? 1 : 0));
}

SHORT WINAPI GetKeyState(int virtualKey) {
    NoteCall("GetKeyState");
    if (virtualKey < 0 || virtualKey > 255) {
        return 0;
    }
    uint8_t key = state.messageKeys[virtualKey];
    return static_cast<SHORT>(((key & 0x80) ? 0x8000 : 0) | (key & 0x01));
}

BOOL WINAPI TranslateMessage(const MSG* message) {
    NoteCall("TranslateMessage");
    if (message == nullptr) {
        return FALSE;
    }
    // Every key message counts as translated, whether or not a character comes of it.
    if (message->message == WM_KEYUP || message->message == WM_SYSKEYUP) {
        return TRUE;
    }
    if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) {
        return FALSE;
    }
    int character = CharacterCarried(*message);
    if (character < 0) {
        character = CharacterOf(static_cast<int>(message->wParam), state.messageKeys);
    }
    if (character == 0) {
        return TRUE;
    }
    UINT charMessage = (message->message == WM_KEYDOWN) ? WM_CHAR : WM_SYSCHAR;
    // Posted, so that it comes ahead of later input.
    MSG translated = *message;
    translated.message = charMessage;
    translated.wParam = static_cast<WPARAM>(character);
    translated.lPrivate = 0;
    PostTranslated(translated);
    return TRUE;
}

BOOL WINAPI SetKeyboardState(LPBYTE keys) {
    if (keys == nullptr) {
        return FALSE;
    }
    std::copy(keys, keys + 256, state.messageKeys);
    std::copy(keys, keys + 256, state.liveKeys);
    return TRUE;
}
