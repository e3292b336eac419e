// What a test desktop may watch and steer in the core, and the state it may set directly.
// Only the virtual desktop installs a hook table; the desktop program installs none, and
// the core then neither records nor counts anything for tests.
#pragma once

#include <windows.h>

#include <cstddef>

struct CoreTestHooks {
    // A platform call was made, by its Win32 name.
    void (*Called)(const char* name);
    // Nonzero: this call fails now as Win32 fails it. `what` names the call
    // ("CreateWindow", "ChoosePixelFormat", ...); `argument` is the pixel format asked for
    // by "DescribePixelFormat", 0 otherwise.
    int (*Fails)(const char* what, int argument);
    // InvalidateRect reached the window.
    void (*Invalidated)(HWND window);
    // LocalAlloc handed out a block.
    void (*Allocated)(void);
    // GetMessage found nothing waiting and nothing that could ever arrive; it returns -1.
    void (*Stalled)(void);
};
// Installs the table (null: none).
void CoreSetTestHooks(const CoreTestHooks* hooks);

// A fresh desktop: every window's native side destroyed, no windows, classes, messages,
// GDI objects or settings.
void CoreReset(void);
// What GetVersionExA reports.
void CoreSetVersion(DWORD platformId, DWORD major, DWORD minor);
// Registry contents under HKEY_CURRENT_USER.
void CoreRegistrySet(const char* path, const char* name, DWORD type, const void* data, size_t size);
void CoreRegistryDeleteKey(const char* path);
void CoreRegistryCreateKey(const char* path);
// The system palette's 256 entries.
const PALETTEENTRY* CoreSystemPalette(void);
// Another program realized a palette in the foreground: its colours take the system
// palette's free entries and every top-level window hears of it (wParam `realizer`).
void CoreSetSystemPaletteEntries(const PALETTEENTRY* entries, int count, HWND realizer);
// Replaces the pixel format list with these descriptors, as Win32 programs see it. They
// have no configuration behind them: the backend is handed a null one.
void CoreSetPixelFormats(const PIXELFORMATDESCRIPTOR* formats, int count);
// Posted messages waiting (window null: any window).
int CoreQueuedCount(HWND window, UINT message);
