// The least an EGL program on Wayland does to show a frame, for bench/first_frame.sh: an
// xdg-shell toplevel of 600 x 500 without decorations, cleared once after the compositor's
// first configure, and the swap.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <cstdio>
#include <cstring>

#include "egl_config.h"
#include "xdg-shell-client-protocol.h"

namespace {

wl_compositor* compositor = nullptr;
xdg_wm_base* shell = nullptr;
bool configured = false;
EGLDisplay egl = EGL_NO_DISPLAY;
EGLSurface eglSurface = EGL_NO_SURFACE;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        shell =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    }
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {Global, GlobalRemove};

void Ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener shellListener = {Ping};

void SurfaceConfigure(void*, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    configured = true;
}
const xdg_surface_listener surfaceListener = {SurfaceConfigure};

void ToplevelConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {}
void ToplevelClose(void*, xdg_toplevel*) {}
void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener toplevelListener = {ToplevelConfigure, ToplevelClose, ToplevelBounds,
                                                ToplevelCapabilities};

} // namespace

int main(void) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "bare_egl: no Wayland compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (compositor == nullptr || shell == nullptr) {
        std::fprintf(stderr, "bare_egl: the compositor offers no xdg-shell\n");
        return 1;
    }
    xdg_wm_base_add_listener(shell, &shellListener, nullptr);
    wl_surface* surface = wl_compositor_create_surface(compositor);
    xdg_surface* shellSurface = xdg_wm_base_get_xdg_surface(shell, surface);
    xdg_surface_add_listener(shellSurface, &surfaceListener, nullptr);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(shellSurface);
    xdg_toplevel_add_listener(toplevel, &toplevelListener, nullptr);
    xdg_toplevel_set_title(toplevel, "bare_egl");
    wl_surface_commit(surface);

    egl = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr);
    EGLConfig config = nullptr;
    if (!eglInitialize(egl, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API) ||
        (config = ChooseWindowConfig(egl)) == nullptr) {
        std::fprintf(stderr, "bare_egl: no EGL configuration for OpenGL windows\n");
        return 1;
    }
    wl_egl_window* window = wl_egl_window_create(surface, 600, 500);
    eglSurface = eglCreatePlatformWindowSurface(egl, config, window, nullptr);
    EGLContext context = eglCreateContext(egl, config, EGL_NO_CONTEXT, nullptr);
    eglMakeCurrent(egl, eglSurface, eglSurface, context);
    while (!configured && wl_display_dispatch(display) != -1) {
    }
    glClearColor(0.3f, 0.3f, 0.7f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    eglSwapBuffers(egl, eglSurface);
    eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl, context);
    eglDestroySurface(egl, eglSurface);
    wl_egl_window_destroy(window);
    eglTerminate(egl);
    xdg_toplevel_destroy(toplevel);
    xdg_surface_destroy(shellSurface);
    wl_surface_destroy(surface);
    xdg_wm_base_destroy(shell);
    wl_compositor_destroy(compositor);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
