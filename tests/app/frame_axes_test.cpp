// The frame step's placement of each object: here the figure and the clusters are stand-ins
// that note the modelview matrix they are drawn with, so each object's rotation axis can be
// read back from it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gl.h"
#include "offscreen_gl.h"
#include "figure.h"
#include "frame.h"
#include "motion.h"

namespace {
std::vector<std::vector<float>> drawnWith; // one modelview matrix per object drawn

void NoteMatrix(void) {
    std::vector<float> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    drawnWith.push_back(m);
}
} // namespace

void DrawFigure(void) { NoteMatrix(); }
void DrawBubbleCluster(void) { NoteMatrix(); }
int32_t AppSwapBuffers(void) { return 1; }

TEST(FrameAxes, EachObjectTurnsAboutItsOwnAxis) {
    OffscreenGl gl;
    std::string error;
    ASSERT_TRUE(OffscreenGlCreate(&gl, 64, 64, &error)) << error;
    // Every object rests at the origin with scale 0.4; the angles become 90 degrees.
    for (Mover* mover : {&figureMover, &clusterMovers[0], &clusterMovers[1], &clusterMovers[2],
                         &clusterMovers[3], &clusterMovers[4]}) {
        *mover = Mover{0.0f, 0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 0, 0, 0};
    }
    clusterAngle = 83.0f;
    figureAngle = 86.5f;
    DrawFrame();
    ASSERT_EQ(drawnWith.size(), 6u);
    // The axes of the figure and clusters 1 to 5.
    const float axes[6][3] = {{0.4f, 0, 1}, {0.4f, 0, 1}, {1, 0.2f, 1},
                              {0.6f, 1, 1}, {0.8f, 1, 1}, {1, 0.6f, 1}};
    for (int k = 0; k < 6; k++) {
        const std::vector<float>& m = drawnWith[k]; // column-major
        // A rotation keeps its axis: M a = 0.4 a. A quarter turn leaves trace 0.4 x 1.
        for (int row = 0; row < 3; row++) {
            float turned = m[row] * axes[k][0] + m[4 + row] * axes[k][1] + m[8 + row] * axes[k][2];
            EXPECT_NEAR(turned, 0.4f * axes[k][row], 1e-5) << "object " << k << " row " << row;
        }
        EXPECT_NEAR(m[0] + m[5] + m[10], 0.4f, 1e-5) << "object " << k;
    }
    OffscreenGlDestroy(&gl);
}
