// The X11 backend's reactions to X errors and faults, driven by scripts/test-x11-desktop.sh on
// an X server without a window manager. One case per run, named on the command line:
//   gone             another client destroys the window; the core's calls on it then fail
//                    harmlessly: says "survived", exit code 0
//   refused          a request of ours refused outside any trap: the backend's message, code 1
//   refused-in-trap  refused inside a trap, but for another reason than a window gone: the same
//   after-trap       a window gone, but the request came after its trap: the same
//   context-refused  a GL context no driver gives, asked for in a trap of all errors: the
//                    null context says so; "survived", exit code 0
//   fault            says "window <id>" and "armed", waits for SIGUSR1, then faults
#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "backend.h"
#include "x11.h"

extern const PlatformBackend x11Backend;

namespace {

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// A window of ours that another client has destroyed (the server knows; we have not heard).
void* GoneWindow(void) {
    RECT area{10, 10, 110, 90};
    void* native = x11Backend.CreateNativeWindow(reinterpret_cast<HWND>(1), &area, "Gone", "Probe");
    Display* other = XOpenDisplay(nullptr);
    XDestroyWindow(other, static_cast<X11Window*>(native)->xwindow);
    XSync(other, False);
    XCloseDisplay(other);
    return native;
}

// A colormap id of ours that was never created.
Colormap NoColormap(void) { return XAllocID(x11Display); }

int Fault(void) {
    RECT area{10, 10, 110, 90};
    void* shown = x11Backend.CreateNativeWindow(reinterpret_cast<HWND>(2), &area, "Fault", "Probe");
    XSync(x11Display, False);
    std::printf("window 0x%lx\n", static_cast<X11Window*>(shown)->xwindow);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigprocmask(SIG_BLOCK, &usr1, nullptr);
    Say("armed");
    int signal = 0;
    sigwait(&usr1, &signal);
    // Not a null pointer the compiler could see, which it might turn into a trap instruction.
    volatile uintptr_t address = 8;
    *reinterpret_cast<volatile int*>(address) = 1;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    char why[256] = "";
    if (argc != 2 || !x11Backend.Start(why, sizeof why)) {
        std::fprintf(stderr, "x11_backend_probe: %s\n", argc != 2 ? "name one case" : why);
        return 2;
    }
    // Every case begins once the GL driver has loaded in the background, as the program's GL
    // calls do: a case's own GL calls beside the load, or a server that goes during it, would
    // end the probe before what the case is about.
    X11AwaitGl();
    const char* which = argv[1];
    if (std::strcmp(which, "gone") == 0) {
        void* native = GoneWindow();
        RECT area{20, 20, 220, 170};
        x11Backend.ShowNativeWindow(native, NATIVE_SHOW, 1);
        x11Backend.PlaceNativeWindow(native, &area);
        x11Backend.Capture(native, 1);
        x11Backend.Capture(nullptr, 0);
        x11Backend.DestroyNativeWindow(native);
        XSync(x11Display, False);
        Say("survived");
        return 0;
    }
    if (std::strcmp(which, "refused") == 0) {
        XFreeColormap(x11Display, NoColormap());
    } else if (std::strcmp(which, "refused-in-trap") == 0) {
        unsigned long trap = X11TrapErrors();
        XFreeColormap(x11Display, NoColormap());
        X11ReleaseErrors(trap);
    } else if (std::strcmp(which, "after-trap") == 0) {
        void* native = GoneWindow();
        unsigned long trap = X11TrapErrors();
        XMapWindow(x11Display, static_cast<X11Window*>(native)->xwindow);
        X11ReleaseErrors(trap);
        XUnmapWindow(x11Display, static_cast<X11Window*>(native)->xwindow);
    } else if (std::strcmp(which, "context-refused") == 0) {
        auto create = reinterpret_cast<PFNGLXCREATECONTEXTATTRIBSARBPROC>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
        int count = 0;
        GLXFBConfig* configs = glXGetFBConfigs(x11Display, x11Screen, &count);
        const int attributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 99, None};
        unsigned long trap = X11TrapErrors(true);
        GLXContext context = create(x11Display, configs[0], nullptr, True, attributes);
        X11ReleaseErrors(trap);
        XFree(configs);
        if (context != nullptr) {
            std::fprintf(stderr, "x11_backend_probe: a GL %d context was given\n", 99);
            return 3;
        }
    } else if (std::strcmp(which, "fault") == 0) {
        return Fault();
    } else {
        std::fprintf(stderr, "x11_backend_probe: no case \"%s\"\n", which);
        return 2;
    }
    XSync(x11Display, False);
    Say("survived");
    return 0;
}
