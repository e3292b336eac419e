// The Wayland backend: the connection to the compositor, top-level windows (xdg-shell
// toplevels framed by libdecor, which uses the compositor's own decorations where it offers
// xdg-decoration and draws them itself otherwise) and the wait for events. Wayland gives a
// client no global position: a window keeps the placement the program asked for in the
// core's records.
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "backend.h"
#include "core_events.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wayland.h"
#include "wayland_session.h"

wl_display* waylandDisplay = nullptr;
wl_compositor* waylandCompositor = nullptr;
wl_shm* waylandShm = nullptr;
libdecor* waylandDecor = nullptr;
wp_viewporter* waylandViewporter = nullptr;
wp_fractional_scale_manager_v1* waylandFractionalScale = nullptr;

namespace {

std::vector<WaylandWindow*> waylandWindows;
bool hasWmBase = false;

// An output as the compositor describes it; the surfaces on it take its scale.
struct Output {
    wl_output* output;
    uint32_t name;
    int scale = 1, refresh = 0, pendingScale = 1;
};
std::vector<Output*> outputs;

Output* OutputOf(wl_output* output) {
    for (Output* o : outputs) {
        if (o->output == output) {
            return o;
        }
    }
    return nullptr;
}

// The surface's scale in 120ths: what the compositor prefers for it where it says so
// (fractional), otherwise the largest integer scale of the outputs it is on. On none (not yet
// shown, or its outputs unplugged) it keeps the one it has: a new output's description comes
// before the compositor says the surface entered it.
int ScaleOf(const WaylandWindow* native) {
    if (native->fractional != nullptr) {
        return native->preferredScale > 0 ? native->preferredScale : 120;
    }
    if (native->outputs.empty()) {
        return native->scale;
    }
    int scale = 1;
    for (wl_output* output : native->outputs) {
        scale = std::max(scale, OutputOf(output)->scale);
    }
    return scale * 120;
}

// The client area in buffer pixels, as the program sees it.
int BufferWidth(const WaylandWindow* native) {
    return WaylandBufferSize(native->width, native->scale);
}
int BufferHeight(const WaylandWindow* native) {
    return WaylandBufferSize(native->height, native->scale);
}

// The logical size or the scale changed: the surface's mapping to its logical size, the
// drawable and the background follow.
void Resized(WaylandWindow* native) {
    WaylandScaleSurface(native->surface, native->viewport, native->scale, native->width,
                        native->height);
    WaylandResizeGl(native);
    WaylandShowBackground(native); // a buffer of the old size may not fit the new one
}

// Takes a logical size as far as the buffers' bound allows at the window's scale; a size the
// compositor has not asked for is committed to it.
void SetLogicalSize(WaylandWindow* native, int width, int height) {
    width = WaylandBoundedSize(width, native->scale);
    height = WaylandBoundedSize(height, native->scale);
    bool own = width != native->width || height != native->height;
    native->width = width;
    native->height = height;
    if (own && native->frame != nullptr && native->configured) {
        libdecor_state* state = libdecor_state_new(width, height);
        libdecor_frame_commit(native->frame, state, nullptr);
        libdecor_state_free(state);
    }
}

// The surface's scale follows the compositor's word; the program sees its client area in
// buffer pixels, so its viewport covers the whole buffer, while the window keeps its logical
// size. A change of scale is a resize.
void FollowScale(WaylandWindow* native) {
    int scale = ScaleOf(native);
    if (scale == native->scale) {
        return;
    }
    native->scale = scale;
    SetLogicalSize(native, native->width, native->height);
    Resized(native);
    CoreNotifyResize(native->window, BufferWidth(native), BufferHeight(native));
}

void PreferredScale(void* user, wp_fractional_scale_v1*, uint32_t scale) {
    WaylandWindow* native = WaylandNative(user);
    native->preferredScale = static_cast<int>(std::clamp(scale, 120u, 960u));
    FollowScale(native);
}

const wp_fractional_scale_v1_listener fractionalListener = {PreferredScale};

void OutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                    const char*, int32_t) {}

void OutputMode(void* user, wl_output*, uint32_t flags, int32_t width, int32_t height,
                int32_t refresh) {
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        static_cast<Output*>(user)->refresh = std::max(refresh, 0);
        CoreNotifyScreenSize(width, height);
    }
}

void OutputScale(void* user, wl_output*, int32_t scale) {
    static_cast<Output*>(user)->pendingScale = std::clamp(scale, 1, 8);
}

// An output's changes come as one: a new scale reaches the windows on it now.
void OutputDone(void* user, wl_output*) {
    Output* o = static_cast<Output*>(user);
    o->scale = o->pendingScale;
    for (WaylandWindow* native : waylandWindows) {
        FollowScale(native);
    }
}

// Bound at version 2: name and description never come.
const wl_output_listener outputListener = {OutputGeometry, OutputMode, OutputDone,
                                           OutputScale,    nullptr,    nullptr};

void SurfaceEnter(void* user, wl_surface*, wl_output* output) {
    WaylandWindow* native = WaylandNative(user);
    if (OutputOf(output) != nullptr && std::find(native->outputs.begin(), native->outputs.end(),
                                                 output) == native->outputs.end()) {
        native->outputs.push_back(output);
        FollowScale(native);
    }
}

void SurfaceLeave(void* user, wl_surface*, wl_output* output) {
    WaylandWindow* native = WaylandNative(user);
    auto gone = std::remove(native->outputs.begin(), native->outputs.end(), output);
    if (gone != native->outputs.end()) {
        native->outputs.erase(gone, native->outputs.end());
        FollowScale(native);
    }
}

const wl_surface_listener surfaceListener = {SurfaceEnter, SurfaceLeave};

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        waylandCompositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        waylandShm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0) {
        WaylandBindSeat(registry, name, version);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        Output* o = new Output{static_cast<wl_output*>(wl_registry_bind(
                                   registry, name, &wl_output_interface, std::min(version, 2u))),
                               name};
        outputs.push_back(o);
        wl_output_add_listener(o->output, &outputListener, o);
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
        waylandViewporter = static_cast<wp_viewporter*>(
            wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
    } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
        waylandFractionalScale = static_cast<wp_fractional_scale_manager_v1*>(
            wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1));
    } else if (std::strcmp(interface, "xdg_wm_base") == 0) {
        hasWmBase = true; // libdecor binds it
    }
}

// An output unplugged: the surfaces on it leave it.
void GlobalRemove(void*, wl_registry*, uint32_t name) {
    for (Output* o : outputs) {
        if (o->name == name) {
            for (WaylandWindow* native : waylandWindows) {
                SurfaceLeave(native, native->surface, o->output);
            }
            outputs.erase(std::remove(outputs.begin(), outputs.end(), o), outputs.end());
            wl_output_destroy(o->output);
            delete o;
            return;
        }
    }
}

const wl_registry_listener registryListener = {Global, GlobalRemove};

// Ends the connection of a start that cannot go on, for the next backend to try.
int GiveUp(char* why, size_t whySize, const char* reason, const char* what) {
    std::snprintf(why, whySize, reason, what);
    WaylandStopEgl();
    wl_display_disconnect(waylandDisplay); // the backend is not used after this
    return 0;
}

void DecorError(libdecor*, libdecor_error, const char* message) {
    std::string why = std::string("the Wayland compositor refused a window: ") + message;
    CoreDisplayFailed(why.c_str());
}

libdecor_interface decorHandlers = {DecorError, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}};

int Start(char* why, size_t whySize) {
    const char* name = nullptr;
    if (!WaylandSessionNamed(&name)) {
        std::snprintf(why, whySize, "WAYLAND_DISPLAY is not set");
        return 0;
    }
    waylandDisplay = wl_display_connect(nullptr);
    // A write to a compositor that has gone must not end the process before it can say so.
    signal(SIGPIPE, SIG_IGN);
    if (waylandDisplay == nullptr) {
        std::snprintf(why, whySize, "cannot connect to the Wayland compositor \"%s\"", name);
        return 0;
    }
    wl_registry* registry = wl_display_get_registry(waylandDisplay);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    // The globals, then what binding them sent (seat capabilities, keymap, output mode).
    if (wl_display_roundtrip(waylandDisplay) < 0 || wl_display_roundtrip(waylandDisplay) < 0) {
        return GiveUp(why, whySize, "the Wayland compositor \"%s\" closed the connection", name);
    }
    const char* missing = waylandCompositor == nullptr ? "wl_compositor"
                          : waylandShm == nullptr      ? "wl_shm"
                          : !hasWmBase                 ? "xdg_wm_base (xdg-shell)"
                                                       : nullptr;
    if (missing != nullptr) {
        return GiveUp(why, whySize, "the Wayland compositor offers no %s, which windows need",
                      missing);
    }
    if (!WaylandStartEgl()) {
        return GiveUp(why, whySize, "the Wayland compositor \"%s\" offers no OpenGL through EGL",
                      name);
    }
    waylandDecor = libdecor_new(waylandDisplay, &decorHandlers);
    if (waylandDecor == nullptr) {
        return GiveUp(why, whySize, "%s: cannot set up window decorations (libdecor)", name);
    }
    return 1;
}

void Configure(libdecor_frame* frame, libdecor_configuration* configuration, void* user) {
    WaylandWindow* native = WaylandNative(user);
    int width = 0, height = 0;
    if (!libdecor_configuration_get_content_size(configuration, frame, &width, &height) ||
        width <= 0 || height <= 0) {
        width = native->width; // the compositor leaves the size to us
        height = native->height;
    }
    libdecor_window_state state = LIBDECOR_WINDOW_STATE_NONE;
    bool active = libdecor_configuration_get_window_state(configuration, &state) &&
                  (state & LIBDECOR_WINDOW_STATE_ACTIVE);
    width = WaylandBoundedSize(width, native->scale);
    height = WaylandBoundedSize(height, native->scale);
    libdecor_state* committed = libdecor_state_new(std::max(width, 1), std::max(height, 1));
    libdecor_frame_commit(frame, committed, configuration);
    libdecor_state_free(committed);
    native->configured = true;
    if (width != native->width || height != native->height) {
        native->width = width;
        native->height = height;
        Resized(native);
    }
    CoreNotifyResize(native->window, BufferWidth(native), BufferHeight(native));
    CoreNotifyActivate(native->window, active ? 1 : 0);
}

void Close(libdecor_frame*, void* user) { CoreNotifyClose(WaylandNative(user)->window); }

void Commit(libdecor_frame*, void* user) { wl_surface_commit(WaylandNative(user)->surface); }

void DismissPopup(libdecor_frame*, const char*, void*) {}

libdecor_frame_interface frameHandlers = {Configure, Close, Commit, DismissPopup, {}, {}, {},
                                          {},        {},    {},     {},           {}, {}, {}};

// The app id compositors match with the desktop file's name: the program's own name, as X11's
// WM_CLASS instance (the window class names a Win32 class, not the program).
std::string AppId(void) {
    std::string id = CoreProgramName();
    for (char& c : id) {
        unsigned char u = static_cast<unsigned char>(c);
        c = static_cast<char>(std::isalnum(u) ? std::tolower(u) : '_');
    }
    return id;
}

void* CreateNativeWindow(HWND window, const RECT* client, const char* title,
                         const char* /*className*/) {
    WaylandWindow* native = new WaylandWindow;
    native->window = window;
    native->width = WaylandBoundedSize(std::max(static_cast<int>(client->right - client->left), 1),
                                       native->scale);
    native->height = WaylandBoundedSize(std::max(static_cast<int>(client->bottom - client->top), 1),
                                        native->scale);
    native->title = title;
    native->surface = wl_compositor_create_surface(waylandCompositor);
    wl_surface_add_listener(native->surface, &surfaceListener, native);
    // Fractional scaling needs both: the scale, and a viewport to map buffers of any size.
    if (waylandFractionalScale != nullptr && waylandViewporter != nullptr) {
        native->fractional = wp_fractional_scale_manager_v1_get_fractional_scale(
            waylandFractionalScale, native->surface);
        wp_fractional_scale_v1_add_listener(native->fractional, &fractionalListener, native);
        native->viewport = wp_viewporter_get_viewport(waylandViewporter, native->surface);
        WaylandScaleSurface(native->surface, native->viewport, native->scale, native->width,
                            native->height);
    }
    waylandWindows.push_back(native);
    return native;
}

void Unmap(WaylandWindow* native) {
    if (native->frame == nullptr) {
        return;
    }
    wl_surface_attach(native->surface, nullptr, 0, 0);
    wl_surface_commit(native->surface);
    WaylandDropBackground(native);
    libdecor_frame_unref(native->frame);
    native->frame = nullptr;
    native->configured = false;
    native->drawn = false;
}

void DestroyNativeWindow(void* handle) {
    WaylandWindow* native = WaylandNative(handle);
    waylandWindows.erase(std::remove(waylandWindows.begin(), waylandWindows.end(), native),
                         waylandWindows.end());
    WaylandForgetSurface(native->surface);
    WaylandDestroyGl(native);
    Unmap(native);
    if (native->fractional != nullptr) {
        wp_fractional_scale_v1_destroy(native->fractional);
        wp_viewport_destroy(native->viewport);
    }
    wl_surface_destroy(native->surface);
    wl_display_flush(waylandDisplay);
    delete native;
}

void ShowNativeWindow(void* handle, NativeShow verb, int /*activate*/) {
    WaylandWindow* native = WaylandNative(handle);
    if (verb == NATIVE_HIDE) {
        Unmap(native);
    } else if (native->frame == nullptr) {
        native->frame =
            WaylandDecorate(native->surface, &frameHandlers, native, native->title.c_str(),
                            AppId().c_str(), nullptr, &native->configured);
    }
    // Wayland tells a client nothing of a minimize by the user; one the program asks for
    // is passed on, and the window's frames go nowhere until the user restores it.
    if (verb == NATIVE_MINIMIZE && native->frame != nullptr) {
        libdecor_frame_set_minimized(native->frame);
    }
    wl_display_flush(waylandDisplay);
}

// Only the size reaches the compositor: a client has no say in where its window goes. The
// program's sizes are in buffer pixels; a size no logical size gives at the surface's scale
// (an odd one at scale 2) becomes the next larger one, and the program hears of it.
void PlaceNativeWindow(void* handle, const RECT* client) {
    WaylandWindow* native = WaylandNative(handle);
    int asked = static_cast<int>(client->right - client->left);
    int askedHeight = static_cast<int>(client->bottom - client->top);
    int width = WaylandBoundedSize(WaylandLogicalSize(asked, native->scale), native->scale);
    int height = WaylandBoundedSize(WaylandLogicalSize(askedHeight, native->scale), native->scale);
    if (width != native->width || height != native->height) {
        SetLogicalSize(native, width, height);
        Resized(native);
        wl_display_flush(waylandDisplay);
    }
    if (BufferWidth(native) != asked || BufferHeight(native) != askedHeight) {
        CoreNotifyResize(native->window, BufferWidth(native), BufferHeight(native));
    }
}

// Dispatches what the connection holds, waiting up to `timeoutMs` (-1: for ever) for more;
// returns the number of events and timer expiries handled.
int Dispatch(int timeoutMs) {
    int handled = 0;
    while (wl_display_prepare_read(waylandDisplay) != 0) {
        int n = wl_display_dispatch_pending(waylandDisplay);
        if (n < 0) {
            WaylandConnectionLost();
        }
        handled += n;
    }
    // Once events came, only what else is there is read, without waiting.
    bool repeated = WaylandReadEvents(WaylandRepeatFd(), handled > 0 ? 0 : timeoutMs * 1000000LL);
    int n = wl_display_dispatch_pending(waylandDisplay);
    if (n < 0) {
        WaylandConnectionLost();
    }
    handled += n;
    if (repeated) {
        WaylandRepeatFired();
        ++handled;
    }
    return handled;
}

int PumpEvents(int wait) {
    if (Dispatch(0) > 0 || !wait) {
        return 1;
    }
    for (;;) {
        if (waylandWindows.empty() && !WaylandBoxesOpen()) {
            return 0; // no window or box of ours: no event will ever become a message
        }
        if (Dispatch(-1) > 0) {
            return 1;
        }
    }
}

} // namespace

extern const PlatformBackend waylandBackend = {
    .name = "wayland",
    .Start = Start,
    .Finish = WaylandAwaitEgl,
    .CreateNativeWindow = CreateNativeWindow,
    .DestroyNativeWindow = DestroyNativeWindow,
    .ShowNativeWindow = ShowNativeWindow,
    .PlaceNativeWindow = PlaceNativeWindow,
    .PaintBackground = WaylandPaintBackground,
    .ListPixelConfigs = WaylandListPixelConfigs,
    .SetNativePixelFormat = WaylandSetPixelFormat,
    .CreateContext = WaylandCreateContext,
    .MakeCurrent = WaylandMakeCurrent,
    .DeleteContext = WaylandDeleteContext,
    .SwapNativeBuffers = WaylandSwapBuffers,
    .PumpEvents = PumpEvents,
    .OpenMessageBox = WaylandOpenMessageBox,
    .CloseMessageBox = WaylandCloseMessageBox,
    .IsPaletteDisplay = nullptr, // true colour only
    .SystemPaletteChanged = nullptr,
    // Wayland's implicit grab keeps the pointer's events with the window while a button is
    // down, which is when the program captures; nothing to ask of the compositor.
    .Capture = nullptr,
};

void WaylandConnectionLost(void) {
    CoreDisplayFailed(wl_display_get_error(waylandDisplay) == EPROTO
                          ? "the Wayland compositor reported a protocol error"
                          : "lost the connection to the Wayland compositor");
}

int WaylandOutputRefresh(wl_output* output) { return OutputOf(output)->refresh; }

void WaylandScaleSurface(wl_surface* surface, wp_viewport* viewport, int scale, int width,
                         int height) {
    if (viewport != nullptr) {
        wp_viewport_set_destination(viewport, width, height);
    } else {
        wl_surface_set_buffer_scale(surface, scale / 120);
    }
}

WaylandWindow* WaylandFindSurface(wl_surface* surface) {
    for (WaylandWindow* native : waylandWindows) {
        if (surface != nullptr && native->surface == surface) {
            return native;
        }
    }
    return nullptr;
}

bool WaylandReadEvents(int otherFd, long long timeoutNs) {
    // A broken pipe is no loss yet: a compositor closes the connection after a protocol
    // error it sent, and the error is still to be read below (the read ends in the loss when
    // nothing is left), as the client library leaves it for that.
    if (wl_display_flush(waylandDisplay) < 0 && errno != EAGAIN && errno != EPIPE) {
        wl_display_cancel_read(waylandDisplay);
        WaylandConnectionLost();
    }
    // poll passes over a negative descriptor.
    pollfd fds[2] = {{wl_display_get_fd(waylandDisplay), POLLIN, 0}, {otherFd, POLLIN, 0}};
    timespec wait = {static_cast<time_t>(timeoutNs / 1000000000LL),
                     static_cast<long>(timeoutNs % 1000000000LL)};
    int count = ppoll(fds, 2, timeoutNs < 0 ? nullptr : &wait, nullptr);
    if (count < 0 && errno != EINTR) {
        wl_display_cancel_read(waylandDisplay);
        WaylandConnectionLost();
    }
    if (count > 0 && fds[0].revents != 0) {
        if (wl_display_read_events(waylandDisplay) < 0) {
            WaylandConnectionLost();
        }
    } else {
        wl_display_cancel_read(waylandDisplay);
    }
    return count > 0 && (fds[1].revents & POLLIN) != 0;
}

libdecor_frame* WaylandDecorate(wl_surface* surface, const libdecor_frame_interface* handlers,
                                void* user, const char* title, const char* appId,
                                libdecor_frame* parent, bool* configured) {
    libdecor_frame* frame = libdecor_decorate(
        waylandDecor, surface, const_cast<libdecor_frame_interface*>(handlers), user);
    libdecor_frame_set_title(frame, title);
    libdecor_frame_set_app_id(frame, appId);
    if (parent != nullptr) {
        libdecor_frame_set_parent(frame, parent);
    }
    libdecor_frame_map(frame);
    // Buffers may be attached only after the first configure; it comes at once.
    for (int turn = 0; turn < 500 && !*configured; ++turn) {
        Dispatch(10);
    }
    return frame;
}
