// The scene's one light: white, directional, from above and in front.
#include "gl.h"
#include "scene.h"

void SetupLight(void) {
    static const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat ambient[4] = {0.4f, 0.4f, 0.4f, 1.0f};
    // w = 0: a direction, given under the identity so it stays fixed in eye space.
    static const GLfloat position[4] = {0.0f, 2.0f, 2.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}
