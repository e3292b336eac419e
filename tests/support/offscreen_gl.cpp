#include "offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <png.h>

#include <cstdio>

namespace {

EGLDisplay OpenSurfacelessDisplay() {
    // Mesa's surfaceless platform renders with no display server at all.
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay != nullptr) {
        EGLDisplay display =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY) {
            return display;
        }
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

} // namespace

bool OffscreenGlCreate(OffscreenGl* gl, int width, int height, std::string* error) {
    EGLDisplay display = OpenSurfacelessDisplay();
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        *error = "no EGL display";
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "EGL has no desktop OpenGL";
        eglTerminate(display);
        return false;
    }
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE,
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
                                    16,
                                    EGL_RENDERABLE_TYPE,
                                    EGL_OPENGL_BIT,
                                    EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1) {
        *error = "no EGL config with RGBA 8888 and depth";
        eglTerminate(display);
        return false;
    }
    const EGLint surfaceAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
    if (surface == EGL_NO_SURFACE) {
        *error = "cannot create an EGL pbuffer";
        eglTerminate(display);
        return false;
    }
    // A compatibility context, so that the fixed-function pipeline is there.
    const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) {
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    }
    if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, surface, surface, context)) {
        *error = "cannot create or make current an EGL context";
        eglDestroySurface(display, surface);
        eglTerminate(display);
        return false;
    }
    gl->width = width;
    gl->height = height;
    gl->display = display;
    gl->surface = surface;
    gl->context = context;
    return true;
}

void OffscreenGlDestroy(OffscreenGl* gl) {
    if (gl->display == nullptr) {
        return;
    }
    eglMakeCurrent(gl->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(gl->display, gl->context);
    eglDestroySurface(gl->display, gl->surface);
    // No eglTerminate: the driver stays loaded, so leak reports can name its libraries.

    *gl = OffscreenGl{};
}

std::vector<Rgba8> OffscreenGlReadPixels(const OffscreenGl* gl) {
    std::vector<Rgba8> raw(static_cast<size_t>(gl->width) * gl->height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, gl->width, gl->height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    std::vector<Rgba8> rows(raw.size());
    for (int y = 0; y < gl->height; ++y) {
        const Rgba8* from = &raw[static_cast<size_t>(gl->height - 1 - y) * gl->width];
        std::copy(from, from + gl->width, &rows[static_cast<size_t>(y) * gl->width]);
    }
    return rows;
}

Rgba8 PixelAt(const std::vector<Rgba8>& pixels, int width, int x, int y) {
    return pixels[static_cast<size_t>(y) * width + x];
}

bool WritePng(const std::string& path, const std::vector<Rgba8>& pixels, int width, int height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    // As a screen shows it: the drawable's alpha is not part of the picture.
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb;
    rgb.reserve(pixels.size() * 3);
    for (const Rgba8& p : pixels) {
        rgb.push_back(p.r);
        rgb.push_back(p.g);
        rgb.push_back(p.b);
    }
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}
