// The scene's entry: window, fixed OpenGL state, handlers, then the app kit's loop.
#include "appkit.h"
#include "gl.h"
#include "frame.h"
#include "scene.h"

int SceneMain(void* instance, const char* commandLine, int showState) {
    (void)instance;
    (void)commandLine;
    (void)showState;

    AppSetDisplayMode(DM_DOUBLE | DM_DEPTH16);
    AppSetPosition(100, 100, 600, 500);
    // Without a window the loop could never end; the toolkit has said why already.
    if (!AppOpenWindow("Vorlanth")) return 1;

    glClearColor(0.3f, 0.3f, 0.7f, 0.0f);
    SetupLight();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE); // the objects are scaled
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    // No depth test: drawing order alone decides what lies on top.

    AppSetIdleHandler(DrawFrame);
    AppSetReshapeHandler(SceneReshape);
    AppMainLoop(DrawFrame);
    return 0;
}
