// The few virtual-desktop controls the toolkit's tests need beyond plain Win32 calls,
// in the tests' own terms (desk_controls.cpp maps them onto the platform's test controls).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The next call of the named Win32 function fails ("RegisterClassA", "CreateWindowExA",
// "GetDC", "ChoosePixelFormat", "SetPixelFormat", "wglCreateContext", "wglMakeCurrent",
// "LocalAlloc", "CreatePalette").
void DeskFailNextCall(const char* function);
// DescribePixelFormat fails for this format number (0: never).
void DeskFailDescribeAt(int32_t number);
// Replaces the display's pixel formats.
void DeskSetPixelFormats(const std::vector<PIXELFORMATDESCRIPTOR>& formats);
// What GetVersionExA reports.
void DeskSetVersion(DWORD platformId, DWORD major, DWORD minor);
// A 256-colour display; its RGBA format is 3-3-2 with PFD_NEED_PALETTE, and with
// PFD_NEED_SYSTEM_PALETTE too when needSystemPalette is set.
void DeskUsePaletteDisplay(bool needSystemPalette);

struct DeskMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
// Message boxes shown so far (they return IDOK at once).
std::vector<DeskMessageBox> DeskMessageBoxes(void);
// InvalidateRect calls so far.
int32_t DeskInvalidationCount(void);
// The platform's calls so far, by name, in order ("SetSysColors", "DeleteObject", ...).
std::vector<std::string> DeskCallLog(void);
// The system palette's 256 entries.
std::vector<PALETTEENTRY> DeskSystemPalette(void);
