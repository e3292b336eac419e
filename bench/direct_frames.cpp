// The limit the whole system can approach: the frame step's OpenGL drawing issued
// straight into an offscreen context, with no toolkit, app kit or event loop.
#include "direct_frames.h"

#include <chrono>
#include <string>

#include "gl.h"
#include "offscreen_gl.h"
#include "scene_state.h"
#include "bubble_cluster.h"
#include "figure.h"
#include "motion.h"
#include "scene.h"

double DirectFramesPerSecond(int frames) {
    OffscreenGl gl;
    std::string error;
    if (!OffscreenGlCreate(&gl, 600, 500, &error)) return 0.0;

    UseSceneState();
    SceneReshape(600, 500);

    static const float axes[5][3] = {
        {0.4f, 0.0f, 1.0f}, {1.0f, 0.2f, 1.0f}, {0.6f, 1.0f, 1.0f},
        {0.8f, 1.0f, 1.0f}, {1.0f, 0.6f, 1.0f},
    };
    float cluster = 2.0f;
    float figure = 1.0f;
    auto drawOne = [&]() {
        cluster += 7.0f;
        if (cluster >= 360.0f) cluster -= 360.0f;
        figure += 3.5f;
        if (figure >= 360.0f) figure -= 360.0f;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        StepMover(&figureMover);
        glPushMatrix();
        glTranslatef(figureMover.x, figureMover.y, 0.0f);
        glRotatef(figure, 0.4f, 0.0f, 1.0f);
        glScalef(figureMover.scale, figureMover.scale, figureMover.scale);
        DrawFigure();
        glPopMatrix();
        for (int i = 0; i < 5; i++) {
            Mover* m = &clusterMovers[i];
            StepMover(m);
            glPushMatrix();
            glTranslatef(m->x, m->y, 0.0f);
            glRotatef(cluster, axes[i][0], axes[i][1], axes[i][2]);
            glScalef(m->scale, m->scale, m->scale);
            DrawBubbleCluster();
            glPopMatrix();
        }
        glFlush(); // as the frame step does before its buffer swap
    };

    drawOne(); // compiles the sphere lists
    glFinish();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++) drawOne();
    glFinish(); // every frame drawn, as at the end of the system's run
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    OffscreenGlDestroy(&gl);
    return seconds > 0.0 ? frames / seconds : 0.0;
}
