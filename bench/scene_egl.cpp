// The scene's first frame drawn directly through EGL on Wayland, the fair peer of vorlanth's
// for bench/first_frame.sh: a 600 x 500 toplevel titled and framed by libdecor, as a Wayland
// window a user can move and close must be (on a compositor without server-side frames
// the client draws them), the same 8-bit buffer, and the scene's mesh, spheres and state.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <libdecor.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <cstdio>
#include <cstring>

#include "egl_config.h"

#include "same_scene.h"

namespace {

wl_compositor* compositor = nullptr;
EGLDisplay egl = EGL_NO_DISPLAY;
EGLSurface eglSurface = EGL_NO_SURFACE;
bool configured = false;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    }
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {Global, GlobalRemove};

void DecorError(libdecor*, libdecor_error, const char* message) {
    std::fprintf(stderr, "scene_egl: %s\n", message);
}
libdecor_interface decorHandlers = {DecorError, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}};

void Configure(libdecor_frame* frame, libdecor_configuration* configuration, void*) {
    libdecor_state* state = libdecor_state_new(600, 500);
    libdecor_frame_commit(frame, state, configuration);
    libdecor_state_free(state);
    configured = true;
}
void Close(libdecor_frame*, void*) {}
void Commit(libdecor_frame*, void*) {}
void DismissPopup(libdecor_frame*, const char*, void*) {}
libdecor_frame_interface frameHandlers = {Configure, Close, Commit, DismissPopup, {}, {}, {},
                                          {},        {},    {},     {},           {}, {}, {}};

int32_t Swap(void) { return eglSwapBuffers(egl, eglSurface); }

} // namespace

int main(void) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "scene_egl: no Wayland compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    egl = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr);
    EGLConfig config = nullptr;
    libdecor* decor = libdecor_new(display, &decorHandlers);
    if (compositor == nullptr || decor == nullptr || !eglInitialize(egl, nullptr, nullptr) ||
        !eglBindAPI(EGL_OPENGL_API) || (config = ChooseWindowConfig(egl)) == nullptr) {
        std::fprintf(stderr, "scene_egl: no compositor, frames or EGL configuration\n");
        return 1;
    }
    wl_surface* surface = wl_compositor_create_surface(compositor);
    libdecor_frame* frame = libdecor_decorate(decor, surface, &frameHandlers, nullptr);
    libdecor_frame_set_title(frame, "scene_egl");
    libdecor_frame_set_app_id(frame, "scene_egl");
    libdecor_frame_map(frame);
    while (!configured && wl_display_dispatch(display) != -1) {
    }
    wl_egl_window* window = wl_egl_window_create(surface, 600, 500);
    eglSurface = eglCreatePlatformWindowSurface(egl, config, window, nullptr);
    EGLContext context = eglCreateContext(egl, config, EGL_NO_CONTEXT, nullptr);
    eglMakeCurrent(egl, eglSurface, eglSurface, context);
    SameSceneStart(600, 500, Swap);
    SameSceneFrame();
    eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl, context);
    eglDestroySurface(egl, eglSurface);
    wl_egl_window_destroy(window);
    libdecor_frame_unref(frame);
    wl_surface_destroy(surface);
    libdecor_unref(decor);
    eglTerminate(egl);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
