// Internal state of the X11/GLX backend, shared by its files.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>

#include <algorithm>
#include <string>
#include <vector>

#include "backend.h"

struct X11Window {
    HWND window = nullptr;
    Window xwindow = 0;  // the top-level window; its area is the client area
    Window glWindow = 0; // child with the pixel format's visual, once a format is set
    Colormap glColormap = 0;
    int clientX = 0, clientY = 0; // where the program last placed it
    int width = 0, height = 0;
    bool reparented = false; // a window manager framed it
    bool hideRequested = false;
    bool mapped = false;
    unsigned long minimizeRequest = 0;  // serial of the program's last minimize request
    bool focusOnMap = true;             // shown to be activated
    RECT exposed{};                     // the exposure series so far
    COLORREF background = RGB(0, 0, 0); // the window's background, which the server paints
};

struct X11Atoms {
    Atom wmProtocols, wmDeleteWindow, wmState, wmChangeState, netWmPing, netWmPid, netWmName,
        netWmIconName, netWmWindowType, netWmWindowTypeNormal, netWmWindowTypeDialog, netWmState,
        netWmStateHidden, netWmStateModal, utf8String;
    Atom settingsSelection, settingsProperty, manager; // XSETTINGS: _XSETTINGS_S<screen>, ...
};

extern Display* x11Display;
extern int x11Screen;
extern X11Atoms x11Atoms;
extern std::vector<X11Window*> x11Windows;

// A side of a window as X takes it: X refuses windows without area, Win32 has them, and
// sides carry 16 bits, where a larger one would wrap to another size or to none.
inline unsigned X11Side(int size) { return static_cast<unsigned>(std::clamp(size, 1, 65535)); }

// The desktop's scale in quarters (4: 100 %), from its dpi (XSETTINGS' Xft/DPI, or Xft.dpi in
// the root window's resources): windows open at it, and the program sees device pixels.
extern int x11Scale;
inline int X11Scaled(int length) { return length * x11Scale / 4; }
// Reads the scale at start and watches for changes.
void X11WatchScale(void);
// An event of the root window or the settings manager: a change of scale resizes every
// window. Returns 1 when the event was one of those.
int X11ScaleEvent(XEvent* event);

// Events: runs every event the connection holds into the core; returns how many there were.
int X11DrainEvents(void);
X11Window* X11FindWindow(Window xwindow);

// GLX: framebuffer configurations as pixel formats; the GL child window.
// Loads the GL driver in the background; X11AwaitGl waits until it has loaded.
void X11StartGl(void);
void X11AwaitGl(void);
int X11ListPixelConfigs(const PlatformPixelConfig** configs);
int X11SetPixelFormat(void* native, void* config, int width, int height);
void* X11CreateContext(void* native, void* config);
int X11MakeCurrent(void* native, void* context);
void X11DeleteContext(void* context);
int X11SwapBuffers(void* native);
// Lets go of the window's GL side; windowGone: its X window has gone with the top-level one.
void X11DestroyGl(X11Window* native, bool windowGone);
void X11ResizeGl(X11Window* native);

// The message box: opened and closed for the core's modal loop, which waits on the
// connection while X11BoxesOpen says a box is up.
void* X11OpenMessageBox(HWND owner, const char* text, const char* caption, UINT type);
void X11CloseMessageBox(void* box);
int X11BoxesOpen(void);
// The box's own events; returns 1 when the event was the box's.
int X11MessageBoxEvent(XEvent* event);

// Errors trapped: the requests made from X11TrapErrors (which returns the trap) until
// X11ReleaseErrors may find their window gone (destroyed by another client, unmapped by the
// window manager) and fail harmlessly. Any other error of any request ends the program
// through the core, with the error named. Traps nest; they cost no round trip. A trap of
// every error (anyError) is for calls whose result says that they failed, and how to go on.
unsigned long X11TrapErrors(bool anyError = false);
void X11ReleaseErrors(unsigned long trap);
// Makes the requests of `requests` inside a trap; returns what it returns.
template <typename Requests> auto X11Trapped(Requests requests) {
    struct Release {
        unsigned long trap = X11TrapErrors();
        ~Release() { X11ReleaseErrors(trap); }
    } release;
    return requests();
}

// The display's pixel for a colour of the default colour map (white when the map is full).
unsigned long X11Pixel(COLORREF colour);
// A property's items of format 8 or 32 as bytes (32-bit items as Xlib's longs), empty when
// it has none of that format or the window has gone.
std::string X11Property(Window window, Atom property, Atom type, int format);
// Sets the UTF-8 _NET_WM_NAME and the Latin-1 WM_NAME of a window (and the icon names).
void X11SetTitle(Window xwindow, const char* titleUtf8);
// Tells the server to let the given window have the keyboard when no window manager runs.
void X11FocusIfUnmanaged(Window xwindow, bool reparented);
