// The Wayland backend against a small compositor in the same process, on a thread of its own
// and over a socket pair (WAYLAND_SOCKET): it offers what the backend binds (wl_compositor,
// wl_shm, a seat with keyboard and pointer, outputs, xdg_wm_base, viewports and fractional
// scales) and plays the input as a sequence of events the protocol allows but a hostile or
// broken compositor sends: configures at 0 x 0, 1 x 1 and 32767 x 32767, output scales 0 and
// 1000, preferred scale 0, keymaps that are empty, huge or no keymap at all, repeat rates 0
// and negative, enter for surfaces not the window's and leave without enter, keys without
// focus, outputs removed under the window, ping storms and frame callbacks never answered.
// Between events the program runs its message loop. After each input both windows must be
// there and take an Escape.
//
// The program: two windows made with CreateWindowEx, each with an OpenGL context, painted
// with glClear and SwapBuffers. The first is made before the compositor offers fractional
// scales, so it follows its outputs' integer scales; the second follows its preferred scale.
// OpenGL is Mesa's software renderer over wl_shm, which is all such a compositor has to give.
// The compositor raises protocol errors only for requests that break the protocol, so the
// failure funnel reached here is a fault of the backend: the fuzz build catches it (the link
// wraps it) and fails. That a protocol error ends the program cleanly, with the funnel's line
// and exit code 1, is checked once at start in a child process.
//
// Input: events of 6 bytes each: kind, selector, two 16-bit values. One kind of them is the
// program's own: it sizes a window, up to 65535 x 65535.
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-server.h>
#include <windows.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "backend_select.h"
#include "fractional-scale-v1-server.h"
#include <GL/gl.h>
#include "viewporter-server.h"
#include "xdg-shell-server.h"

void WaylandAwaitEgl(void); // the Wayland backend's: returns once the renderer has loaded

namespace {

[[noreturn]] void Fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "wayland events: %s%s\n", what, detail);
    std::abort();
}

// ---- The compositor: all of its state is touched on its own thread only.

struct Surface {
    wl_resource* resource;
    wl_resource* buffer = nullptr; // attached, not yet committed
    wl_listener bufferGone{};
    std::vector<wl_resource*> frames; // callbacks asked for since the last commit
    wl_resource* xdgSurface = nullptr;
    wl_resource* toplevel = nullptr;
    wl_resource* fractional = nullptr;
    bool configured = false;
};

struct Output {
    wl_global* global;
    std::vector<wl_resource*> resources;
    bool removed = false;
};

// Never destroyed: the compositor's thread runs until the process has ended.
wl_display* server = nullptr;
std::vector<Surface*>& surfaces = *new std::vector<Surface*>;
std::vector<Output*>& outputs = *new std::vector<Output*>;
std::vector<wl_resource*>&keyboards = *new std::vector<wl_resource*>,
    &pointers = *new std::vector<wl_resource*>, &seats = *new std::vector<wl_resource*>,
    &wmBases = *new std::vector<wl_resource*>, &waitingFrames = *new std::vector<wl_resource*>;
wl_resource* keyboardFocus = nullptr;
bool answerFrames = true;
uint32_t capabilities = WL_SEAT_CAPABILITY_KEYBOARD | WL_SEAT_CAPABILITY_POINTER;
std::string keymapText;  // the keymap compositors send: xkbcommon's default (us) layout
bool keymapSent = false; // the last keymap sent was that one

int Dispatcher(const void*, void* target, uint32_t opcode, const wl_message* message,
               wl_argument* args);

Surface* SurfaceOf(wl_resource* resource) {
    for (Surface* s : surfaces) {
        if (s->resource == resource) {
            return s;
        }
    }
    return nullptr;
}

void Erase(std::vector<wl_resource*>* list, wl_resource* resource) {
    list->erase(std::remove(list->begin(), list->end(), resource), list->end());
}

// A resource goes (the client destroyed it or went): the lists forget it.
void ResourceGone(wl_resource* resource) {
    for (auto* list : {&keyboards, &pointers, &seats, &wmBases, &waitingFrames}) {
        Erase(list, resource);
    }
    if (keyboardFocus == resource) {
        keyboardFocus = nullptr;
    }
    for (Output* o : outputs) {
        Erase(&o->resources, resource);
    }
    for (Surface* s : std::vector<Surface*>(surfaces)) {
        Erase(&s->frames, resource);
        if (s->xdgSurface == resource) s->xdgSurface = nullptr;
        if (s->toplevel == resource) s->toplevel = nullptr;
        if (s->fractional == resource) s->fractional = nullptr;
        if (s->resource == resource) {
            if (s->buffer != nullptr) {
                wl_list_remove(&s->bufferGone.link);
            }
            surfaces.erase(std::find(surfaces.begin(), surfaces.end(), s));
            delete s;
        }
    }
}

wl_resource* NewResource(wl_client* owner, const wl_interface* interface, int version,
                         uint32_t id) {
    wl_resource* resource = wl_resource_create(owner, interface, version, id);
    wl_resource_set_dispatcher(resource, Dispatcher, nullptr, nullptr, ResourceGone);
    return resource;
}

void ForgetBuffer(wl_listener* listener, void*) {
    for (Surface* s : surfaces) {
        if (&s->bufferGone == listener) {
            wl_list_remove(&s->bufferGone.link);
            s->buffer = nullptr;
        }
    }
}

// A keymap of `size` bytes, of which the first `length` are `text`, the rest zeros.
void SendKeymap(wl_resource* keyboard, uint32_t format, const char* text, size_t length,
                size_t size) {
    int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(std::max(length, size))) != 0 ||
        pwrite(fd, text, length, 0) < 0) {
        Fail("cannot make a keymap file");
    }
    wl_keyboard_send_keymap(keyboard, format, fd, static_cast<uint32_t>(size));
    close(fd); // the connection sends a copy
}

void Committed(Surface* s) {
    if (s->buffer != nullptr) {
        wl_buffer_send_release(s->buffer); // its pixels are taken at once
        wl_list_remove(&s->bufferGone.link);
        s->buffer = nullptr;
    }
    for (wl_resource* frame : s->frames) {
        if (answerFrames) {
            wl_callback_send_done(frame, 0);
            wl_resource_destroy(frame);
        } else {
            waitingFrames.push_back(frame);
        }
    }
    s->frames.clear();
    if (s->toplevel != nullptr && !s->configured) {
        s->configured = true; // the first commit of a toplevel asks for its first configure
        wl_array states;
        wl_array_init(&states);
        xdg_toplevel_send_configure(s->toplevel, 0, 0, &states);
        xdg_surface_send_configure(s->xdgSurface, wl_display_next_serial(server));
    }
}

// Every request of every object the compositor makes comes here: new objects are made with
// this dispatcher, "destroy" and "release" end their object, the few requests that matter
// are answered, and the others are taken and ignored.
int Dispatcher(const void*, void* target, uint32_t, const wl_message* message, wl_argument* args) {
    wl_resource* resource = static_cast<wl_resource*>(target);
    const std::string interface = wl_resource_get_class(resource), request = message->name;
    const int version = wl_resource_get_version(resource);
    wl_client* owner = wl_resource_get_client(resource);
    std::vector<wl_resource*> made;
    int arg = 0;
    for (const char* c = message->signature; *c != 0; ++c) {
        if (*c == '?' || (*c >= '0' && *c <= '9')) {
            continue;
        }
        if (*c == 'n') {
            made.push_back(NewResource(owner, message->types[arg], version, args[arg].n));
        }
        ++arg;
    }
    auto object = [&](int i) { return reinterpret_cast<wl_resource*>(args[i].o); };
    if (request == "destroy" || request == "release") {
        wl_resource_destroy(resource);
    } else if (interface == "wl_compositor" && request == "create_surface") {
        surfaces.push_back(new Surface{made[0], nullptr, {}, {}, nullptr, nullptr, nullptr, false});
    } else if (interface == "wl_surface" && request == "attach") {
        Surface* s = SurfaceOf(resource);
        if (s->buffer != nullptr) {
            wl_list_remove(&s->bufferGone.link);
        }
        s->buffer = object(0);
        if (s->buffer != nullptr) {
            s->bufferGone.notify = ForgetBuffer;
            wl_resource_add_destroy_listener(s->buffer, &s->bufferGone);
        }
    } else if (interface == "wl_surface" && request == "frame") {
        SurfaceOf(resource)->frames.push_back(made[0]);
    } else if (interface == "wl_surface" && request == "commit") {
        Committed(SurfaceOf(resource));
    } else if (interface == "wl_surface" && request == "set_buffer_scale" && args[0].i < 1) {
        wl_resource_post_error(resource, WL_SURFACE_ERROR_INVALID_SCALE, "buffer scale %d",
                               args[0].i);
    } else if (interface == "wp_viewport" && request == "set_destination" &&
               (args[0].i <= 0 || args[1].i <= 0) && (args[0].i != -1 || args[1].i != -1)) {
        wl_resource_post_error(resource, WP_VIEWPORT_ERROR_BAD_VALUE, "destination %d x %d",
                               args[0].i, args[1].i);
    } else if (interface == "wl_seat" && request == "get_keyboard") {
        keyboards.push_back(made[0]);
        SendKeymap(made[0], WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymapText.c_str(),
                   keymapText.size() + 1, keymapText.size() + 1);
        keymapSent = true;
        if (version >= WL_KEYBOARD_REPEAT_INFO_SINCE_VERSION) {
            wl_keyboard_send_repeat_info(made[0], 25, 600);
        }
    } else if (interface == "wl_seat" && request == "get_pointer") {
        pointers.push_back(made[0]);
    } else if (interface == "xdg_wm_base" && request == "get_xdg_surface") {
        SurfaceOf(object(1))->xdgSurface = made[0];
    } else if (interface == "xdg_surface" && request == "get_toplevel") {
        for (Surface* s : surfaces) {
            if (s->xdgSurface == resource) s->toplevel = made[0];
        }
    } else if (interface == "wp_fractional_scale_manager_v1" && request == "get_fractional_scale") {
        SurfaceOf(object(1))->fractional = made[0];
    }
    return 0;
}

void BindOutput(wl_client* owner, void* data, uint32_t version, uint32_t id) {
    Output* o = static_cast<Output*>(data);
    wl_resource* r = NewResource(owner, &wl_output_interface, static_cast<int>(version), id);
    o->resources.push_back(r);
    wl_output_send_geometry(r, 0, 0, 600, 340, WL_OUTPUT_SUBPIXEL_UNKNOWN, "Fuzz", "Output",
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(r, WL_OUTPUT_MODE_CURRENT, 1920, 1080, 60000);
    if (version >= WL_OUTPUT_SCALE_SINCE_VERSION) {
        wl_output_send_scale(r, 1);
        wl_output_send_done(r);
    }
}

void BindSeat(wl_client* owner, void*, uint32_t version, uint32_t id) {
    wl_resource* r = NewResource(owner, &wl_seat_interface, static_cast<int>(version), id);
    seats.push_back(r);
    wl_seat_send_capabilities(r, capabilities);
}

void BindWmBase(wl_client* owner, void*, uint32_t version, uint32_t id) {
    wmBases.push_back(NewResource(owner, &xdg_wm_base_interface, static_cast<int>(version), id));
}

void BindPlain(wl_client* owner, void* data, uint32_t version, uint32_t id) {
    NewResource(owner, static_cast<const wl_interface*>(data), static_cast<int>(version), id);
}

void AddOutput(void) {
    Output* o = new Output;
    o->global = wl_global_create(server, &wl_output_interface, 2, o, BindOutput);
    outputs.push_back(o);
}

std::vector<Output*> LiveOutputs(void) {
    std::vector<Output*> live;
    for (Output* o : outputs) {
        if (!o->removed && !o->resources.empty()) live.push_back(o);
    }
    return live;
}

// Jobs from the program's thread, run on the compositor's between its own dispatches.
std::mutex jobLock;
std::condition_variable jobDone;
std::function<void()> job;
bool jobFinished = false;
int jobSignal = -1;
wl_event_source* jobSource = nullptr; // the loop keeps it only in the kernel's epoll set

int RunJob(int fd, uint32_t, void*) {
    uint64_t count;
    if (read(fd, &count, sizeof count) < 0) {
        return 0;
    }
    std::lock_guard<std::mutex> hold(jobLock);
    if (job) {
        job();
        job = nullptr;
        wl_display_flush_clients(server);
        jobFinished = true;
        jobDone.notify_all();
    }
    return 0;
}

void Compositor(void) {
    wl_event_loop* loop = wl_display_get_event_loop(server);
    for (;;) {
        wl_event_loop_dispatch(loop, -1);
        wl_display_flush_clients(server);
    }
}

// Runs `what` on the compositor's thread and waits for it.
void OnCompositor(const std::function<void()>& what) {
    std::unique_lock<std::mutex> hold(jobLock);
    job = what;
    jobFinished = false;
    uint64_t one = 1;
    if (write(jobSignal, &one, sizeof one) < 0) {
        Fail("cannot reach the compositor");
    }
    jobDone.wait(hold, [] { return jobFinished; });
}

// Starts the compositor and hands the program the other end of its socket.
void StartCompositor(void) {
    server = wl_display_create();
    wl_display_init_shm(server);
    wl_global_create(server, &wl_compositor_interface, 4, (void*)&wl_compositor_interface,
                     BindPlain);
    wl_global_create(server, &wl_seat_interface, 5, nullptr, BindSeat);
    wl_global_create(server, &xdg_wm_base_interface, 2, nullptr, BindWmBase);
    AddOutput();
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text =
        keymap != nullptr ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    if (text == nullptr) {
        Fail("no keymap for the compositor (xkb-data)");
    }
    keymapText = text;
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        Fail("no socket pair");
    }
    wl_client_create(server, ends[0]);
    int programEnd = fcntl(ends[1], F_DUPFD, 3); // without close-on-exec, as a compositor passes it
    close(ends[1]);
    setenv("WAYLAND_SOCKET", std::to_string(programEnd).c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    jobSignal = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    jobSource = wl_event_loop_add_fd(wl_display_get_event_loop(server), jobSignal,
                                     WL_EVENT_READABLE, RunJob, nullptr);
    std::thread(Compositor).detach();
}

// Fractional scales come after the first window: it stays on integer output scales.
void OfferFractionalScales(void) {
    OnCompositor([] {
        wl_global_create(server, &wp_viewporter_interface, 1, (void*)&wp_viewporter_interface,
                         BindPlain);
        wl_global_create(server, &wp_fractional_scale_manager_v1_interface, 1,
                         (void*)&wp_fractional_scale_manager_v1_interface, BindPlain);
    });
}

// ---- The program.

HWND windows[2];
HDC dcs[2];
HGLRC contexts[2];
int escapes[2];
const char* const titles[2] = {"Wayland events", "Wayland events fractional"};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    int i = window == windows[1] ? 1 : 0;
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        if (contexts[i] != nullptr && wglMakeCurrent(dcs[i], contexts[i])) {
            RECT client;
            GetClientRect(window, &client);
            glViewport(0, 0, client.right, client.bottom);
            glClearColor(0.2f * static_cast<float>(i), 0.4f, 0.6f, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            SwapBuffers(dcs[i]);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            escapes[i]++;
        }
        return 0;
    case WM_CLOSE:
        return 0; // a close from the compositor is the user's: it stays
    case WM_DESTROY:
        Fail("a window was destroyed");
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void OpenWindow(int i) {
    windows[i] = CreateWindowExA(0, "WaylandEvents", titles[i], WS_OVERLAPPEDWINDOW, 100, 100, 240,
                                 180, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (windows[i] == nullptr) {
        Fail("CreateWindowEx failed");
    }
    dcs[i] = GetDC(windows[i]);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 16;
    int chosen = ChoosePixelFormat(dcs[i], &format);
    if (chosen == 0 || !SetPixelFormat(dcs[i], chosen, &format) ||
        (contexts[i] = wglCreateContext(dcs[i])) == nullptr) {
        Fail("no OpenGL for a window");
    }
    ShowWindow(windows[i], SW_SHOWNORMAL);
}

// Dispatches what has arrived; bounded, so that a window that keeps asking cannot hang a run.
void Pump(void) {
    MSG message;
    for (int i = 0; i < 2000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); i++) {
        if (message.message == WM_QUIT) {
            Fail("the loop was asked to end");
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Pumps until `done` holds, for up to about two seconds.
bool PumpUntil(const std::function<bool()>& done) {
    for (int turn = 0; turn < 2000; ++turn) {
        Pump();
        if (done()) {
            return true;
        }
        Sleep(1);
    }
    return false;
}

// ---- The events.

int Pick(uint8_t choice, std::initializer_list<int> table, int raw) {
    size_t i = choice % (table.size() + 1);
    return i < table.size() ? table.begin()[i] : raw;
}

// A pointer coordinate (24.8 fixed point): the ends of its range, or any whole or half one.
wl_fixed_t Coordinate(uint8_t choice, uint16_t raw) {
    return Pick(choice, {0, -256, INT_MAX, INT_MIN}, static_cast<int16_t>(raw) * 128);
}

Surface* WindowSurface(int i) {
    // The windows' surfaces are the toplevels, in the order the windows were made.
    int seen = 0;
    for (Surface* s : surfaces) {
        if (s->toplevel != nullptr && seen++ == i) return s;
    }
    return nullptr;
}

Surface* AnySurface(uint8_t choice) {
    return surfaces.empty() ? nullptr : surfaces[choice % surfaces.size()];
}

wl_resource* Last(const std::vector<wl_resource*>& list) {
    return list.empty() ? nullptr : list.back();
}

int largestAsked = 0; // windows sized at their largest this input

void Event(const uint8_t* f) {
    const uint8_t kind = f[0], sel = f[1];
    const uint16_t a = static_cast<uint16_t>(f[2] | f[3] << 8),
                   b = static_cast<uint16_t>(f[4] | f[5] << 8);
    const uint32_t serial = wl_display_next_serial(server);
    wl_resource* keyboard = Last(keyboards);
    wl_resource* pointer = Last(pointers);
    std::vector<Output*> live = LiveOutputs();
    Output* output = live.empty() ? nullptr : live[sel % live.size()];
    switch (kind % 22) {
    case 0: { // configure, with states
        Surface* s = WindowSurface(sel & 1);
        if (s == nullptr || s->xdgSurface == nullptr) break;
        wl_array states;
        wl_array_init(&states);
        for (uint32_t state = 1; state <= 4; ++state) {
            if (b & (1u << state)) {
                *static_cast<uint32_t*>(wl_array_add(&states, sizeof(uint32_t))) = state;
            }
        }
        int width = Pick(sel >> 1, {0, 1, 32767, 640}, a % 1024);
        int height = Pick(sel >> 4, {0, 1, 32767, 480}, b % 1024);
        // The window's largest buffers take a second to make: once an input, to stay
        // within the time an input may take.
        if (width == 32767 && height == 32767 && largestAsked++ > 0) height = 480;
        xdg_toplevel_send_configure(s->toplevel, width, height, &states);
        xdg_surface_send_configure(s->xdgSurface, serial);
        wl_array_release(&states);
        break;
    }
    case 1: // an output's scale
        if (output == nullptr) break;
        for (wl_resource* r : output->resources) {
            wl_output_send_scale(r, Pick(static_cast<uint8_t>(a), {0, 1, 2, 1000, -1}, b % 16));
            wl_output_send_done(r);
        }
        break;
    case 2: // an output's mode
        if (output == nullptr) break;
        for (wl_resource* r : output->resources) {
            wl_output_send_mode(
                r, WL_OUTPUT_MODE_PREFERRED | (sel & 0x80 ? WL_OUTPUT_MODE_CURRENT : 0), a, b,
                Pick(sel >> 1, {0, 30000, 60000, 144000, -1}, 240000));
            wl_output_send_done(r);
        }
        break;
    case 3: { // the preferred scale of the second window
        Surface* s = WindowSurface(1);
        if (s == nullptr || s->fractional == nullptr) break;
        wp_fractional_scale_v1_send_preferred_scale(
            s->fractional, static_cast<uint32_t>(Pick(sel, {0, 1, 120, 180, 240, 120000, -1}, a)));
        break;
    }
    case 4: { // a keymap: empty, huge, not a keymap, or of an unknown format
        if (keyboard == nullptr) break;
        std::string noise(reinterpret_cast<const char*>(f), 6);
        switch (sel % 6) {
        case 0:
            SendKeymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, "", 0, 0);
            break;
        case 1: // the keymap at the start of 64 MiB of nothing
            SendKeymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymapText.c_str(),
                       keymapText.size() + 1, 64u << 20);
            break;
        case 2: { // a megabyte of something else
            std::string text(1u << 20, static_cast<char>('!' + a % 90));
            SendKeymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, text.c_str(), text.size(),
                       text.size());
            break;
        }
        case 3:
            SendKeymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, noise.c_str(), noise.size(),
                       noise.size());
            break;
        case 4:
            SendKeymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_NO_KEYMAP, noise.c_str(), noise.size(),
                       noise.size());
            break;
        default:
            SendKeymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymapText.c_str(),
                       keymapText.size() + 1, keymapText.size() + 1);
            break;
        }
        keymapSent = sel % 6 == 5;
        break;
    }
    case 5: // repeat rate and delay
        if (keyboard == nullptr) break;
        wl_keyboard_send_repeat_info(keyboard, Pick(sel, {0, -1, 1, 25, 1000, INT_MIN, INT_MAX}, a),
                                     Pick(sel >> 3, {0, -1, 1, 600, INT_MIN, INT_MAX}, b));
        break;
    case 6: { // keyboard enter, on any surface of the program's, with keys held
        Surface* s = AnySurface(sel);
        if (keyboard == nullptr || s == nullptr) break;
        wl_array keys;
        wl_array_init(&keys);
        for (int i = 0; i < (b & 3); ++i) {
            *static_cast<uint32_t*>(wl_array_add(&keys, sizeof(uint32_t))) = (a >> (i * 4)) % 128;
        }
        wl_keyboard_send_enter(keyboard, serial, s->resource, &keys);
        wl_array_release(&keys);
        keyboardFocus = s->resource;
        break;
    }
    case 7: { // keyboard leave, of any surface, entered or not
        Surface* s = AnySurface(sel);
        if (keyboard == nullptr || s == nullptr) break;
        wl_keyboard_send_leave(keyboard, serial, s->resource);
        if (keyboardFocus == s->resource) keyboardFocus = nullptr;
        break;
    }
    case 8: // a key, with focus or without
        if (keyboard == nullptr) break;
        wl_keyboard_send_key(keyboard, serial, a, a % 256, sel & 1);
        break;
    case 9: // modifiers
        if (keyboard == nullptr) break;
        wl_keyboard_send_modifiers(keyboard, serial, a & 0xFF, a >> 8, b & 0xFF, b >> 8);
        break;
    case 10: { // pointer enter, anywhere on any surface
        Surface* s = AnySurface(sel);
        if (pointer == nullptr || s == nullptr) break;
        wl_pointer_send_enter(pointer, serial, s->resource, Coordinate(sel >> 2, a),
                              Coordinate(sel >> 5, b));
        break;
    }
    case 11: { // pointer leave, entered or not
        Surface* s = AnySurface(sel);
        if (pointer == nullptr || s == nullptr) break;
        wl_pointer_send_leave(pointer, serial, s->resource);
        break;
    }
    case 12: // pointer motion
        if (pointer == nullptr) break;
        wl_pointer_send_motion(pointer, a, Coordinate(sel, a), Coordinate(sel >> 3, b));
        break;
    case 13: // a button, any
        if (pointer == nullptr) break;
        wl_pointer_send_button(
            pointer, serial, a,
            static_cast<uint32_t>(Pick(sel >> 1, {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE}, b)),
            sel & 1);
        break;
    case 14: // an output plugged in
        if (live.size() < 4) AddOutput();
        break;
    case 15: // an output unplugged, whether or not a window is on it
        if (output == nullptr) break;
        wl_global_remove(output->global);
        output->removed = true;
        break;
    case 16: { // a surface enters an output
        Surface* s = sel & 0x80 ? AnySurface(static_cast<uint8_t>(a)) : WindowSurface(a & 1);
        if (s == nullptr || output == nullptr) break;
        wl_surface_send_enter(s->resource, output->resources.front());
        break;
    }
    case 17: { // a surface leaves an output, entered or not
        Surface* s = sel & 0x80 ? AnySurface(static_cast<uint8_t>(a)) : WindowSurface(a & 1);
        if (s == nullptr || output == nullptr) break;
        wl_surface_send_leave(s->resource, output->resources.front());
        break;
    }
    case 18: // a storm of pings
        for (wl_resource* base : wmBases) {
            for (int i = 0; i <= a % 200; ++i) {
                xdg_wm_base_send_ping(base, wl_display_next_serial(server));
            }
        }
        break;
    case 19: // frame callbacks: answered at once, never, or all now
        if (sel % 3 == 2) {
            for (wl_resource* frame : std::vector<wl_resource*>(waitingFrames)) {
                wl_callback_send_done(frame, a);
                wl_resource_destroy(frame);
            }
        } else {
            answerFrames = sel % 3 == 0;
        }
        break;
    case 20: { // the user closes a window (or, with the selector's top bit, see Resize)
        Surface* s = WindowSurface(sel & 1);
        if (s != nullptr) xdg_toplevel_send_close(s->toplevel);
        break;
    }
    default: // the seat loses or regains its keyboard or pointer
        capabilities = sel & 3;
        if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD)) {
            keyboards.clear(); // the program lets its keyboard go; it hears no more
            keyboardFocus = nullptr;
        }
        if (!(capabilities & WL_SEAT_CAPABILITY_POINTER)) pointers.clear();
        for (wl_resource* seat : seats) {
            wl_seat_send_capabilities(seat, capabilities);
        }
        break;
    }
}

// The program sizes a window itself, up to 65535 x 65535.
void Resize(const uint8_t* f) {
    const uint16_t a = static_cast<uint16_t>(f[2] | f[3] << 8),
                   b = static_cast<uint16_t>(f[4] | f[5] << 8);
    int width = Pick(f[1] >> 1, {0, 1, 65535, 32767}, a % 1024);
    int height = Pick(f[1] >> 4, {0, 1, 65535, 32767}, b % 1024);
    if (width > 32766 && height > 32766 && largestAsked++ > 0) height = 480; // as Event's
    MoveWindow(windows[f[1] & 1], 100, 100, width, height, TRUE);
}

// An Escape for window i from a keyboard as a sane compositor has it.
void SendEscape(int i) {
    OnCompositor([] {
        if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD)) {
            capabilities |= WL_SEAT_CAPABILITY_KEYBOARD;
            for (wl_resource* seat : seats) {
                wl_seat_send_capabilities(seat, capabilities);
            }
        }
    });
    bool hasKeyboard = false;
    if (!PumpUntil([&] {
            OnCompositor([&] { hasKeyboard = !keyboards.empty(); });
            return hasKeyboard;
        })) {
        Fail("the program took no keyboard when the seat offered one again");
    }
    OnCompositor([i] {
        wl_resource* keyboard = keyboards.back();
        uint32_t serial = wl_display_next_serial(server);
        if (keyboardFocus != nullptr) {
            wl_keyboard_send_leave(keyboard, serial, keyboardFocus);
        }
        if (!keymapSent) {
            SendKeymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymapText.c_str(),
                       keymapText.size() + 1, keymapText.size() + 1);
            keymapSent = true;
        }
        wl_keyboard_send_repeat_info(keyboard, 25, 600);
        wl_array keys;
        wl_array_init(&keys);
        keyboardFocus = WindowSurface(i)->resource;
        wl_keyboard_send_enter(keyboard, serial, keyboardFocus, &keys);
        wl_keyboard_send_modifiers(keyboard, serial, 0, 0, 0, 0);
        wl_keyboard_send_key(keyboard, serial, 0, KEY_ESC, WL_KEYBOARD_KEY_STATE_PRESSED);
        wl_keyboard_send_key(keyboard, serial, 0, KEY_ESC, WL_KEYBOARD_KEY_STATE_RELEASED);
    });
}

// A protocol error from the compositor ends the program with the funnel's line and exit
// code 1. Checked in a child, which starts a compositor and the program of its own.
bool checkingCleanEnd = false;

void StartProgram(void) {
    StartCompositor();
    // The desktop program's own way to its backend (platform_entry's main does this).
    setenv("VORLANTH_PLATFORM", "wayland", 1);
    if (!PlatformSelectBackend(programBackends, programBackendCount)) {
        Fail("the backend did not start");
    }
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "WaylandEvents";
    RegisterClassA(&windowClass);
    OpenWindow(0);
    OfferFractionalScales();
    PumpUntil([] { return false; }); // the program binds the new globals
}

void CheckCleanEnd(void) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) Fail("no pipe");
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDERR_FILENO);
        checkingCleanEnd = true;
        StartCompositor();
        setenv("VORLANTH_PLATFORM", "wayland", 1);
        if (!PlatformSelectBackend(programBackends, programBackendCount)) _exit(3);
        // While the renderer loads, its thread reads the connection too, and the client library
        // may read the closed connection on one thread before the other has handled the error
        // it read: a loss, not a protocol error. The error comes once the load is done.
        WaylandAwaitEgl();
        // Sent at once, as a compositor does: the program's next request makes the compositor
        // close the connection, and the error must be on its way before that.
        OnCompositor([] {
            wl_resource_post_error(seats.front(), 0, "an error of the compositor's own");
            wl_display_flush_clients(server);
        });
        MSG message;
        for (int i = 0; i < 400; ++i) {
            PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
            Sleep(5);
        }
        _exit(2); // the program went on
    }
    close(pipeEnds[1]);
    std::string said;
    char chunk[512];
    for (ssize_t n; (n = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) said.append(chunk, n);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 1 ||
        said.find(": the Wayland compositor reported a protocol error\n") == std::string::npos) {
        Fail("a protocol error did not end the program cleanly: ", said.c_str());
    }
}

} // namespace

// The failure funnel, as the link wraps it in this program only.
extern "C" [[noreturn]] void __real__Z17CoreDisplayFailedPKc(const char* why);
extern "C" [[noreturn]] void __wrap__Z17CoreDisplayFailedPKc(const char* why) {
    if (checkingCleanEnd) {
        __real__Z17CoreDisplayFailedPKc(why);
    }
    Fail("the compositor ended the connection over the program's requests: ", why);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A compositor this small offers no GPU buffers: Mesa draws in software, into wl_shm.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    // libdecor's plugins draw frames with subsurfaces this compositor does not offer; with
    // none found it falls back to frames of its own.
    setenv("LIBDECOR_PLUGIN_DIR", "/nonexistent", 1);
    CheckCleanEnd();
    StartProgram();
    OpenWindow(1);
    if (!PumpUntil([] {
            bool both = false;
            OnCompositor(
                [&] { both = WindowSurface(1) != nullptr && WindowSurface(1)->fractional; });
            return both;
        })) {
        Fail("the second window has no fractional scale");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Each input starts with frames answered, as a compositor that shows the windows does,
    // and without the outputs unplugged before, whose removal the program has seen by now.
    OnCompositor([] {
        largestAsked = 0;
        for (Output* o : std::vector<Output*>(outputs)) {
            if (o->removed) {
                wl_global_destroy(o->global);
                outputs.erase(std::find(outputs.begin(), outputs.end(), o));
                delete o;
            }
        }
        answerFrames = true;
        for (wl_resource* frame : std::vector<wl_resource*>(waitingFrames)) {
            wl_callback_send_done(frame, 0);
            wl_resource_destroy(frame);
        }
    });
    for (size_t at = 0; at + 6 <= size && at < 6 * 200; at += 6) {
        if (data[at] % 22 == 20 && data[at + 1] & 0x80) {
            Resize(data + at);
        } else {
            OnCompositor([&] { Event(data + at); });
        }
        if (data[at] % 22 == 21 || data[at + 1] % 8 == 0) {
            InvalidateRect(windows[data[at + 1] & 1], nullptr, FALSE); // a frame to draw
        }
        Pump();
    }
    for (int i = 0; i < 2; ++i) {
        if (!IsWindow(windows[i])) Fail("a window is gone");
        const int before = escapes[i];
        SendEscape(i);
        if (!PumpUntil([&] { return escapes[i] > before; })) {
            Fail("Escape did not reach a window");
        }
    }
    return 0;
}
