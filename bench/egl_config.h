// The EGL configuration the Wayland benchmark programs draw with: a window, OpenGL, 8 bits a
// channel without alpha and a 16-bit depth buffer, the buffer vorlanth draws into. The
// server sorts deeper ones (10 bits) first, which the renderer draws differently.
#pragma once

#include <EGL/egl.h>

// Null when the display offers no such window configuration.
inline EGLConfig ChooseWindowConfig(EGLDisplay egl) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_WINDOW_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 16,
                                 EGL_NONE};
    EGLConfig configs[64];
    EGLint count = 0;
    if (!eglChooseConfig(egl, attributes, configs, 64, &count) || count < 1) {
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        EGLint red = 0, alpha = 0;
        eglGetConfigAttrib(egl, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(egl, configs[i], EGL_ALPHA_SIZE, &alpha);
        if (red == 8 && alpha == 0) {
            return configs[i];
        }
    }
    return configs[0];
}
