// OpenGL through EGL on the Wayland display: the configurations that can back a window as
// the pixel format list, a wl_egl_window per window kept at the client size in buffer pixels,
// contexts with the compatibility profile, and swaps paced by the compositor's frame
// callbacks as a swap interval of 1 would be, but never for longer than a refresh period.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unordered_set>

#include "core_events.h"
#include "wayland.h"

namespace {

EGLDisplay display = EGL_NO_DISPLAY;

std::vector<PlatformPixelConfig> configs;

int Attribute(EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

BYTE Size(EGLConfig config, EGLint name) { return static_cast<BYTE>(Attribute(config, name)); }

// Tells what a configuration is, or returns false for one that cannot back a window of ours
// and that EGL could not leave out itself. Window surfaces are double-buffered; a
// configuration with alpha would let the desktop show through wherever the drawing leaves
// alpha below one. Each attribute is asked for once: every question passes through the GL
// dispatch library's entry points.
bool Describe(EGLConfig config, PlatformPixelConfig* c) {
    if (Attribute(config, EGL_SAMPLE_BUFFERS) != 0 || Attribute(config, EGL_ALPHA_SIZE) != 0) {
        return false;
    }
    c->red = Size(config, EGL_RED_SIZE);
    c->green = Size(config, EGL_GREEN_SIZE);
    c->blue = Size(config, EGL_BLUE_SIZE);
    c->depth = Size(config, EGL_DEPTH_SIZE);
    c->stencil = Size(config, EGL_STENCIL_SIZE);
    c->doubleBuffered = true;
    c->window = true;
    c->slow = Attribute(config, EGL_CONFIG_CAVEAT) != EGL_NONE;
    c->id = config;
    return true;
}

void ListConfigs(void) {
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
    std::vector<EGLConfig> all(static_cast<size_t>(std::max(count, 0)));
    eglGetConfigs(display, all.data(), count, &count);
    std::vector<EGLConfig> chosen(all.size());
    if (!eglChooseConfig(display, wanted.data(), chosen.data(), count, &chosenCount)) {
        chosenCount = 0;
    }
    std::unordered_set<EGLConfig> candidates(chosen.begin(),
                                             chosen.begin() + std::max(chosenCount, 0));
    for (EGLConfig config : all) {
        PlatformPixelConfig c{};
        if (candidates.count(config) != 0 && Describe(config, &c)) {
            configs.push_back(c);
        }
    }
}

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

// Initializing EGL loads the renderer, the longest step of a start. It runs on a thread of its
// own while the window is made, decorated and shown, and the program waits for it only when
// it first asks about pixel formats. It reads the connection on a queue of its own, which
// leaves every other event to the loop.
pthread_t starter;
bool starting = false;
bool started = false;

void* Initialize(void*) {
    started = eglInitialize(display, nullptr, nullptr) == EGL_TRUE;
    return nullptr;
}

} // namespace

void WaylandAwaitEgl(void) {
    if (starting) {
        starting = false;
        pthread_join(starter, nullptr);
    }
}

int WaylandStartEgl(void) {
    display = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, waylandDisplay, nullptr);
    if (display == EGL_NO_DISPLAY) {
        return 0;
    }
    const char* vblank = std::getenv("vblank_mode");
    paced = vblank == nullptr || std::strcmp(vblank, "0") != 0;
    frameQueue = wl_display_create_queue(waylandDisplay);
    // A process that ends while the renderer loads waits for it in ExitProcess, before the
    // exit handlers the renderer's libraries registered meanwhile run and free what the load
    // still uses. This handler covers a program that calls exit() itself: it runs before the
    // libraries' own destructors, though after their handlers.
    static bool awaitedAtExit = std::atexit(WaylandAwaitEgl) == 0;
    starting = awaitedAtExit && pthread_create(&starter, nullptr, Initialize, nullptr) == 0;
    if (!starting) {
        Initialize(nullptr);
    }
    return 1;
}

void WaylandStopEgl(void) {
    WaylandAwaitEgl();
    if (display != EGL_NO_DISPLAY) {
        eglTerminate(display);
        display = EGL_NO_DISPLAY;
        wl_event_queue_destroy(frameQueue);
        frameQueue = nullptr;
    }
}

// The core asks once, when the program first asks about pixel formats.
int WaylandListPixelConfigs(const PlatformPixelConfig** listed) {
    // The API is the calling thread's: the program's. A connection lost while the renderer
    // loaded says so, not that there is no renderer.
    WaylandAwaitEgl();
    if (!started && wl_display_get_error(waylandDisplay) != 0) {
        WaylandConnectionLost();
    }
    if (!started || !eglBindAPI(EGL_OPENGL_API)) {
        CoreDisplayFailed("the Wayland compositor offers no OpenGL through EGL");
    }
    ListConfigs();
    *listed = configs.data();
    return static_cast<int>(configs.size());
}

int WaylandSetPixelFormat(void* handle, void* config, int width, int height) {
    WaylandWindow* native = WaylandNative(handle);
    // The drawable covers the client area as the surface has it: the program may not have
    // heard yet of a scale that came since it last placed the window, and hears of it now.
    int bufferWidth = WaylandBufferSize(native->width, native->scale);
    int bufferHeight = WaylandBufferSize(native->height, native->scale);
    if (bufferWidth != width || bufferHeight != height) {
        CoreNotifyResize(native->window, bufferWidth, bufferHeight);
    }
    native->eglWindow = wl_egl_window_create(native->surface, bufferWidth, bufferHeight);
    native->eglSurface =
        eglCreatePlatformWindowSurface(display, config, native->eglWindow, nullptr);
    if (native->eglSurface == EGL_NO_SURFACE) {
        wl_egl_window_destroy(native->eglWindow);
        native->eglWindow = nullptr;
        return 0;
    }
    return 1;
}

void* WaylandCreateContext(void*, void* config) {
    // The fixed-function pipeline the program draws with: a compatibility profile.
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
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
    native->drawn = true;
    WaylandDropBackground(native); // the frame has taken its place
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
        wl_egl_window_resize(native->eglWindow, WaylandBufferSize(native->width, native->scale),
                             WaylandBufferSize(native->height, native->scale), 0, 0);
    }
}
