// OpenGL through GLX: the server's framebuffer configurations as the pixel format list, a
// child window per window with the chosen configuration's visual (X fixes a window's
// visual when it is created, Win32 sets the format later), contexts and the buffer swap.

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <unordered_set>

#include "x11.h"

namespace {

struct Format {
    PIXELFORMATDESCRIPTOR descriptor;
    GLXFBConfig config;
    bool caveat;
};

int Attribute(GLXFBConfig config, int name) {
    int value = 0;
    glXGetFBConfigAttrib(x11Display, config, name, &value);
    return value;
}

int MaskShift(unsigned long mask) { return mask != 0 ? std::countr_zero(mask) : 0; }

// The fields by which two configurations look alike to Win32, as bytes.
std::string Key(const PIXELFORMATDESCRIPTOR& d) {
    const BYTE bytes[] = {static_cast<BYTE>(d.dwFlags),
                          static_cast<BYTE>(d.dwFlags >> 8),
                          d.iPixelType,
                          d.cColorBits,
                          d.cRedBits,
                          d.cGreenBits,
                          d.cBlueBits,
                          d.cAlphaBits,
                          d.cAccumBits,
                          d.cDepthBits,
                          d.cStencilBits,
                          d.cAuxBuffers};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// What the server tells of its configurations through glXChooseFBConfig, which takes one
// call for all of them where asking each configuration takes a call each, and each call
// passes through the GL dispatch library's checks.
struct Chosen {
    std::unordered_set<GLXFBConfig> window, multisampled, doubleBuffered, stereo, rgba, index,
        plain;
};

// The configurations with a window drawable, an X visual and level 0 (the server's own
// filter) that also have NAME at VALUE, as the server matches it: exactly for flags and the
// caveat, as a bit to include for the render type, at least VALUE for sample buffers.
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

// Describes a configuration as Win32 would, all but what its visual tells, or returns false
// for one that cannot back a window of ours (no window drawable, multisampled, overlay,
// neither RGBA nor colour index). The sizes are asked for once each.
bool Describe(const Chosen& chosen, GLXFBConfig config, Format* out) {
    bool rgba = chosen.rgba.count(config) != 0;
    if (chosen.window.count(config) == 0 || chosen.multisampled.count(config) != 0 ||
        (!rgba && chosen.index.count(config) == 0)) {
        return false;
    }
    PIXELFORMATDESCRIPTOR& d = out->descriptor;
    d = PIXELFORMATDESCRIPTOR{};
    d.nSize = sizeof d;
    d.nVersion = 1;
    d.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (chosen.doubleBuffered.count(config) != 0) {
        d.dwFlags |= PFD_DOUBLEBUFFER | PFD_SWAP_EXCHANGE;
    }
    if (chosen.stereo.count(config) != 0) {
        d.dwFlags |= PFD_STEREO;
    }
    d.iPixelType = rgba ? PFD_TYPE_RGBA : PFD_TYPE_COLORINDEX;
    if (rgba) {
        d.cRedBits = static_cast<BYTE>(Attribute(config, GLX_RED_SIZE));
        d.cGreenBits = static_cast<BYTE>(Attribute(config, GLX_GREEN_SIZE));
        d.cBlueBits = static_cast<BYTE>(Attribute(config, GLX_BLUE_SIZE));
        d.cAlphaBits = static_cast<BYTE>(Attribute(config, GLX_ALPHA_SIZE));
        d.cColorBits = static_cast<BYTE>(d.cRedBits + d.cGreenBits + d.cBlueBits);
        d.cAlphaShift = static_cast<BYTE>(d.cAlphaBits ? 24 : 0);
    } else {
        d.cColorBits = static_cast<BYTE>(Attribute(config, GLX_BUFFER_SIZE));
    }
    d.cAccumRedBits = static_cast<BYTE>(Attribute(config, GLX_ACCUM_RED_SIZE));
    d.cAccumGreenBits = static_cast<BYTE>(Attribute(config, GLX_ACCUM_GREEN_SIZE));
    d.cAccumBlueBits = static_cast<BYTE>(Attribute(config, GLX_ACCUM_BLUE_SIZE));
    d.cAccumAlphaBits = static_cast<BYTE>(Attribute(config, GLX_ACCUM_ALPHA_SIZE));
    d.cAccumBits = static_cast<BYTE>(d.cAccumRedBits + d.cAccumGreenBits + d.cAccumBlueBits +
                                     d.cAccumAlphaBits);
    d.cDepthBits = static_cast<BYTE>(Attribute(config, GLX_DEPTH_SIZE));
    d.cStencilBits = static_cast<BYTE>(Attribute(config, GLX_STENCIL_SIZE));
    d.cAuxBuffers = static_cast<BYTE>(Attribute(config, GLX_AUX_BUFFERS));
    d.iLayerType = PFD_MAIN_PLANE;
    out->config = config;
    out->caveat = chosen.plain.count(config) == 0;
    return true;
}

// Completes a description from the configuration's visual, or returns false when it has
// none or one that would not do.
bool DescribeVisual(Format* f) {
    XVisualInfo* visual = glXGetVisualFromFBConfig(x11Display, f->config);
    if (visual == nullptr) {
        return false;
    }
    // A 32-bit visual would show through where a compositor honours alpha.
    bool usable = visual->depth <= 24 || visual->depth == DefaultDepth(x11Display, x11Screen);
    PIXELFORMATDESCRIPTOR& d = f->descriptor;
    if (d.iPixelType == PFD_TYPE_RGBA) {
        d.cRedShift = static_cast<BYTE>(MaskShift(visual->red_mask));
        d.cGreenShift = static_cast<BYTE>(MaskShift(visual->green_mask));
        d.cBlueShift = static_cast<BYTE>(MaskShift(visual->blue_mask));
    }
    XFree(visual);
    return usable;
}

std::vector<Format> ListFormats(void) {
    // The server leaves out what cannot back a window of ours and sorts what it chooses by
    // its own rules: the list keeps the order of all its configurations.
    Chosen chosen;
    chosen.window = Choose(GLX_LEVEL, 0);
    if (!chosen.window.empty()) {
        chosen.multisampled = Choose(GLX_SAMPLE_BUFFERS, 1);
        chosen.doubleBuffered = Choose(GLX_DOUBLEBUFFER, True);
        chosen.stereo = Choose(GLX_STEREO, True);
        chosen.rgba = Choose(GLX_RENDER_TYPE, GLX_RGBA_BIT);
        chosen.index = Choose(GLX_RENDER_TYPE, GLX_COLOR_INDEX_BIT);
        chosen.plain = Choose(GLX_CONFIG_CAVEAT, GLX_NONE);
    }
    int count = 0;
    GLXFBConfig* configs = glXGetFBConfigs(x11Display, x11Screen, &count);
    std::unordered_set<std::string> seen;
    std::vector<Format> found;
    for (int i = 0; i < count; ++i) {
        Format f{};
        if (!Describe(chosen, configs[i], &f)) {
            continue;
        }
        // The server lists many configurations that look alike to Win32; the first usable
        // one of each. A look-alike of one taken needs no visual.
        std::string key = Key(f.descriptor);
        if (seen.count(key) == 0 && DescribeVisual(&f)) {
            seen.insert(key);
            found.push_back(f);
        }
    }
    if (configs != nullptr) {
        XFree(configs);
    }
    // Configurations without a caveat first, each group in the server's order.
    std::stable_partition(found.begin(), found.end(), [](const Format& f) { return !f.caveat; });
    return found;
}

// Listed on the first question and kept, as the core keeps its list.
const std::vector<Format>& Formats(void) {
    static const std::vector<Format> formats = ListFormats();
    return formats;
}

// The core hands in only numbers from its list.
const Format& FormatNumber(int number) { return Formats()[static_cast<size_t>(number - 1)]; }

} // namespace

// The GL library crashes on replies that a lost server never sent, before Xlib could report the
// loss: the three calls that set GL up begin with a round trip, which lets Xlib's handler speak.
// They come only while setting up.
int X11ListPixelFormats(PIXELFORMATDESCRIPTOR* out, int capacity) {
    XSync(x11Display, False);
    const std::vector<Format>& formats = Formats();
    int n = static_cast<int>(formats.size());
    for (int i = 0; i < n && i < capacity; ++i) {
        out[i] = formats[static_cast<size_t>(i)].descriptor;
    }
    return n;
}

int X11SetPixelFormat(void* handle, int number, int width, int height) {
    XSync(x11Display, False);
    X11Window* native = static_cast<X11Window*>(handle);
    XVisualInfo* visual = glXGetVisualFromFBConfig(x11Display, FormatNumber(number).config);
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
        XCreateWindow(x11Display, native->xwindow, 0, 0, X11Side(width), X11Side(height), 0,
                      visual->depth, InputOutput, visual->visual,
                      CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
    XFree(visual);
    native->width = width;
    native->height = height;
    XSetWMColormapWindows(x11Display, native->xwindow, &native->glWindow, 1);
    XMapWindow(x11Display, native->glWindow);
    XFlush(x11Display);
    return 1;
}

void* X11CreateContext(void* handle, int number) {
    XSync(x11Display, False);
    const Format& format = FormatNumber(number);
    if (handle == nullptr || format.descriptor.iPixelType != PFD_TYPE_RGBA) {
        return nullptr; // a window the server destroyed, or colour index
    }
    // A driver that offers no such profile, or no context for the configuration, refuses the
    // request; the null context says so.
    unsigned long trap = X11TrapAllErrors();
    GLXContext context = nullptr;
    const char* extensions = glXQueryExtensionsString(x11Display, x11Screen);
    auto createWithAttributes = reinterpret_cast<PFNGLXCREATECONTEXTATTRIBSARBPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
    if (createWithAttributes != nullptr && extensions != nullptr &&
        std::strstr(extensions, "GLX_ARB_create_context_profile") != nullptr) {
        // The fixed-function pipeline the program draws with: a compatibility profile.
        const int attributes[] = {GLX_CONTEXT_PROFILE_MASK_ARB,
                                  GLX_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB, None};
        context = createWithAttributes(x11Display, format.config, nullptr, True, attributes);
    }
    if (context == nullptr) {
        context = glXCreateNewContext(x11Display, format.config, GLX_RGBA_TYPE, nullptr, True);
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
void X11DeleteContext(void* context) {
    glXDestroyContext(x11Display, static_cast<GLXContext>(context));
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
    XFreeColormap(x11Display, native->glColormap);
    native->glWindow = 0;
    native->glColormap = 0;
}

void X11ResizeGl(X11Window* native) {
    if (native->glWindow != 0) {
        // Also on a ConfigureNotify, which may come after another client destroyed the window.
        unsigned long trap = X11TrapErrors();
        XResizeWindow(x11Display, native->glWindow, X11Side(native->width),
                      X11Side(native->height));
        X11ReleaseErrors(trap);
    }
}
