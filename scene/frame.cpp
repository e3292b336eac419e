// One step of the animation: spin, clear, move and draw the figure and the five
// clusters, each mover stepped just before its own object is drawn, then present.
#include "frame.h"

#include "appkit.h"
#include "gl.h"
#include "bubble_cluster.h"
#include "figure.h"
#include "motion.h"
#include "random_digit.h"

float clusterAngle = 2.0f;
float figureAngle = 1.0f;
float spinSpeed = 7.0f;

// Rotation axes of the five clusters, in drawing order; OpenGL normalises them.
static const float clusterAxes[5][3] = {
    {0.4f, 0.0f, 1.0f}, {1.0f, 0.2f, 1.0f}, {0.6f, 1.0f, 1.0f},
    {0.8f, 1.0f, 1.0f}, {1.0f, 0.6f, 1.0f},
};

static void PlaceObject(const Mover* mover, float angle, const float axis[3]) {
    glTranslatef(mover->x, mover->y, 0.0f);
    glRotatef(angle, axis[0], axis[1], axis[2]);
    glScalef(mover->scale, mover->scale, mover->scale);
}

void DrawFrame(void) {
    double cluster = static_cast<double>(clusterAngle) + static_cast<double>(spinSpeed);
    if (cluster >= 360.0) {
        cluster -= 360.0;
        spinSpeed = static_cast<float>(RandomDigit() + 3.0);
    }
    clusterAngle = static_cast<float>(cluster);

    // Half of the spin speed as it stands after a possible re-draw.
    double figure = static_cast<double>(figureAngle) + static_cast<double>(spinSpeed) * 0.5;
    if (figure >= 360.0) figure -= 360.0;
    figureAngle = static_cast<float>(figure);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    static const float figureAxis[3] = {0.4f, 0.0f, 1.0f};
    StepMover(&figureMover);
    glPushMatrix();
    PlaceObject(&figureMover, figureAngle, figureAxis);
    DrawFigure();
    glPopMatrix();

    for (int i = 0; i < 5; i++) {
        StepMover(&clusterMovers[i]);
        glPushMatrix();
        PlaceObject(&clusterMovers[i], clusterAngle, clusterAxes[i]);
        DrawBubbleCluster();
        glPopMatrix();
    }

    glFlush();
    AppSwapBuffers();
}
