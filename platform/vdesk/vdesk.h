// Internal state of the virtual desktop backend, shared by its files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../src/backend.h"
#include "vdesk_control.h"

// The virtual desktop's backend table.
extern const PlatformBackend vdeskBackend;

struct VdeskWindow {
    HWND window = nullptr;
    int format = 0;
    void* surface = nullptr; // EGLSurface
    int width = 0;
    int height = 0;
    std::vector<uint8_t> presented; // RGBA, top row first
    int presentedWidth = 0;
    int presentedHeight = 0;
};

extern bool vdeskPaletteDisplay;
extern bool vdeskFrameCapture;
extern VdeskWaitHook vdeskWaitHook;
extern VdeskPresentHook vdeskPresentHook;
extern bool vdeskMessageBoxDispatch;
extern std::vector<VdeskMessageBoxRecord> vdeskMessageBoxes;
extern std::vector<PIXELFORMATDESCRIPTOR> vdeskFormats;

// Recreates the window's offscreen surface at a new client size.
void VdeskResizeSurface(VdeskWindow* native, int width, int height);
// Reads the window's surface (must be current) into RGBA rows, top first.
bool VdeskReadSurface(VdeskWindow* native, std::vector<uint8_t>* pixels);
void VdeskDefaultFormats(void);

// Core state resets and test hooks of the core, used by the controls.
void ResetWindowState(void);
void ResetQueueState(void);
void ResetGdiState(void);
void ResetSysColorState(void);
void ResetRegistryState(void);
void ResetProcessState(void);
void CoreSetVersion(DWORD platformId, DWORD major, DWORD minor);
void CoreRegistrySet(const char* path, const char* name, DWORD type, const void* data, size_t size);
void CoreRegistryDeleteKey(const char* path);
void CoreRegistryCreateKey(const char* path);
const PALETTEENTRY* CoreSystemPalette(void);
void CoreSetSystemPaletteEntries(const PALETTEENTRY* entries, int count, HWND realizer);
int QueuedMessageCount(HWND window, UINT message);
