// The virtual desktop's test controls.
#include <cstring>

#include "backend_select.h"
#include "core_events.h"
#include "core_test_hooks.h"
#include "vdesk.h"

namespace {
const uintptr_t otherWindow = 0x0F000001; // another program's window, never one of ours
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

void VdeskKeyDown(int vk) { CoreNotifyKey(GetFocus(), vk, 1); }

void VdeskKeyUp(int vk) { CoreNotifyKey(GetFocus(), vk, 0); }

void VdeskPressKey(int vk) {
    VdeskKeyDown(vk);
    VdeskKeyUp(vk);
}

void VdeskSetCapsLock(int on) { CoreNotifyCapsLock(on); }

void VdeskMouseMove(HWND window, int x, int y) { CoreNotifyMouseMove(window, x, y); }

void VdeskMouseButton(HWND window, int button, int down, int x, int y) {
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

void VdeskMinimize(HWND window) { CoreNotifyMinimize(window, 1); }

void VdeskRestore(HWND window) { CoreNotifyMinimize(window, 0); }

void VdeskActivateOther(void) {
    HWND focus = GetFocus();
    if (focus != nullptr) {
        CoreNotifyActivate(focus, 0);
    }
}

void VdeskActivate(HWND window) { CoreNotifyActivate(window, 1); }

void VdeskOtherRealizesPalette(const PALETTEENTRY* entries, int count) {
    CoreSetSystemPaletteEntries(entries, count, reinterpret_cast<HWND>(otherWindow));
}

void VdeskOtherSetsSysColors(int count, const INT* elements, const COLORREF* values) {
    SetSysColors(count, elements, values);
}

void VdeskSetWaitHook(VdeskWaitHook hook) { vdeskWaitHook = hook; }

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
