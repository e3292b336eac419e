// Internal state of the virtual desktop backend, shared by its files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "backend.h"
#include "vdesk_control.h"

// The virtual desktop's backend table.
extern const PlatformBackend vdeskBackend;

struct VdeskWindow {
    HWND window = nullptr;
    void* surface = nullptr; // EGLSurface
    int width = 0;
    int height = 0;
    std::vector<uint8_t> presented; // RGBA, top row first
    int presentedWidth = 0;
    int presentedHeight = 0;
    int invalidateCount = 0; // InvalidateRect calls that reached the window
    int presentCount = 0;    // SwapBuffers calls
};

extern bool vdeskPaletteDisplay;
extern bool vdeskFrameCapture;
extern VdeskWaitHook vdeskWaitHook;
extern VdeskBoxOpenHook vdeskBoxOpenHook;
// The window the desktop gives the keyboard focus (null: another program's, or none).
extern HWND vdeskFocus;
// Moves the focus, telling the core of the window that lost it and the one that got it.
void VdeskFocus(HWND window);
extern VdeskPresentHook vdeskPresentHook;
extern std::vector<VdeskMessageBoxRecord> vdeskMessageBoxes;
extern std::vector<PlatformPixelConfig> vdeskConfigs;

// Recreates the window's offscreen surface at a new client size.
void VdeskResizeSurface(VdeskWindow* native, int width, int height);
// Reads the window's surface (must be current) into RGBA rows, top first.
bool VdeskReadSurface(VdeskWindow* native, std::vector<uint8_t>* pixels);
void VdeskDefaultConfigs(void);

// The hooks the virtual desktop installs in the core (vdesk_hooks.cpp), and their state
// back to a fresh start.
void VdeskInstallHooks(void);
void VdeskResetHooks(void);
