// Preloaded into a program by bench/first_frame_launch: notes when the window first goes on
// screen (X11: the map request of a top-level window; Wayland: the first commit of a
// toplevel's surface with a buffer attached) and when the first buffer swap through GLX or
// EGL returns. At the swap it writes both, in milliseconds since VORLANTH_FIRST_FRAME_START,
// with the processor time the program used until then, as "FRAME SHOWN CPU" to the file
// VORLANTH_FIRST_FRAME_LOG names, and ends the program. With
// VORLANTH_FIRST_FRAME_PHASES set it adds a line for each of the start-up's steps, with the
// moments it was first and last taken and how often: "STEP FIRST LAST COUNT".
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>
#include <wayland-client-core.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

double Since(void) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    long long now = static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    const char* start = std::getenv("VORLANTH_FIRST_FRAME_START");
    return start != nullptr ? static_cast<double>(now - std::atoll(start)) / 1e6 : 0.0;
}

double shown = -1;

// The start-up's steps, in the order they were first taken.
struct Step {
    const char* name;
    double first, last;
    int count;
} steps[32];
int stepCount = 0;

void Step(const char* name) {
    for (int i = 0; i < stepCount; ++i) {
        if (steps[i].name == name) {
            ++steps[i].count;
            steps[i].last = Since();
            return;
        }
    }
    if (stepCount < 32) {
        double now = Since();
        steps[stepCount++] = {name, now, now, 1};
    }
}

void Shown(void) {
    if (shown < 0) {
        shown = Since();
    }
}

void Presented(void) {
    double frame = Since();
    if (const char* path = std::getenv("VORLANTH_FIRST_FRAME_LOG")) {
        if (FILE* log = std::fopen(path, "w")) {
            rusage used{};
            getrusage(RUSAGE_SELF, &used);
            double cpu = (used.ru_utime.tv_sec + used.ru_stime.tv_sec) * 1e3 +
                         (used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e3;
            std::fprintf(log, "%.2f %.2f %.2f\n", frame, shown < 0 ? frame : shown, cpu);
            for (int i = 0; std::getenv("VORLANTH_FIRST_FRAME_PHASES") != nullptr && i < stepCount;
                 ++i) {
                std::fprintf(log, "%s %.2f %.2f %d\n", steps[i].name, steps[i].first, steps[i].last,
                             steps[i].count);
            }
            std::fclose(log);
        }
    }
    _exit(0);
}

template <typename Function> Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The next definition of a function the marker takes the place of. Looked up when the marker
// loads, before the program's main: a look-up takes the dynamic loader's lock, which a thread
// of the program loading the GL driver holds for tens of milliseconds, and a first call's
// look-up would stop the program's own thread there, in the marker and not in the program.
// A function of a library the program loads later (Wayland's, in its backend module) is looked
// up at its first call.
template <typename Function> struct Following {
    const char* name;
    Function next = Next<Function>(name);
    Function operator()(void) {
        if (next == nullptr) {
            next = Next<Function>(name);
        }
        return next;
    }
};

// The program's own libraries, which the marker loads none of.
Following<Status (*)(Display*, Window, Window*, Window*, Window**, unsigned*)> query{"XQueryTree"};
Following<int (*)(void*)> release{"XFree"};

void Mapping(Display* display, Window window) {
    Step("map");
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (shown < 0 && query()(display, window, &root, &parent, &children, &count)) {
        release()(children);
        if (parent == root) {
            Shown();
        }
    }
}

// Surfaces that are toplevels (given to xdg_wm_base.get_xdg_surface), and whether one has a
// buffer attached since its last commit.
const void* toplevels[16];
int toplevelCount = 0;
const void* attachedTo = nullptr;

bool Toplevel(const void* surface) {
    for (int i = 0; i < toplevelCount; ++i) {
        if (toplevels[i] == surface) {
            return true;
        }
    }
    return false;
}

Following<const char* (*)(wl_proxy*)> typeOf{"wl_proxy_get_class"};

void Request(wl_proxy* proxy, uint32_t opcode, const wl_argument* args) {
    const char* type = typeOf()(proxy);
    if (std::strcmp(type, "xdg_wm_base") == 0 && opcode == 2 && toplevelCount < 16) {
        toplevels[toplevelCount++] = args[1].o; // get_xdg_surface(id, surface)
    } else if (std::strcmp(type, "wl_surface") == 0 && Toplevel(proxy)) {
        if (opcode == 1 && args[0].o != nullptr) { // attach(buffer, x, y)
            attachedTo = proxy;
        } else if (opcode == 6 && attachedTo == proxy) { // commit
            Shown();
        }
    }
}

} // namespace

// The steps both kinds of program take, passed on unchanged.
#define STEP(Result, name, parameters, arguments)                                                  \
    static Following<Result(*) parameters> name##Next{#name};                                      \
    extern "C" Result name parameters {                                                            \
        Step(#name);                                                                               \
        return name##Next() arguments;                                                             \
    }
STEP(Display*, XOpenDisplay, (const char* name), (name))
STEP(void*, glXGetFBConfigs, (Display * d, int screen, int* n), (d, screen, n))
STEP(void*, glXChooseFBConfig, (Display * d, int screen, const int* a, int* n), (d, screen, a, n))
STEP(int, glXGetFBConfigAttrib, (Display * d, void* c, int a, int* v), (d, c, a, v))
STEP(void*, glXGetVisualFromFBConfig, (Display * d, void* c), (d, c))
STEP(Window, XCreateWindow,
     (Display * d, Window p, int x, int y, unsigned w, unsigned h, unsigned b, int depth,
      unsigned c, Visual* v, unsigned long m, XSetWindowAttributes* a),
     (d, p, x, y, w, h, b, depth, c, v, m, a))
STEP(void*, glXCreateNewContext, (Display * d, void* c, int t, void* s, int direct),
     (d, c, t, s, direct))
STEP(int, glXMakeContextCurrent, (Display * d, unsigned long w, unsigned long r, void* c),
     (d, w, r, c))
STEP(int, XNextEvent, (Display * d, XEvent* e), (d, e))
STEP(int, XPending, (Display * d), (d))
STEP(void, glClear, (unsigned mask), (mask))
STEP(void, glNewList, (unsigned list, unsigned mode), (list, mode))
STEP(void, glEndList, (void), ())
STEP(wl_display*, wl_display_connect, (const char* name), (name))
STEP(int, wl_display_roundtrip, (wl_display * d), (d))
STEP(int, wl_display_dispatch, (wl_display * d), (d))
STEP(void*, libdecor_new, (void* d, void* i), (d, i))
STEP(void*, libdecor_decorate, (void* l, void* s, void* i, void* u), (l, s, i, u))
STEP(unsigned, eglInitialize, (void* d, int* major, int* minor), (d, major, minor))
STEP(unsigned, eglGetConfigs, (void* d, void** c, int size, int* n), (d, c, size, n))
STEP(unsigned, eglChooseConfig, (void* d, const int* a, void** c, int size, int* n),
     (d, a, c, size, n))
STEP(unsigned, eglGetConfigAttrib, (void* d, void* c, int a, int* v), (d, c, a, v))
STEP(void*, eglCreateContext, (void* d, void* c, void* share, const int* a), (d, c, share, a))
STEP(void*, eglCreatePlatformWindowSurface, (void* d, void* c, void* w, const intptr_t* a),
     (d, c, w, a))
STEP(unsigned, eglMakeCurrent, (void* d, void* draw, void* read, void* c), (d, draw, read, c))
STEP(int, XSync, (Display * d, int discard), (d, discard))
STEP(void*, glXGetProcAddressARB, (const unsigned char* name), (name))

static Following<int (*)(Display*, Window)> XMapWindowNext{"XMapWindow"};
extern "C" int XMapWindow(Display* display, Window window) {
    Mapping(display, window);
    return XMapWindowNext()(display, window);
}

static Following<int (*)(Display*, Window)> XMapRaisedNext{"XMapRaised"};
extern "C" int XMapRaised(Display* display, Window window) {
    Mapping(display, window);
    return XMapRaisedNext()(display, window);
}

// Every request a Wayland program makes passes here: its arguments are read by the request's
// signature (the proxy begins with its interface) and passed on as an array.
static Following<wl_proxy* (*)(wl_proxy*, uint32_t, const wl_interface*, uint32_t, uint32_t,
                               wl_argument*)>
    marshalNext{"wl_proxy_marshal_array_flags"};
extern "C" wl_proxy* wl_proxy_marshal_flags(wl_proxy* proxy, uint32_t opcode,
                                            const wl_interface* interface, uint32_t version,
                                            uint32_t flags, ...) {
    const wl_interface* own = *reinterpret_cast<const wl_interface* const*>(proxy);
    wl_argument args[20] = {};
    int n = 0;
    va_list list;
    va_start(list, flags);
    for (const char* c = own->methods[opcode].signature; *c != 0 && n < 20; ++c) {
        switch (*c) {
        case 'i':
        case 'f':
        case 'h':
            args[n++].i = va_arg(list, int32_t);
            break;
        case 'u':
            args[n++].u = va_arg(list, uint32_t);
            break;
        case 's':
            args[n++].s = va_arg(list, const char*);
            break;
        case 'o':
        case 'n':
            args[n++].o = va_arg(list, wl_object*);
            break;
        case 'a':
            args[n++].a = va_arg(list, wl_array*);
            break;
        default: // '?' (may be null) and the version a request came in
            break;
        }
    }
    va_end(list);
    Request(proxy, opcode, args);
    return marshalNext()(proxy, opcode, interface, version, flags, args);
}

static Following<void (*)(void*, unsigned long)> glXSwapBuffersNext{"glXSwapBuffers"};
extern "C" void glXSwapBuffers(void* display, unsigned long drawable) {
    glXSwapBuffersNext()(display, drawable);
    Presented();
}

static Following<unsigned (*)(void*, void*)> eglSwapBuffersNext{"eglSwapBuffers"};
extern "C" unsigned eglSwapBuffers(void* display, void* surface) {
    unsigned done = eglSwapBuffersNext()(display, surface);
    Presented();
    return done;
}
