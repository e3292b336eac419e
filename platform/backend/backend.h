// What the platform's host-independent core asks of a backend (the virtual desktop, X11/GLX).
// The core keeps every Win32 record (classes, windows, queue, GDI objects, registry); a
// backend gives windows a native side, renders OpenGL and tells the core about native
// events through core_events.h. Nothing else passes between the two.
//
// A backend is one table of this type, filled with designated initialisers. A program
// carries the backends of its list (backend_select.h) and picks one of them at start.
#pragma once

#include <windows.h>

#include <cstddef>

struct PlatformBackend {
    // The name VORLANTH_PLATFORM gives it: "x11", "wayland", "virtual".
    const char* name;

    // Connects to the display. Returns 0, with the reason in `why` (e.g. "DISPLAY is not
    // set"), when the backend cannot run here; prints nothing itself.
    int (*Start)(char* why, size_t whySize);

    // Native side of a top-level window whose client area is `client` (screen coordinates).
    void* (*CreateNativeWindow)(HWND window, const RECT* client, const char* titleUtf8,
                                const char* className);
    void (*DestroyNativeWindow)(void* native);
    void (*ShowNativeWindow)(void* native, int command);
    // The client area moved or changed size (screen coordinates); never while minimized.
    void (*PlaceNativeWindow)(void* native, const RECT* client);

    // Pixel formats: fills up to `capacity` descriptors and returns how many exist.
    int (*ListPixelFormats)(PIXELFORMATDESCRIPTOR* formats, int capacity);
    // Gives the window an OpenGL drawable of the (1-based) format; 1 on success.
    int (*SetNativePixelFormat)(void* native, int format, int clientWidth, int clientHeight);
    void* (*CreateContext)(void* native, int format);
    // native and context both null: no context current.
    int (*MakeCurrent)(void* native, void* context);
    void (*DeleteContext)(void* context);
    int (*SwapNativeBuffers)(void* native);

    // Runs native events into the core. With wait set, blocks until at least one event
    // was delivered; returns 0 when nothing can ever arrive (the queue would block forever).
    int (*PumpEvents)(int wait);

    // A modal message box; returns the button pressed (IDOK).
    int (*ShowMessageBox)(HWND owner, const char* text, const char* caption, UINT type);

    // 1 when the display has 256 colours and a system palette.
    int (*IsPaletteDisplay)(void);
    // The system palette changed: the backend may show frames through it.
    void (*SystemPaletteChanged)(void);

    // Mouse capture began (on) for a window or ended (native null); may be null.
    void (*Capture)(void* native, int on);
};
