// Start-up of the app kit: display mode and placement, opening the window with the
// single-to-double-buffer fallback, the defaults it installs, the handler setters, the
// main loop, the buffer swap and quitting.
#include <windows.h>

#include "toolkit.h"
#include "appkit.h"
#include "gl.h"

DisplayMode appDisplayMode = 0;

static const char fallbackWarning[] =
    "Can't initialize a single buffer visual. Will use a double buffer visual instead, only "
    "drawing into the front buffer.";

void AppSetDisplayMode(DisplayMode mode) {
    appDisplayMode = mode;
    WtSetDisplayMode(mode);
}

void AppSetPosition(int32_t x, int32_t y, int32_t width, int32_t height) {
    WtSetPosition(x, y, width, height);
}

int32_t AppOpenWindow(const char* title) {
    int32_t fellBack = 0;
    if (!WtOpenWindow(title, 0)) {
        // A double-buffered request has nothing to fall back to.
        if (appDisplayMode & DM_DOUBLE) return 0;
        // The toolkit's mode gains the bit now; the remembered one only once it worked.
        WtSetDisplayMode(appDisplayMode | DM_DOUBLE);
        if (!WtOpenWindow(title, 0)) return 0;
        if (windowState.showErrorBoxes) {
            MessageBoxA(GetFocus(), fallbackWarning, "Warning", MB_OK);
        }
        appDisplayMode |= DM_DOUBLE;
        fellBack = 1;
    }

    WtSetReshapeHandler(AppDefaultReshape);
    WtSetExposeHandler(AppDefaultExpose);
    WtSetMouseUpHandler(AppDispatchMouseUp);
    WtSetMouseDownHandler(AppDispatchMouseDown);
    WtSetMouseMoveHandler(AppDispatchMouseMove);
    WtSetKeyDownHandler(AppDispatchKey);
    AppAddKeyHandler(VK_ESCAPE, AppQuit);

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearIndex(0.0f);
    glLoadIdentity();

    // The window is double-buffered against the caller's wish: draw where a single
    // buffer would have shown it at once.
    if (fellBack) glDrawBuffer(GL_FRONT);
    return 1;
}

void AppDefaultReshape(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, static_cast<double>(width), 0.0, static_cast<double>(height), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void AppDefaultExpose(int32_t width, int32_t height) {
    (void)width;
    (void)height;
}

void AppSetReshapeHandler(ReshapeHandler handler) {
    WtSetExposeHandler(handler);
    WtSetReshapeHandler(handler);
}

void AppSetIdleHandler(IdleHandler handler) { WtSetIdleHandler(handler); }

void AppMainLoop(DisplayHandler handler) {
    WtSetDisplayHandler(handler);
    WtRunLoop();
}

int32_t AppSwapBuffers(void) { return WtSwapBuffers(); }

void AppQuit(void) {
    WtCloseWindow(windowState.window);
    ExitProcess(0);
}
