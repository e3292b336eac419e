#include "same_scene.h"

#include <map>

#include "appkit.h"
#include "frame.h"
#include "gl.h"
#include "scene.h"
#include "scene_state.h"

namespace {
int32_t (*present)(void) = nullptr;
std::map<double, GLuint> spheres;
} // namespace

// What the scene asks of the app kit, done directly.
void AppSolidSphere(double radius) {
    auto found = spheres.find(radius);
    if (found != spheres.end()) {
        glCallList(found->second);
        return;
    }
    GLuint list = glGenLists(1);
    spheres[radius] = list;
    glNewList(list, GL_COMPILE_AND_EXECUTE);
    GLUquadric* quadric = gluNewQuadric();
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluSphere(quadric, radius, 16, 16);
    gluDeleteQuadric(quadric);
    glEndList();
}

int32_t AppSwapBuffers(void) { return present(); }

void SameSceneStart(int width, int height, int32_t (*swap)(void)) {
    present = swap;
    UseSceneState();
    SceneReshape(width, height);
}

void SameSceneFrame(void) { DrawFrame(); }
