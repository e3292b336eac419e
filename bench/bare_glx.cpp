// The least a GLX program does to show a frame, for bench/first_frame.sh: a 600 x 500
// double-buffered window, cleared once when it is first exposed, and the swap. Built as
// scene_glx (VORLANTH_SAME_SCENE), it draws the scene's first frame there instead.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdio>

#ifdef VORLANTH_SAME_SCENE
#include "same_scene.h"
namespace {
Display* display = nullptr;
Window window = 0;
int32_t Swap(void) {
    glXSwapBuffers(display, window);
    return 1;
}
} // namespace
#endif

int main(void) {
#ifndef VORLANTH_SAME_SCENE
    Display* display = nullptr;
    Window window = 0;
#endif
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "bare_glx: no X display\n");
        return 1;
    }
    const int attributes[] = {GLX_X_RENDERABLE,
                              True,
                              GLX_DRAWABLE_TYPE,
                              GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER,
                              True,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_DEPTH_SIZE,
                              16,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    XVisualInfo* visual = count > 0 ? glXGetVisualFromFBConfig(display, configs[0]) : nullptr;
    if (visual == nullptr) {
        std::fprintf(stderr, "bare_glx: no double-buffered RGB configuration\n");
        return 1;
    }
    Window root = RootWindow(display, visual->screen);
    XSetWindowAttributes set{};
    set.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    set.event_mask = ExposureMask;
    window = XCreateWindow(display, root, 0, 0, 600, 500, 0, visual->depth, InputOutput,
                           visual->visual, CWColormap | CWEventMask, &set);
    XStoreName(display, window, "bare_glx");
    XMapWindow(display, window);
    GLXContext context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
    glXMakeContextCurrent(display, window, window, context);
    for (XEvent event{}; event.type != Expose;) {
        XNextEvent(display, &event);
    }
#ifdef VORLANTH_SAME_SCENE
    SameSceneStart(600, 500, Swap);
    SameSceneFrame();
#else
    glClearColor(0.3f, 0.3f, 0.7f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glXSwapBuffers(display, window);
#endif
    glXMakeContextCurrent(display, None, None, nullptr);
    glXDestroyContext(display, context);
    XFree(visual);
    XFree(configs);
    XCloseDisplay(display);
    return 0;
}
