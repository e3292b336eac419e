// The one interface between the platform's host-independent core and a backend (the
// virtual desktop, X11/GLX). The core keeps every Win32 record (classes, windows, queue,
// GDI objects, registry); a backend gives windows a native side, renders OpenGL and
// feeds native events back through the core's notification calls (core_events.h).
//
// A program picks its backend at link time: each backend library defines
// PlatformBackendGet(). Tests link platform_vdesk, the desktop executable platform_x11.
#pragma once

#include <windows.h>

struct PlatformBackend {
    const char* name;

    // Called once before the first window; returns 0 (after printing why) when the
    // backend cannot run, e.g. no display.
    int (*Start)(void);

    // Native side of a top-level window. The rectangles are outer window rectangles in
    // screen coordinates; the client size is given separately.
    void* (*CreateWindow)(HWND window, const RECT* outer, int clientWidth, int clientHeight,
                          const char* titleUtf8, const char* className);
    void (*DestroyWindow)(void* native);
    void (*ShowWindow)(void* native, int command);
    void (*PlaceWindow)(void* native, const RECT* outer, int clientWidth, int clientHeight);

    // Pixel formats: fills up to `capacity` descriptors and returns how many exist.
    int (*ListPixelFormats)(PIXELFORMATDESCRIPTOR* formats, int capacity);
    // Gives the window an OpenGL drawable of the (1-based) format; 1 on success.
    int (*SetPixelFormat)(void* native, int format, int clientWidth, int clientHeight);
    void* (*CreateContext)(void* native, int format);
    // native and context both null: no context current.
    int (*MakeCurrent)(void* native, void* context);
    void (*DeleteContext)(void* context);
    int (*SwapBuffers)(void* native);

    // Runs native events into the core. With wait set, blocks until at least one event
    // was delivered; returns 0 when nothing can ever arrive (the queue would block forever).
    int (*PumpEvents)(int wait);

    // A modal message box; returns the button pressed (IDOK).
    int (*MessageBox)(HWND owner, const char* text, const char* caption, UINT type);

    // 1 when the display has 256 colours and a system palette.
    int (*IsPaletteDisplay)(void);
    // The system palette changed: the backend may show frames through it.
    void (*SystemPaletteChanged)(void);

    // Mouse capture began (on) for a window or ended (native null); may be null.
    void (*Capture)(void* native, int on);
};

const PlatformBackend* PlatformBackendGet(void);
