// The fixed OpenGL state the scene's entry sets before its loop, for drawing scene
// objects into an offscreen context. Users link the scene library.
#pragma once

#include "gl.h"
#include "scene.h"

inline void UseSceneState(void) {
    glClearColor(0.3f, 0.3f, 0.7f, 0.0f);
    SetupLight();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
}
