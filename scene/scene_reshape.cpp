// Keeps the orthographic view fitted to the window: 4 units across its shorter side,
// centred on the origin, and records the size and aspect for the motion limits.
#include "gl.h"
#include "scene.h"
#include "view.h"

void SceneReshape(int32_t width, int32_t height) {
    // A minimised window reports a zero size; its aspect would be infinite or NaN.
    // Keep the last meaningful view until the window has an area again.
    if (width <= 0 || height <= 0) return;

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    SetSceneView(width, height);
    // The bounds come from the stored 32-bit aspect, as the motion limits see it.
    const double a = sceneAspect;
    if (width > height) {
        glOrtho(-2.0 * a, 2.0 * a, -2.0, 2.0, -3.0, 3.0);
    } else {
        glOrtho(-2.0, 2.0, -2.0 * a, 2.0 * a, -3.0, 3.0);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
