// Internal state of the Wayland backend, shared by its files.
#pragma once

#include <windows.h>

#include <EGL/egl.h>
#include <libdecor.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "backend.h"

struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;

struct WaylandWindow {
    HWND window = nullptr;
    wl_surface* surface = nullptr;
    libdecor_frame* frame = nullptr; // null while hidden: the toplevel exists only when shown
    wl_egl_window* eglWindow = nullptr;
    EGLSurface eglSurface = EGL_NO_SURFACE;
    int width = 0, height = 0; // client size in the compositor's logical units
    int scale = 120; // buffer pixels per logical unit, in 120ths: the program sees its client
                     // area in buffer pixels, WaylandBufferSize(width, scale) wide
    int preferredScale = 0; // what the compositor prefers for the surface, in 120ths (0: unsaid)
    wp_fractional_scale_v1* fractional = nullptr; // where offered: the scale comes from it,
    wp_viewport* viewport = nullptr;              // and a viewport maps buffers to the size
    std::vector<wl_output*> outputs;              // the outputs the surface is on
    wl_callback* frameDone = nullptr; // the last frame's callback, until the compositor says
    bool framesLate = false;          // the last wait for one ran out: the window is unseen
    bool configured = false;          // the toplevel's first configure came: buffers may follow
    bool drawn = false;               // OpenGL has shown a frame since the window was shown
    bool backgroundSet = false;       // erased at least once: `background` is its colour
    COLORREF background = 0;          // the class brush's colour
    wl_buffer* backgroundBuffer = nullptr; // shown until the first frame
    std::string title;
};

inline WaylandWindow* WaylandNative(void* handle) { return static_cast<WaylandWindow*>(handle); }

extern wl_display* waylandDisplay;
extern wl_compositor* waylandCompositor;
extern wl_shm* waylandShm;
extern libdecor* waylandDecor;
extern wp_viewporter* waylandViewporter;                       // null where not offered
extern wp_fractional_scale_manager_v1* waylandFractionalScale; // null where not offered

// Scales in 120ths of a buffer pixel per logical unit, as the fractional scale protocol
// gives them; an integer output scale s is 120 s. A logical length takes round(length *
// scale / 120) buffer pixels.
// Computed in 64 bits: a pointer's position may be anywhere in wl_fixed's 24 bits.
inline int WaylandBufferSize(int logical, int scale) {
    return static_cast<int>((static_cast<long long>(logical) * scale + 60) / 120);
}
// The smallest logical length whose buffer holds `pixels`.
inline int WaylandLogicalSize(int pixels, int scale) {
    return std::max((pixels * 120 + scale - 1) / scale, 1);
}
// The longest side of a window's buffers: a compositor may ask for 32767 x 32767 and a
// program for 65535 x 65535, but Mesa's renderers make no drawable beyond 16384 pixels (the
// swap of a larger one reads past its buffer), and each buffer of 4096 x 4096 already takes
// 64 MiB. A 4K screen's width fits, as a Win32 window's largest size is about the screen's.
constexpr int waylandLargestBuffer = 4096;
// A logical length cut to what gives a buffer within that at the scale.
inline int WaylandBoundedSize(int logical, int scale) {
    return std::min(logical, std::max(waylandLargestBuffer * 120 / scale, 1));
}
// Maps a surface's buffers to its logical size: a viewport's destination on the fractional
// path (buffer scale 1), the integer buffer scale otherwise.
void WaylandScaleSurface(wl_surface* surface, wp_viewport* viewport, int scale, int width,
                         int height);

// What the compositor says of an output's refresh rate, in mHz (0: unknown).
int WaylandOutputRefresh(wl_output* output);

// A lost or broken connection cannot be recovered: the core says so and ends the process.
[[noreturn]] void WaylandConnectionLost(void);
WaylandWindow* WaylandFindSurface(wl_surface* surface);
// With a read of the connection prepared: sends what is pending, waits up to `timeoutNs` (-1:
// for ever) for events or for `otherFd` (-1: none) to be readable, and reads the events into
// their queues. Returns whether `otherFd` became readable.
bool WaylandReadEvents(int otherFd, long long timeoutNs);
// Gives a toplevel a libdecor frame with the window's title and app id, maps it and waits
// for its first configure.
libdecor_frame* WaylandDecorate(wl_surface* surface, const libdecor_frame_interface* handlers,
                                void* user, const char* title, const char* appId,
                                libdecor_frame* parent, bool* configured);

// Input: the seat's keyboard and pointer; key repeat through a timer.
void WaylandBindSeat(wl_registry* registry, uint32_t name, uint32_t version);
void WaylandForgetSurface(wl_surface* surface); // the surface goes: no input for it
int WaylandRepeatFd(void);                      // -1 while no key repeats
void WaylandRepeatFired(void);

// Input on a surface of a message box; each returns 1 when the surface was a box's.
int WaylandBoxKey(wl_surface* surface, uint32_t keysym);
int WaylandBoxButton(wl_surface* surface, int down, int x, int y);
bool WaylandIsBox(wl_surface* surface);

// The class's arrow on the pointer that entered one of our surfaces, with that entry's serial,
// at the surface's scale; frames drawn by libdecor keep their own.
void WaylandShowArrow(wl_pointer* pointer, uint32_t serial, wl_surface* surface);

// OpenGL through EGL on the Wayland display. Start returns 0 when the display has no EGL for
// Wayland; the renderer then loads beside the program until its first pixel format question,
// which ends the program when it could not be loaded. Stop lets go of it before a disconnect;
// Await waits for the loading, as the process ends.
int WaylandStartEgl(void);
void WaylandStopEgl(void);
void WaylandAwaitEgl(void);
int WaylandListPixelConfigs(const PlatformPixelConfig** configs);
int WaylandSetPixelFormat(void* native, void* config, int clientWidth, int clientHeight);
void* WaylandCreateContext(void* native, void* config);
int WaylandMakeCurrent(void* native, void* context);
void WaylandDeleteContext(void* context);
int WaylandSwapBuffers(void* native);
void WaylandDestroyGl(WaylandWindow* native);
void WaylandResizeGl(WaylandWindow* native);

// Shared-memory buffers (XRGB8888) of a size in buffer pixels, mapped at `pixels`; null when
// memory runs out. A window's background, shown from its first erase until its first frame:
// painted (again) at the window's size and scale, and let go.
wl_buffer* WaylandShmBuffer(int width, int height, uint32_t** pixels);
void WaylandPaintBackground(void* native, const RECT* area, COLORREF colour);
void WaylandShowBackground(WaylandWindow* native);
void WaylandDropBackground(WaylandWindow* native);

// The message box: opened and closed for the core's modal loop, which waits on the
// connection while WaylandBoxesOpen says a box is up.
void* WaylandOpenMessageBox(HWND owner, const char* text, const char* caption, UINT type);
void WaylandCloseMessageBox(void* box);
int WaylandBoxesOpen(void);
