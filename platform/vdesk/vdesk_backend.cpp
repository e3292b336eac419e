// The virtual desktop: windows with offscreen OpenGL surfaces through EGL on Mesa's
// surfaceless platform, no display at all.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "backend.h"
#include "core_events.h"
#include "vdesk.h"

bool vdeskPaletteDisplay = false;
bool vdeskFrameCapture = true;
VdeskWaitHook vdeskWaitHook = nullptr;
VdeskBoxOpenHook vdeskBoxOpenHook = nullptr;
HWND vdeskFocus = nullptr;
VdeskPresentHook vdeskPresentHook = nullptr;
std::vector<VdeskMessageBoxRecord> vdeskMessageBoxes;
std::vector<PlatformPixelConfig> vdeskConfigs;

namespace {

EGLDisplay display = EGL_NO_DISPLAY;
EGLConfig config = nullptr;
VdeskWindow* currentWindow = nullptr;
EGLContext currentContext = EGL_NO_CONTEXT;
std::vector<void*> openBoxes; // innermost last

// 8 bits a channel (3-3-2 through a palette display's palette), accumulation `accum` bits
// a channel; a single buffer is the window's own, GDI's too.
PlatformPixelConfig Config(bool doubleBuffered, BYTE alpha, BYTE depth, BYTE stencil, BYTE accum) {
    PlatformPixelConfig c{};
    c.red = c.green = vdeskPaletteDisplay ? 3 : 8;
    c.blue = vdeskPaletteDisplay ? 2 : 8;
    c.alpha = alpha;
    c.accumRed = c.accumGreen = c.accumBlue = accum;
    c.accumAlpha = alpha ? accum : 0;
    c.depth = depth;
    c.stencil = stencil;
    c.doubleBuffered = doubleBuffered;
    c.window = true;
    c.gdi = !doubleBuffered;
    c.palette = vdeskPaletteDisplay;
    return c;
}

bool OpenDisplay(void) {
    if (display != EGL_NO_DISPLAY) {
        return config != nullptr;
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    display = getPlatformDisplay
                  ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                  : eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
        !eglBindAPI(EGL_OPENGL_API)) {
        return false; // the pixel format is refused
    }
    const EGLint attribs[] = {EGL_SURFACE_TYPE,
                              EGL_PBUFFER_BIT,
                              EGL_RED_SIZE,
                              8,
                              EGL_GREEN_SIZE,
                              8,
                              EGL_BLUE_SIZE,
                              8,
                              EGL_ALPHA_SIZE,
                              8,
                              EGL_DEPTH_SIZE,
                              24,
                              EGL_STENCIL_SIZE,
                              8,
                              EGL_RENDERABLE_TYPE,
                              EGL_OPENGL_BIT,
                              EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attribs, &config, 1, &count) || count < 1) {
        config = nullptr;
        return false;
    }
    return true;
}

void ReleaseCurrent(void) {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    currentWindow = nullptr;
    currentContext = EGL_NO_CONTEXT;
}

EGLSurface MakeSurface(int width, int height) {
    const EGLint attribs[] = {EGL_WIDTH, width > 0 ? width : 1, EGL_HEIGHT, height > 0 ? height : 1,
                              EGL_NONE};
    return eglCreatePbufferSurface(display, config, attribs);
}

int Start(char*, size_t) {
    VdeskInstallHooks();
    return 1;
}

void* CreateNativeWindow(HWND window, const RECT* client, const char*, const char*) {
    VdeskWindow* native = new VdeskWindow;
    native->window = window;
    native->width = client->right - client->left;
    native->height = client->bottom - client->top;
    return native;
}

void DestroyNativeWindow(void* handle) {
    VdeskWindow* native = static_cast<VdeskWindow*>(handle);
    if (vdeskFocus == native->window) {
        vdeskFocus = nullptr;
    }
    if (native->surface != nullptr) {
        if (currentWindow == native) {
            ReleaseCurrent();
        }
        eglDestroySurface(display, native->surface);
    }
    delete native;
}

// As a window manager does, the desktop gives the keyboard focus to a window shown or
// restored to be activated. A window the program minimizes stays the active one, as on Win32.
void ShowNativeWindow(void* handle, NativeShow verb, int activate) {
    if ((verb == NATIVE_SHOW || verb == NATIVE_RESTORE) && activate) {
        VdeskFocus(static_cast<VdeskWindow*>(handle)->window);
    }
}

// What erasing paints shows at once, as the window's contents until its next frame.
void PaintBackground(void* handle, const RECT* area, COLORREF colour) {
    VdeskWindow* native = static_cast<VdeskWindow*>(handle);
    if (!vdeskFrameCapture) {
        return;
    }
    if (native->presentedWidth != native->width || native->presentedHeight != native->height) {
        native->presented.assign(static_cast<size_t>(native->width) * native->height * 4, 0);
        native->presentedWidth = native->width;
        native->presentedHeight = native->height;
    }
    const uint8_t rgba[4] = {GetRValue(colour), GetGValue(colour), GetBValue(colour), 255};
    for (int y = std::max(0, static_cast<int>(area->top));
         y < std::min(native->height, static_cast<int>(area->bottom)); ++y) {
        for (int x = std::max(0, static_cast<int>(area->left));
             x < std::min(native->width, static_cast<int>(area->right)); ++x) {
            std::copy(rgba, rgba + 4,
                      &native->presented[(static_cast<size_t>(y) * native->width + x) * 4]);
        }
    }
}

void PlaceNativeWindow(void* handle, const RECT* client) {
    VdeskResizeSurface(static_cast<VdeskWindow*>(handle), client->right - client->left,
                       client->bottom - client->top);
}

int ListPixelConfigs(const PlatformPixelConfig** configs) {
    if (vdeskConfigs.empty()) {
        VdeskDefaultConfigs();
    }
    *configs = vdeskConfigs.data();
    return static_cast<int>(vdeskConfigs.size());
}

// Every configuration is drawn with the one EGL configuration.
int SetNativePixelFormat(void* handle, void*, int width, int height) {
    VdeskWindow* native = static_cast<VdeskWindow*>(handle);
    if (!OpenDisplay()) {
        return 0;
    }
    native->surface = MakeSurface(width, height);
    if (native->surface == EGL_NO_SURFACE) {
        native->surface = nullptr;
        return 0;
    }
    native->width = width;
    native->height = height;
    return 1;
}

void* CreateNativeContext(void*, void*) {
    if (!OpenDisplay()) {
        return nullptr;
    }
    const EGLint attribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                              EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attribs);
    return context == EGL_NO_CONTEXT ? nullptr : context;
}

int MakeNativeCurrent(void* handle, void* context) {
    if (display == EGL_NO_DISPLAY) {
        return context == nullptr;
    }
    VdeskWindow* native = static_cast<VdeskWindow*>(handle);
    if (context == nullptr) {
        ReleaseCurrent();
        return 1;
    }
    if (native == nullptr || native->surface == nullptr ||
        !eglMakeCurrent(display, native->surface, native->surface, context)) {
        return 0;
    }
    currentWindow = native;
    currentContext = context;
    return 1;
}

void DeleteNativeContext(void* context) {
    if (context == currentContext) {
        ReleaseCurrent();
    }
    eglDestroyContext(display, context);
}

int SwapNativeBuffers(void* handle) {
    VdeskWindow* native = static_cast<VdeskWindow*>(handle);
    if (native->surface == nullptr) {
        return 0;
    }
    if (vdeskFrameCapture && currentWindow == native) {
        VdeskReadSurface(native, &native->presented);
        native->presentedWidth = native->width;
        native->presentedHeight = native->height;
    }
    // A pbuffer has nothing to swap, so the result says nothing about the frame. Nor does
    // it wait, as a display's swap does: without that the renderer queues frames and their
    // memory without bound (8 KiB a frame), so the frame is finished here.
    eglSwapBuffers(display, native->surface);
    glFinish();
    ++native->presentCount;
    if (vdeskPresentHook != nullptr) {
        vdeskPresentHook(native->window, native->presentCount);
    }
    return 1;
}

// A box the program opened is answered OK once its loop has served everything waiting.
int PumpEvents(int wait) {
    if (!wait) {
        return 1;
    }
    if (!openBoxes.empty()) {
        CoreNotifyMessageBoxAnswer(openBoxes.back(), IDOK);
        return 1;
    }
    return (vdeskWaitHook != nullptr && vdeskWaitHook()) ? 1 : 0;
}

void* OpenMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    VdeskMessageBoxRecord record{};
    std::snprintf(record.text, sizeof record.text, "%s", text);
    std::snprintf(record.caption, sizeof record.caption, "%s", caption);
    record.owner = owner;
    record.type = type;
    vdeskMessageBoxes.push_back(record);
    void* box = reinterpret_cast<void*>(vdeskMessageBoxes.size());
    openBoxes.push_back(box);
    if (vdeskBoxOpenHook != nullptr) {
        vdeskBoxOpenHook(owner, box); // what the desktop does while the box comes up
    }
    return box;
}

void CloseMessageBox(void* box) {
    openBoxes.erase(std::find(openBoxes.begin(), openBoxes.end(), box));
}

int IsPaletteDisplay(void) { return vdeskPaletteDisplay ? 1 : 0; }

void SystemPaletteChanged(void) {}

} // namespace

extern const PlatformBackend vdeskBackend = {
    .name = "virtual",
    .Start = Start,
    .Finish = nullptr, // nothing runs in the background
    .CreateNativeWindow = CreateNativeWindow,
    .DestroyNativeWindow = DestroyNativeWindow,
    .ShowNativeWindow = ShowNativeWindow,
    .PlaceNativeWindow = PlaceNativeWindow,
    .PaintBackground = PaintBackground,
    .ListPixelConfigs = ListPixelConfigs,
    .SetNativePixelFormat = SetNativePixelFormat,
    .CreateContext = CreateNativeContext,
    .MakeCurrent = MakeNativeCurrent,
    .DeleteContext = DeleteNativeContext,
    .SwapNativeBuffers = SwapNativeBuffers,
    .PumpEvents = PumpEvents,
    .OpenMessageBox = OpenMessageBox,
    .CloseMessageBox = CloseMessageBox,
    .IsPaletteDisplay = IsPaletteDisplay,
    .SystemPaletteChanged = SystemPaletteChanged,
    .Capture = nullptr,
};

void VdeskDefaultConfigs(void) {
    vdeskConfigs.clear();
    for (bool doubleBuffered : {true, false}) {
        for (BYTE alpha : {0, 8}) {
            if (vdeskPaletteDisplay) {
                vdeskConfigs.push_back(Config(doubleBuffered, 0, alpha == 0 ? 16 : 0, 0, 0));
                continue;
            }
            vdeskConfigs.push_back(Config(doubleBuffered, alpha, 24, 8, 0));
            vdeskConfigs.push_back(Config(doubleBuffered, alpha, 16, 0, 0));
            vdeskConfigs.push_back(Config(doubleBuffered, alpha, 0, 0, 0));
            vdeskConfigs.push_back(Config(doubleBuffered, alpha, 24, 8, 16));
        }
    }
    // Colour index; a palette display has no double-buffered one.
    for (bool doubleBuffered : {true, false}) {
        if (!doubleBuffered || !vdeskPaletteDisplay) {
            PlatformPixelConfig index = Config(doubleBuffered, 0, 16, 0, 0);
            index.red = index.green = index.blue = 0;
            index.indexBits = 8;
            vdeskConfigs.push_back(index);
        }
    }
}

void VdeskResizeSurface(VdeskWindow* native, int width, int height) {
    native->width = width;
    native->height = height;
    if (native->surface == nullptr) {
        return;
    }
    EGLSurface old = native->surface;
    EGLSurface fresh = MakeSurface(width, height);
    if (fresh == EGL_NO_SURFACE) {
        return; // keeps drawing into the old size
    }
    native->surface = fresh;
    if (currentWindow == native) {
        eglMakeCurrent(display, fresh, fresh, currentContext);
    }
    eglDestroySurface(display, old);
}

bool VdeskReadSurface(VdeskWindow* native, std::vector<uint8_t>* pixels) {
    if (native->surface == nullptr || currentWindow != native || native->width <= 0 ||
        native->height <= 0) {
        return false;
    }
    int w = native->width, h = native->height;
    std::vector<uint8_t> raw(static_cast<size_t>(w) * h * 4);
    GLint pack = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    glPixelStorei(GL_PACK_ALIGNMENT, pack);
    pixels->resize(raw.size());
    for (int y = 0; y < h; ++y) {
        const uint8_t* from = &raw[static_cast<size_t>(h - 1 - y) * w * 4];
        uint8_t* to = &(*pixels)[static_cast<size_t>(y) * w * 4];
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = from + x * 4;
            if (vdeskPaletteDisplay) {
                // An 8-bit 3-3-2 pixel shows the system palette entry its index maps to.
                int r = (p[0] * 7 + 127) / 255, g = (p[1] * 7 + 127) / 255,
                    b = (p[2] * 3 + 127) / 255;
                PALETTEENTRY colour{};
                CorePaletteColor(native->window, r | (g << 3) | (b << 6), &colour);
                to[x * 4 + 0] = colour.peRed;
                to[x * 4 + 1] = colour.peGreen;
                to[x * 4 + 2] = colour.peBlue;
                to[x * 4 + 3] = 255;
            } else {
                to[x * 4 + 0] = p[0];
                to[x * 4 + 1] = p[1];
                to[x * 4 + 2] = p[2];
                to[x * 4 + 3] = p[3];
            }
        }
    }
    return true;
}

void VdeskFocus(HWND window) {
    if (vdeskFocus == window) {
        return;
    }
    if (vdeskFocus != nullptr) {
        CoreNotifyActivate(vdeskFocus, 0);
    }
    vdeskFocus = window;
    if (window != nullptr) {
        CoreNotifyActivate(window, 1);
    }
}
