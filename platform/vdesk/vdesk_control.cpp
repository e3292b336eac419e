// The virtual desktop's test controls.
#include <cstring>

#include "backend_select.h"
#include "core_events.h"
#include "core_test_hooks.h"
#include "vdesk.h"

namespace {
const uintptr_t otherWindow = 0x0F000001; // another program's window, never one of ours

// The virtual keyboard's modifiers, reported with every input event as a display reports
// them: as they were before the event.
struct Modifiers {
    bool shift, control, alt, capsLock;
};
Modifiers modifiers{};

void ReportModifiers(void) {
    CoreNotifyModifiers(modifiers.shift, modifiers.control, modifiers.alt, modifiers.capsLock);
}

void TrackModifier(int vk, bool down) {
    if (vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_RSHIFT) {
        modifiers.shift = down;
    } else if (vk == VK_CONTROL || vk == VK_LCONTROL || vk == VK_RCONTROL) {
        modifiers.control = down;
    } else if (vk == VK_MENU) {
        modifiers.alt = down;
    } else if (vk == VK_CAPITAL && down) {
        modifiers.capsLock = !modifiers.capsLock;
    }
}

void Key(int vk, bool down) {
    ReportModifiers();
    // A US keyboard: the display leaves the character to the layout TranslateMessage uses.
    CoreNotifyKey(GetFocus(), vk, down ? 1 : 0, -1);
    TrackModifier(vk, down);
}
} // namespace

int VdeskSelectBackend(void) {
    const PlatformBackend* const backends[] = {&vdeskBackend};
    return PlatformSelectBackend(backends, 1);
}

void VdeskReset(void) {
    if (PlatformSelectedBackend() == nullptr) {
        VdeskSelectBackend();
    }
    CoreReset();
    VdeskResetHooks();
    vdeskPaletteDisplay = false;
    vdeskFrameCapture = true;
    vdeskWaitHook = nullptr;
    vdeskBoxOpenHook = nullptr;
    vdeskFocus = nullptr;
    modifiers = {};
    vdeskPresentHook = nullptr;
    vdeskMessageBoxes.clear();
    vdeskConfigs.clear();
}

void VdeskSetVersion(DWORD platformId, DWORD major, DWORD minor) {
    CoreSetVersion(platformId, major, minor);
}

void VdeskUsePaletteDisplay(int needSystemPalette) {
    vdeskPaletteDisplay = true;
    VdeskDefaultConfigs();
    for (PlatformPixelConfig& c : vdeskConfigs) {
        c.systemPaletteOnly = needSystemPalette != 0;
    }
}

void VdeskSetPixelFormats(const PIXELFORMATDESCRIPTOR* formats, int count) {
    CoreSetPixelFormats(formats, count);
}

void VdeskSetPixelConfigs(const PlatformPixelConfig* configs, int count) {
    vdeskConfigs.assign(configs, configs + count);
}

void VdeskKeyDown(int vk) { Key(vk, true); }

void VdeskKeyUp(int vk) { Key(vk, false); }

void VdeskPressKey(int vk) {
    VdeskKeyDown(vk);
    VdeskKeyUp(vk);
}

void VdeskSetCapsLock(int on) {
    modifiers.capsLock = on != 0;
    ReportModifiers();
}

void VdeskMouseMove(HWND window, int x, int y) {
    ReportModifiers();
    CoreNotifyMouseMove(window, x, y);
}

void VdeskMouseButton(HWND window, int button, int down, int x, int y) {
    ReportModifiers();
    CoreNotifyMouseButton(window, button, down, x, y);
}

void VdeskClickClose(HWND window) { CoreNotifyClose(window); }

void VdeskResize(HWND window, int width, int height) {
    void* native = CoreNativeWindow(window);
    if (native != nullptr) {
        VdeskResizeSurface(static_cast<VdeskWindow*>(native), width, height);
    }
    CoreNotifyResize(window, width, height);
}

void VdeskMove(HWND window, int x, int y) { CoreNotifyMove(window, x, y); }

void VdeskExpose(HWND window, const RECT* area) { CoreNotifyExpose(window, area); }

void VdeskMakeViewable(HWND window, int obscured) { CoreNotifyVisibility(window, obscured); }

void VdeskDestroyElsewhere(HWND window) {
    void* native = CoreNativeWindow(window);
    if (native != nullptr) {
        vdeskBackend.DestroyNativeWindow(native);
        CoreNotifyLost(window);
    }
}

// A window manager takes the focus from a window it minimizes, and gives it back on restoring.
void VdeskMinimize(HWND window) {
    CoreNotifyMinimize(window, 1);
    if (vdeskFocus == window) {
        VdeskFocus(nullptr);
    }
}

void VdeskRestore(HWND window) {
    CoreNotifyMinimize(window, 0);
    VdeskFocus(window);
}

void VdeskActivateOther(void) { VdeskFocus(nullptr); }

void VdeskActivate(HWND window) { VdeskFocus(window); }

void VdeskOtherRealizesPalette(const PALETTEENTRY* entries, int count) {
    CoreSetSystemPaletteEntries(entries, count, reinterpret_cast<HWND>(otherWindow));
}

void VdeskOtherSetsSysColors(int count, const INT* elements, const COLORREF* values) {
    SetSysColors(count, elements, values);
}

void VdeskSetWaitHook(VdeskWaitHook hook) { vdeskWaitHook = hook; }

void VdeskSetBoxOpenHook(VdeskBoxOpenHook hook) { vdeskBoxOpenHook = hook; }

void VdeskAnswerBox(void* box, int button) { CoreNotifyMessageBoxAnswer(box, button); }

void VdeskSetPresentHook(VdeskPresentHook hook) { vdeskPresentHook = hook; }

int VdeskMessageBoxCount(void) { return static_cast<int>(vdeskMessageBoxes.size()); }

const VdeskMessageBoxRecord* VdeskMessageBoxAt(int index) {
    if (index < 0 || index >= VdeskMessageBoxCount()) {
        return nullptr;
    }
    return &vdeskMessageBoxes[static_cast<size_t>(index)];
}

int VdeskQueuedCount(HWND window, UINT message) { return CoreQueuedCount(window, message); }

const uint8_t* VdeskPresentedFrame(HWND window, int* width, int* height) {
    VdeskWindow* native = static_cast<VdeskWindow*>(CoreNativeWindow(window));
    if (native == nullptr || native->presented.empty()) {
        return nullptr;
    }
    *width = native->presentedWidth;
    *height = native->presentedHeight;
    return native->presented.data();
}

void VdeskSetFrameCapture(int on) { vdeskFrameCapture = on != 0; }

const PALETTEENTRY* VdeskSystemPalette(void) { return CoreSystemPalette(); }

void VdeskRegistrySetString(const char* key, const char* name, const char* value, int terminated) {
    CoreRegistrySet(key, name, REG_SZ, value, std::strlen(value) + (terminated ? 1 : 0));
}

void VdeskRegistrySetDword(const char* key, const char* name, DWORD value) {
    CoreRegistrySet(key, name, REG_DWORD, &value, sizeof value);
}

void VdeskRegistrySetBytes(const char* key, const char* name, DWORD type, const void* data,
                           size_t size) {
    CoreRegistrySet(key, name, type, data, size);
}

void VdeskRegistryDeleteKey(const char* key) { CoreRegistryDeleteKey(key); }

void VdeskRegistryCreateKey(const char* key) { CoreRegistryCreateKey(key); }
