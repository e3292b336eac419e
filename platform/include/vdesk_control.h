// Test controls of the virtual desktop: an in-process desktop with no display. Tests use
// these to set the desktop up, inject input and failures, and observe what the program
// did. Only tests include this header.
#pragma once

#include <windows.h>

#include <cstdint>

// Selects the virtual desktop as this test program's backend, through the same selection
// as the desktop program's (VORLANTH_PLATFORM, when set, must say "virtual"). Returns 0
// after saying why not. VdeskReset selects it too when nothing was selected yet.
int VdeskSelectBackend(void);

// Desktop set-up.
void VdeskReset(void); // a fresh desktop: no windows, classes, messages or settings
void VdeskSetVersion(DWORD platformId, DWORD major, DWORD minor);
// A 256-colour display: 8-bit 3-3-2 RGBA formats needing a palette (and the system
// palette too when needSystemPalette is set), a system palette with 20 static colours.
void VdeskUsePaletteDisplay(int needSystemPalette);
// Replaces the pixel-format list as programs see it (before the first window asks for it).
void VdeskSetPixelFormats(const PIXELFORMATDESCRIPTOR* formats, int count);
// Replaces the display's framebuffer configurations, which the platform describes as
// pixel formats when first asked (backend.h).
struct PlatformPixelConfig;
void VdeskSetPixelConfigs(const PlatformPixelConfig* configs, int count);

// Failure injection: the next `count` calls of the kind fail as Win32 fails them.
enum VdeskFailure {
    VDESK_FAIL_REGISTER_CLASS,
    VDESK_FAIL_CREATE_WINDOW,
    VDESK_FAIL_GET_DC,
    VDESK_FAIL_CHOOSE_FORMAT,
    VDESK_FAIL_SET_FORMAT,
    VDESK_FAIL_CREATE_CONTEXT,
    VDESK_FAIL_MAKE_CURRENT,
    VDESK_FAIL_LOCAL_ALLOC,
    VDESK_FAIL_CREATE_PALETTE
};
void VdeskFailNext(VdeskFailure what, int count);
// DescribePixelFormat of this (1-based) format number fails; 0: none fails.
void VdeskFailDescribeFormat(int format);

// Input and window events, as the user gives them. Key input goes to the window with the
// focus. Like a display's events, each is queued and reaches the program as it retrieves
// its messages.
void VdeskKeyDown(int virtualKey);
void VdeskKeyUp(int virtualKey);
void VdeskPressKey(int virtualKey); // down and up
void VdeskSetCapsLock(int on);      // as the display reports it with the next input

void VdeskMouseMove(HWND window, int x, int y); // client coordinates of the window
void VdeskMouseButton(HWND window, int button, int down, int x, int y); // 1 left, 2 right, 4 middle
void VdeskClickClose(HWND window);
void VdeskResize(HWND window, int clientWidth, int clientHeight);
void VdeskMove(HWND window, int clientX, int clientY);
// Part of the client area was uncovered (area null: all of it).
void VdeskExpose(HWND window, const RECT* area);
// The display made the window viewable, fully covered (obscured 1) or not.
void VdeskMakeViewable(HWND window, int obscured);
// Another program destroyed the window's native side.
void VdeskDestroyElsewhere(HWND window);
void VdeskMinimize(HWND window);
void VdeskRestore(HWND window);
void VdeskActivateOther(void); // another program's window takes the focus
void VdeskActivate(HWND window);
// Another program realizes a palette of its own in the foreground.
void VdeskOtherRealizesPalette(const PALETTEENTRY* entries, int count);
// Another program changes the system colours.
void VdeskOtherSetsSysColors(int count, const INT* elements, const COLORREF* values);

// When GetMessage would wait and nothing can arrive, this is called; it may inject input
// and returns nonzero if it did. Without it (or when it returns 0) GetMessage says so on
// standard error and returns -1 instead of waiting forever.
typedef int (*VdeskWaitHook)(void);
void VdeskSetWaitHook(VdeskWaitHook hook);

// Called after every SwapBuffers of a window, with the window and its 1-based present
// count; it may inject input or look at the presented frame.
typedef void (*VdeskPresentHook)(HWND window, int frame);
void VdeskSetPresentHook(VdeskPresentHook hook);

// Message boxes are recorded and answered OK once their modal loop has dispatched every
// waiting message (the owner, disabled meanwhile, takes no input).
struct VdeskMessageBoxRecord {
    char text[512];
    char caption[128];
    HWND owner;
    UINT type;
};
int VdeskMessageBoxCount(void);
// Called while a box opens, before the program's modal loop runs: what the desktop does
// meanwhile (a close request, an answer).
typedef void (*VdeskBoxOpenHook)(HWND owner, void* box);
void VdeskSetBoxOpenHook(VdeskBoxOpenHook hook);
// The user answers the box with this button.
void VdeskAnswerBox(void* box, int button);
const VdeskMessageBoxRecord* VdeskMessageBoxAt(int index);

// Observation.
int VdeskInvalidateCount(HWND window);           // InvalidateRect calls for the window
int VdeskQueuedCount(HWND window, UINT message); // waiting posted messages
int VdeskPresentCount(HWND window);              // SwapBuffers calls
// The last presented frame, RGBA rows top to bottom, as the display shows it (through
// the system palette on a palette display); null when nothing was presented.
const uint8_t* VdeskPresentedFrame(HWND window, int* width, int* height);
// Whether SwapBuffers keeps a copy of each frame (default on).
void VdeskSetFrameCapture(int on);
const PALETTEENTRY* VdeskSystemPalette(void); // 256 entries
long VdeskLocalAllocCount(void);

// Registry contents under HKEY_CURRENT_USER.
void VdeskRegistrySetString(const char* key, const char* name, const char* value, int terminated);
void VdeskRegistrySetDword(const char* key, const char* name, DWORD value);
void VdeskRegistrySetBytes(const char* key, const char* name, DWORD type, const void* data,
                           size_t size);
void VdeskRegistryDeleteKey(const char* key);
void VdeskRegistryCreateKey(const char* key);

// The platform calls made since the reset, by name, in order (the first 65536).
int VdeskCallCount(void);
const char* VdeskCallAt(int index);
