// OpenGL through GLX: the server's framebuffer configurations as the pixel format list, a
// child window per window with the chosen configuration's visual (X fixes a window's
// visual when it is created, Win32 sets the format later), contexts and the buffer swap.

#include <pthread.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "x11.h"

namespace {

// A size in bits.
BYTE Size(GLXFBConfig config, int name) {
    int value = 0;
    glXGetFBConfigAttrib(x11Display, config, name, &value);
    return static_cast<BYTE>(value);
}

// What the server tells of its configurations through glXChooseFBConfig, which takes one
// call for all of them where asking each configuration takes a call each, and each call
// passes through the GL dispatch library's checks (a tenth of a choice's time).
struct Chosen {
    std::unordered_set<GLXFBConfig> window, multisampled, doubleBuffered, stereo, rgba, index,
        plain;
    // Per size, its value in the configurations where it is not 0.
    std::unordered_map<int, std::unordered_map<GLXFBConfig, BYTE>> sizes;
};

// The configurations with a window drawable, an X visual and level 0 (the server's own
// filter) that also have NAME at VALUE, as the server matches it: exactly for flags and the
// caveat, as a bit to include for the render type, at least VALUE for sample buffers and
// sizes.
std::unordered_set<GLXFBConfig> Choose(int name, int value) {
    const int any = static_cast<int>(GLX_DONT_CARE);
    const int wanted[] = {GLX_DRAWABLE_TYPE,
                          GLX_WINDOW_BIT,
                          GLX_X_RENDERABLE,
                          True,
                          GLX_LEVEL,
                          0,
                          GLX_RENDER_TYPE,
                          any,
                          GLX_DOUBLEBUFFER,
                          any,
                          GLX_STEREO,
                          any,
                          GLX_TRANSPARENT_TYPE,
                          any,
                          GLX_CONFIG_CAVEAT,
                          any,
                          name,
                          value,
                          None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(x11Display, x11Screen, wanted, &count);
    std::unordered_set<GLXFBConfig> set(configs, configs + std::max(count, 0));
    if (configs != nullptr) {
        XFree(configs);
    }
    return set;
}

// The configurations' values of a size: the server says which have at least 1; then one of
// them is asked its value, and the server which have at least that and which more, whose
// difference has exactly that; until each has its value. A few calls a value, where there
// are few values, instead of a call a configuration.
std::unordered_map<GLXFBConfig, BYTE> Measure(int name) {
    std::unordered_map<GLXFBConfig, BYTE> values;
    std::unordered_set<GLXFBConfig> left = Choose(name, 1);
    while (!left.empty()) {
        GLXFBConfig asked = *left.begin();
        BYTE value = Size(asked, name);
        std::unordered_set<GLXFBConfig> more = Choose(name, value + 1);
        for (GLXFBConfig config : Choose(name, value)) {
            if (more.count(config) == 0 && left.erase(config) != 0) {
                values[config] = value;
            }
        }
        if (left.erase(asked) != 0) { // a server whose answers disagree: as it was asked
            values[asked] = value;
        }
    }
    return values;
}

// A size of a configuration: 0 where the server said so.
BYTE Sized(const Chosen& chosen, GLXFBConfig config, int name) {
    auto size = chosen.sizes.find(name);
    if (size == chosen.sizes.end()) {
        return 0;
    }
    auto found = size->second.find(config);
    return found != size->second.end() ? found->second : 0;
}

// Tells what a configuration is, or returns false for one that cannot back a window of
// ours (no window drawable, multisampled, overlay, neither RGBA nor colour index, no
// visual, or a 32-bit visual, which would show through where a compositor honours alpha).
bool Describe(const Chosen& chosen, GLXFBConfig config, PlatformPixelConfig* c) {
    bool rgba = chosen.rgba.count(config) != 0;
    if (chosen.window.count(config) == 0 || chosen.multisampled.count(config) != 0 ||
        (!rgba && chosen.index.count(config) == 0)) {
        return false;
    }
    XVisualInfo* visual = glXGetVisualFromFBConfig(x11Display, config);
    if (visual == nullptr) {
        return false;
    }
    bool usable = visual->depth <= 24 || visual->depth == DefaultDepth(x11Display, x11Screen);
    c->palette = visual->c_class == PseudoColor || visual->c_class == GrayScale;
    XFree(visual);
    if (rgba) {
        c->red = Sized(chosen, config, GLX_RED_SIZE);
        c->green = Sized(chosen, config, GLX_GREEN_SIZE);
        c->blue = Sized(chosen, config, GLX_BLUE_SIZE);
        c->alpha = Sized(chosen, config, GLX_ALPHA_SIZE);
    } else {
        c->indexBits = Size(config, GLX_BUFFER_SIZE);
    }
    c->accumRed = Sized(chosen, config, GLX_ACCUM_RED_SIZE);
    c->accumGreen = Sized(chosen, config, GLX_ACCUM_GREEN_SIZE);
    c->accumBlue = Sized(chosen, config, GLX_ACCUM_BLUE_SIZE);
    c->accumAlpha = Sized(chosen, config, GLX_ACCUM_ALPHA_SIZE);
    c->depth = Sized(chosen, config, GLX_DEPTH_SIZE);
    c->stencil = Sized(chosen, config, GLX_STENCIL_SIZE);
    c->auxBuffers = Sized(chosen, config, GLX_AUX_BUFFERS);
    c->doubleBuffered = chosen.doubleBuffered.count(config) != 0;
    c->stereo = chosen.stereo.count(config) != 0;
    c->window = true;
    c->slow = chosen.plain.count(config) == 0;
    c->id = config;
    return usable;
}

std::vector<PlatformPixelConfig> ListConfigs(void) {
    // The server leaves out what cannot back a window of ours and sorts what it chooses by
    // its own rules: the list keeps the order of all its configurations.
    // A DirectColor visual shows its pixels through a colour map the program would have to
    // fill: its configurations (a twin of each TrueColor one on most servers) are left out
    // before they cost a question each.
    Chosen chosen;
    chosen.window = Choose(GLX_LEVEL, 0);
    for (GLXFBConfig direct : Choose(GLX_X_VISUAL_TYPE, GLX_DIRECT_COLOR)) {
        chosen.window.erase(direct);
    }
    if (!chosen.window.empty()) {
        chosen.multisampled = Choose(GLX_SAMPLE_BUFFERS, 1);
        chosen.doubleBuffered = Choose(GLX_DOUBLEBUFFER, True);
        chosen.stereo = Choose(GLX_STEREO, True);
        chosen.rgba = Choose(GLX_RENDER_TYPE, GLX_RGBA_BIT);
        chosen.index = Choose(GLX_RENDER_TYPE, GLX_COLOR_INDEX_BIT);
        chosen.plain = Choose(GLX_CONFIG_CAVEAT, GLX_NONE);
        for (int name : {GLX_RED_SIZE, GLX_GREEN_SIZE, GLX_BLUE_SIZE, GLX_ALPHA_SIZE,
                         GLX_ACCUM_RED_SIZE, GLX_ACCUM_GREEN_SIZE, GLX_ACCUM_BLUE_SIZE,
                         GLX_ACCUM_ALPHA_SIZE, GLX_DEPTH_SIZE, GLX_STENCIL_SIZE, GLX_AUX_BUFFERS}) {
            chosen.sizes[name] = Measure(name);
        }
    }
    int count = 0;
    GLXFBConfig* configs = glXGetFBConfigs(x11Display, x11Screen, &count);
    std::vector<PlatformPixelConfig> found;
    for (int i = 0; i < count; ++i) {
        PlatformPixelConfig c{};
        if (Describe(chosen, configs[i], &c)) {
            found.push_back(c);
        }
    }
    if (configs != nullptr) {
        XFree(configs);
    }
    return found;
}

// The GL library loads its driver on its first question about configurations, the longest
// step of a start. It runs on a thread of its own while the program registers its class and
// makes and shows its window; the backend waits for it before anything of GL and before it
// reads events, which the thread could otherwise take into Xlib's queue unseen by the wait.
pthread_t loader;
bool loading = false;

void* LoadDriver(void*) {
    int count = 0;
    if (GLXFBConfig* configs = glXGetFBConfigs(x11Display, x11Screen, &count)) {
        XFree(configs); // a server without configurations gives null, which XFree does not take
    }
    return nullptr;
}

} // namespace

void X11StartGl(void) {
    // A process that ends while the driver loads waits for it, before the exit handlers the
    // driver's libraries registered meanwhile free what the load still uses.
    static bool awaitedAtExit = std::atexit(X11AwaitGl) == 0;
    loading = awaitedAtExit && pthread_create(&loader, nullptr, LoadDriver, nullptr) == 0;
    if (!loading) {
        LoadDriver(nullptr);
    }
}

void X11AwaitGl(void) {
    if (loading) {
        loading = false;
        pthread_join(loader, nullptr);
    }
}

// The GL library crashes on replies that a lost server never sent, before Xlib could report the
// loss: the three calls that set GL up begin with a round trip, which lets Xlib's handler speak.
// They come only while setting up. The core asks for the list once.
int X11ListPixelConfigs(const PlatformPixelConfig** configs) {
    X11AwaitGl();
    XSync(x11Display, False);
    static const std::vector<PlatformPixelConfig> listed = ListConfigs();
    *configs = listed.data();
    return static_cast<int>(listed.size());
}

// The GL window covers the X window as it is: at the desktop's scale, or as the window
// manager made it, the core may not have heard of its size yet.
int X11SetPixelFormat(void* handle, void* config, int, int) {
    XSync(x11Display, False);
    X11Window* native = static_cast<X11Window*>(handle);
    XVisualInfo* visual = glXGetVisualFromFBConfig(x11Display, static_cast<GLXFBConfig>(config));
    if (visual == nullptr) {
        return 0;
    }
    native->glColormap = XCreateColormap(x11Display, native->xwindow, visual->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = native->glColormap;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None; // frames are drawn over it; no flash of clearing
    // Input is left to the top-level window, to which the child's events propagate.
    attributes.event_mask = ExposureMask;
    native->glWindow =
        XCreateWindow(x11Display, native->xwindow, 0, 0, X11Side(native->width),
                      X11Side(native->height), 0, visual->depth, InputOutput, visual->visual,
                      CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
    XFree(visual);
    XSetWMColormapWindows(x11Display, native->xwindow, &native->glWindow, 1);
    XMapWindow(x11Display, native->glWindow);
    XFlush(x11Display);
    return 1;
}

void* X11CreateContext(void* handle, void* id) {
    XSync(x11Display, False);
    GLXFBConfig config = static_cast<GLXFBConfig>(id);
    if (handle == nullptr) {
        return nullptr; // a window the server destroyed
    }
    // A driver that offers no such profile, or no context for the configuration, refuses the
    // request; the null context says so.
    unsigned long trap = X11TrapErrors(true);
    GLXContext context = nullptr;
    const char* extensions = glXQueryExtensionsString(x11Display, x11Screen);
    auto createWithAttributes = reinterpret_cast<PFNGLXCREATECONTEXTATTRIBSARBPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
    if (createWithAttributes != nullptr && extensions != nullptr &&
        std::strstr(extensions, "GLX_ARB_create_context_profile") != nullptr) {
        // The fixed-function pipeline the program draws with: a compatibility profile.
        const int attributes[] = {GLX_CONTEXT_PROFILE_MASK_ARB,
                                  GLX_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB, None};
        context = createWithAttributes(x11Display, config, nullptr, True, attributes);
    }
    if (context == nullptr) {
        context = glXCreateNewContext(x11Display, config, GLX_RGBA_TYPE, nullptr, True);
    }
    X11ReleaseErrors(trap);
    return context;
}

// The core asks only for windows with a pixel format, whose drawable is the GL child.
int X11MakeCurrent(void* handle, void* context) {
    if (context != nullptr && handle == nullptr) {
        return 0; // a window the server destroyed
    }
    Window drawable = context != nullptr ? static_cast<X11Window*>(handle)->glWindow : None;
    return glXMakeContextCurrent(x11Display, drawable, drawable, static_cast<GLXContext>(context));
}

// The core releases a context that is current before it deletes it.
// What was made for a window another client had already destroyed (the GL library's graphics
// contexts for its drawable, the window's colour map) never came to be, and freeing it is
// refused: letting go of it may fail, and nothing depends on it afterwards.
void X11DeleteContext(void* context) {
    unsigned long trap = X11TrapErrors(true);
    glXDestroyContext(x11Display, static_cast<GLXContext>(context));
    X11ReleaseErrors(trap);
}

int X11SwapBuffers(void* handle) {
    glXSwapBuffers(x11Display, static_cast<X11Window*>(handle)->glWindow);
    return 1;
}

void X11DestroyGl(X11Window* native, bool windowGone) {
    if (native->glWindow == 0) {
        return;
    }
    if (glXGetCurrentDrawable() == native->glWindow) {
        glXMakeContextCurrent(x11Display, None, None, nullptr);
    }
    if (!windowGone) {
        XDestroyWindow(x11Display, native->glWindow);
    }
    unsigned long trap = X11TrapErrors(true);
    XFreeColormap(x11Display, native->glColormap);
    X11ReleaseErrors(trap);
    native->glWindow = 0;
    native->glColormap = 0;
}

void X11ResizeGl(X11Window* native) {
    if (native->glWindow != 0) {
        // Also on a ConfigureNotify, which may come after another client destroyed the window.
        X11Trapped([native] {
            XResizeWindow(x11Display, native->glWindow, X11Side(native->width),
                          X11Side(native->height));
        });
    }
}
