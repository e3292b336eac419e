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

enum NativeShow { NATIVE_HIDE, NATIVE_SHOW, NATIVE_MINIMIZE, NATIVE_RESTORE };

// One framebuffer configuration as the display offers it, in the display's terms. Sizes
// are in bits.
struct PlatformPixelConfig {
    unsigned char red, green, blue, alpha; // RGBA channel sizes; all 0 for colour index
    unsigned char indexBits;               // a colour-index buffer's size; 0 for RGBA
    unsigned char accumRed, accumGreen, accumBlue, accumAlpha;
    unsigned char depth, stencil, auxBuffers;
    bool doubleBuffered, stereo;
    bool window;            // OpenGL can draw into a window with it
    bool gdi;               // the desktop's own drawing shares its buffer (single buffers)
    bool palette;           // its visual shows colours through a palette (8-bit displays)
    bool systemPaletteOnly; // that palette is the system palette, static colours included
    bool slow;              // the display marks it slower than the others (a caveat)
    void* id;               // the backend's own handle, given back when it is used
};

struct PlatformBackend {
    // The name VORLANTH_PLATFORM gives it: "x11", "wayland", "virtual".
    const char* name;

    // Connects to the display. Returns 0, with the reason in `why` (e.g. "DISPLAY is not
    // set"), when the backend cannot run here; prints nothing itself.
    int (*Start)(char* why, size_t whySize);
    // The process is about to end: waits for work the backend began in the background (a
    // renderer still loading). The libraries that work loads register their exit handlers
    // after any of ours, so theirs would run first and free what it still uses. May be null.
    void (*Finish)(void);

    // Native side of a top-level window whose client area is `client` (screen coordinates).
    void* (*CreateNativeWindow)(HWND window, const RECT* client, const char* titleUtf8,
                                const char* className);
    void (*DestroyNativeWindow)(void* native);
    // Shows, hides, minimizes or restores the native window; a shown or restored window takes
    // the keyboard focus when `activate` is set. The core decides what a show command means.
    void (*ShowNativeWindow)(void* native, NativeShow verb, int activate);
    // The client area moved or changed size (screen coordinates); never while minimized.
    void (*PlaceNativeWindow)(void* native, const RECT* client);

    // Fills part of the client area (client coordinates) with the window's background colour,
    // as erasing does before the program draws; may be null where the display paints a
    // window's background itself.
    void (*PaintBackground)(void* native, const RECT* area, COLORREF colour);

    // The display's framebuffer configurations that can back a window, in the display's
    // own order; the core describes, merges and numbers them. Sets `configs` to an array
    // the backend keeps until it stops and returns its length. Asked once, when the
    // program first asks about pixel formats.
    int (*ListPixelConfigs)(const PlatformPixelConfig** configs);
    // Gives the window an OpenGL drawable of a listed configuration (its `id`); 1 on success.
    int (*SetNativePixelFormat)(void* native, void* config, int clientWidth, int clientHeight);
    // An RGBA context for a listed configuration (its `id`).
    void* (*CreateContext)(void* native, void* config);
    // native and context both null: no context current.
    int (*MakeCurrent)(void* native, void* context);
    void (*DeleteContext)(void* context);
    int (*SwapNativeBuffers)(void* native);

    // Runs native events into the core. With wait set, blocks until at least one event
    // was delivered; returns 0 when nothing can ever arrive (the queue would block forever).
    int (*PumpEvents)(int wait);

    // Opens a native message box over the owner's window (null: none); null when it cannot.
    // The backend reports the button that answers it (CoreNotifyMessageBoxAnswer); the core
    // runs the modal loop meanwhile and then closes it.
    void* (*OpenMessageBox)(HWND owner, const char* text, const char* caption, UINT type);
    void (*CloseMessageBox)(void* box);

    // 1 when the display has 256 colours and a system palette; null where it never has.
    int (*IsPaletteDisplay)(void);
    // The system palette of a palette display changed: the backend may show frames through it;
    // null with IsPaletteDisplay.
    void (*SystemPaletteChanged)(void);

    // Mouse capture began (on) for a window or ended (native null); may be null.
    void (*Capture)(void* native, int on);
};
