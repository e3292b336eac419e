// OpenGL through EGL on the Wayland display: the configurations that can back a window as
// the pixel format list, a wl_egl_window per window kept at the client size in buffer pixels,
// contexts with the compatibility profile, and swaps paced by the compositor's frame
// callbacks as a swap interval of 1 would be, but never for longer than a refresh period.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unordered_set>

#include "wayland.h"

namespace {

EGLDisplay display = EGL_NO_DISPLAY;

struct Format {
    PIXELFORMATDESCRIPTOR descriptor;
    EGLConfig config;
    bool caveat;
};

std::vector<Format> formats;

int Attribute(EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

// Describes a configuration as Win32 would, or returns false for one that cannot back a
// window of ours and that EGL could not leave out itself. Window surfaces are double-buffered;
// a configuration with alpha would let the desktop show through wherever the drawing leaves
// alpha below one. Each attribute is asked for once: every question passes through the GL
// dispatch library's entry points.
bool Describe(EGLConfig config, Format* out) {
    if (Attribute(config, EGL_SAMPLE_BUFFERS) != 0 || Attribute(config, EGL_ALPHA_SIZE) != 0) {
        return false;
    }
    PIXELFORMATDESCRIPTOR& d = out->descriptor;
    d = PIXELFORMATDESCRIPTOR{};
    d.nSize = sizeof d;
    d.nVersion = 1;
    d.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_SWAP_EXCHANGE;
    d.iPixelType = PFD_TYPE_RGBA;
    d.cRedBits = static_cast<BYTE>(Attribute(config, EGL_RED_SIZE));
    d.cGreenBits = static_cast<BYTE>(Attribute(config, EGL_GREEN_SIZE));
    d.cBlueBits = static_cast<BYTE>(Attribute(config, EGL_BLUE_SIZE));
    d.cColorBits = static_cast<BYTE>(d.cRedBits + d.cGreenBits + d.cBlueBits);
    // Red above green above blue, as every format a compositor takes has them.
    d.cBlueShift = 0;
    d.cGreenShift = d.cBlueBits;
    d.cRedShift = static_cast<BYTE>(d.cBlueBits + d.cGreenBits);
    d.cDepthBits = static_cast<BYTE>(Attribute(config, EGL_DEPTH_SIZE));
    d.cStencilBits = static_cast<BYTE>(Attribute(config, EGL_STENCIL_SIZE));
    d.iLayerType = PFD_MAIN_PLANE;
    out->config = config;
    out->caveat = Attribute(config, EGL_CONFIG_CAVEAT) != EGL_NONE;
    return true;
}

// The fields by which two configurations look alike to Win32.
uint64_t Key(const PIXELFORMATDESCRIPTOR& d) {
    return uint64_t{d.cRedBits} | uint64_t{d.cGreenBits} << 8 | uint64_t{d.cBlueBits} << 16 |
           uint64_t{d.cDepthBits} << 24 | uint64_t{d.cStencilBits} << 32;
}

void ListFormats(void) {
    // EGL leaves out what cannot back a window of ours and keeps every value of what it would
    // otherwise match exactly; what it can only bound from below (samples, alpha) is asked per
    // configuration. It sorts what it chooses by its own rules, so the list keeps the order of
    // all its configurations.
    std::vector<EGLint> wanted = {EGL_SURFACE_TYPE,     EGL_WINDOW_BIT,        EGL_RENDERABLE_TYPE,
                                  EGL_OPENGL_BIT,       EGL_COLOR_BUFFER_TYPE, EGL_RGB_BUFFER,
                                  EGL_TRANSPARENT_TYPE, EGL_DONT_CARE,         EGL_CONFIG_CAVEAT,
                                  EGL_DONT_CARE};
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (extensions != nullptr && std::strstr(extensions, "EGL_EXT_pixel_format_float") != nullptr) {
        wanted.insert(wanted.end(), {EGL_COLOR_COMPONENT_TYPE_EXT, EGL_DONT_CARE});
    }
    wanted.push_back(EGL_NONE);
    EGLint count = 0, chosenCount = 0;
    eglGetConfigs(display, nullptr, 0, &count);
    std::vector<EGLConfig> configs(static_cast<size_t>(std::max(count, 0)));
    eglGetConfigs(display, configs.data(), count, &count);
    std::vector<EGLConfig> chosen(configs.size());
    if (!eglChooseConfig(display, wanted.data(), chosen.data(), count, &chosenCount)) {
        chosenCount = 0;
    }
    std::unordered_set<EGLConfig> candidates(chosen.begin(),
                                             chosen.begin() + std::max(chosenCount, 0));
    std::unordered_set<uint64_t> seen;
    for (EGLConfig config : configs) {
        Format f{};
        // EGL lists many configurations that look alike to Win32; one of each.
        if (candidates.count(config) != 0 && Describe(config, &f) &&
            seen.insert(Key(f.descriptor)).second) {
            formats.push_back(f);
        }
    }
    // Configurations without a caveat first, each group in EGL's order.
    std::stable_partition(formats.begin(), formats.end(),
                          [](const Format& f) { return !f.caveat; });
}

// The core asks only for formats it listed, numbered from 1.
EGLConfig ConfigOf(int number) { return formats[static_cast<size_t>(number - 1)].config; }

// Frame callbacks come on a queue of their own: waiting for one reads the connection but
// leaves every other event for the loop's next turn, which comes as soon as the swap returns,
// so no window procedure runs inside SwapBuffers.
wl_event_queue* frameQueue = nullptr;
bool paced = true; // vblank_mode=0 draws as fast as it can, as with Mesa's GLX and EGL

long long Now(void) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void FrameShown(void* user, wl_callback* callback, uint32_t) {
    wl_callback_destroy(callback);
    WaylandNative(user)->frameDone = nullptr;
}

const wl_callback_listener frameListener = {FrameShown};

// One refresh of the fastest output the window is on; 60 Hz when none says.
long long RefreshPeriod(const WaylandWindow* native) {
    int mHz = 0;
    for (wl_output* output : native->outputs) {
        mHz = std::max(mHz, WaylandOutputRefresh(output));
    }
    return 1000000000000LL / (mHz >= 1000 ? mHz : 60000);
}

// Waits until the compositor wants the next frame: the last frame's callback. A minimized,
// hidden or covered window gets none, and the loop must go on handling messages, so the wait
// has a limit: about one refresh period once callbacks have stopped coming, a few while they
// come, since a busy compositor's are late at times, and a frame sent before its callback
// would be one more than the output shows.
void AwaitFrame(WaylandWindow* native) {
    long long deadline = Now() + RefreshPeriod(native) * (native->framesLate ? 1 : 4);
    for (;;) {
        if (wl_display_dispatch_queue_pending(waylandDisplay, frameQueue) < 0) {
            WaylandConnectionLost();
        }
        long long left = deadline - Now();
        if (native->frameDone == nullptr || left <= 0) {
            break;
        }
        if (wl_display_prepare_read_queue(waylandDisplay, frameQueue) != 0) {
            continue;
        }
        WaylandReadEvents(-1, left);
    }
    native->framesLate = native->frameDone != nullptr;
}

// Asks to hear when the frame about to be committed has been shown. While an earlier request
// is still unanswered, that one stands: its answer says the window is seen again.
void RequestFrame(WaylandWindow* native) {
    if (native->frameDone != nullptr) {
        return;
    }
    auto* wrapper = static_cast<wl_surface*>(wl_proxy_create_wrapper(native->surface));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), frameQueue);
    native->frameDone = wl_surface_frame(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_callback_add_listener(native->frameDone, &frameListener, native);
}

} // namespace

int WaylandStartEgl(void) {
    display = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, waylandDisplay, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
        !eglBindAPI(EGL_OPENGL_API)) {
        return 0;
    }
    ListFormats();
    const char* vblank = std::getenv("vblank_mode");
    paced = vblank == nullptr || std::strcmp(vblank, "0") != 0;
    frameQueue = wl_display_create_queue(waylandDisplay);
    return 1;
}

int WaylandListPixelFormats(PIXELFORMATDESCRIPTOR* out, int capacity) {
    int n = static_cast<int>(formats.size());
    for (int i = 0; i < n && i < capacity; ++i) {
        out[i] = formats[static_cast<size_t>(i)].descriptor;
    }
    return n;
}

int WaylandSetPixelFormat(void* handle, int number, int width, int height) {
    WaylandWindow* native = WaylandNative(handle);
    int s = native->scale; // the program's sizes are in buffer pixels
    native->width = std::max((width + s - 1) / s, 1);
    native->height = std::max((height + s - 1) / s, 1);
    native->eglWindow =
        wl_egl_window_create(native->surface, native->width * s, native->height * s);
    native->eglSurface =
        eglCreatePlatformWindowSurface(display, ConfigOf(number), native->eglWindow, nullptr);
    if (native->eglSurface == EGL_NO_SURFACE) {
        wl_egl_window_destroy(native->eglWindow);
        native->eglWindow = nullptr;
        return 0;
    }
    return 1;
}

void* WaylandCreateContext(void*, int number) {
    // The fixed-function pipeline the program draws with: a compatibility profile.
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, ConfigOf(number), EGL_NO_CONTEXT, attributes);
    return context == EGL_NO_CONTEXT ? nullptr : context;
}

int WaylandMakeCurrent(void* handle, void* context) {
    if (context == nullptr) {
        return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) ? 1 : 0;
    }
    WaylandWindow* native = WaylandNative(handle);
    if (!eglMakeCurrent(display, native->eglSurface, native->eglSurface, context)) {
        return 0;
    }
    // A hidden or covered window gets no frame callbacks: with an interval of 1 EGL's swap
    // would block, and with it the program's loop. The swap waits here instead.
    eglSwapInterval(display, 0);
    return 1;
}

// The core makes no context current before it deletes the current one.
void WaylandDeleteContext(void* context) { eglDestroyContext(display, context); }

int WaylandSwapBuffers(void* handle) {
    WaylandWindow* native = WaylandNative(handle);
    if (!native->configured) {
        return 1; // unmapped: a buffer now would be a protocol error; the frame goes nowhere
    }
    if (paced) {
        AwaitFrame(native);
        RequestFrame(native);
    }
    // A swap fails on a lost connection, among other causes.
    if (!eglSwapBuffers(display, native->eglSurface) && wl_display_get_error(waylandDisplay) != 0) {
        WaylandConnectionLost();
    }
    return 1;
}

// The window goes, and its frame callback and drawable (EGL surface and wl_egl_window) too.
void WaylandDestroyGl(WaylandWindow* native) {
    if (native->frameDone != nullptr) {
        wl_callback_destroy(native->frameDone);
    }
    if (native->eglSurface != EGL_NO_SURFACE) {
        if (eglGetCurrentSurface(EGL_DRAW) == native->eglSurface) {
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        eglDestroySurface(display, native->eglSurface);
        wl_egl_window_destroy(native->eglWindow);
    }
}

void WaylandResizeGl(WaylandWindow* native) {
    if (native->eglWindow != nullptr) {
        wl_egl_window_resize(native->eglWindow, native->width * native->scale,
                             native->height * native->scale, 0, 0);
    }
}
