// One bubble cluster on a real OpenGL context with the scene's lighting and blending:
// what it compiles, what it leaves behind, how it advances the colours and what it draws.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gl.h"
#include "shape_cache.h"
#include "offscreen_gl.h"
#include "scene_state.h"
#include "bubble_cluster.h"
#include "color_cycle.h"
#include "random_digit.h"
#include "scene.h"

namespace {

// 200 x 200 pixels over -1 ... 1 (100 pixels per unit) in the scene's fixed state.
class BubbleCluster : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(OffscreenGlCreate(&gl, 200, 200, &error)) << error;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -3, 3);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        UseSceneState();
    }
    void TearDown() override { OffscreenGlDestroy(&gl); }

    // Pixel at cluster coordinates (x, y).
    Rgba8 At(const std::vector<Rgba8>& pixels, double x, double y) {
        return PixelAt(pixels, 200, static_cast<int>((x + 1) * 100),
                       static_cast<int>((1 - y) * 100));
    }

    OffscreenGl gl;
};

void SetCycler(ColorCycler* cycler, float r, float g, float b) {
    *cycler = {0, {r, g, b, 0.9f}, {0, 0, 0, 1}};
}

// The channel that dominates the pixel by a wide margin: 0 red, 1 green, 2 blue, -1 none.
int Dominant(Rgba8 p) {
    const int c[3] = {p.r, p.g, p.b};
    for (int i = 0; i < 3; i++) {
        if (c[i] > c[(i + 1) % 3] + 60 && c[i] > c[(i + 2) % 3] + 60) return i;
    }
    return -1;
}

} // namespace

TEST_F(BubbleCluster, TheFirstClusterCompilesFourListsAndLaterOnesNone) {
    DrawBubbleCluster();
    const double radii[4] = {0.38, 0.22, 0.3, 0.74}; // newest first
    GLuint highest = 0;
    int n = 0;
    for (ShapeNode* node = ShapeCache[SHAPE_SOLID_SPHERE]; node; node = node->next, n++) {
        ASSERT_LT(n, 4);
        EXPECT_EQ(node->params[0], radii[n]);
        if (node->listId > highest) highest = node->listId;
    }
    EXPECT_EQ(n, 4);
    DrawBubbleCluster();
    DrawBubbleCluster();
    n = 0;
    for (ShapeNode* node = ShapeCache[SHAPE_SOLID_SPHERE]; node; node = node->next) n++;
    EXPECT_EQ(n, 4);
    EXPECT_FALSE(glIsList(highest + 1));
}

TEST_F(BubbleCluster, LeavesTheModelviewMatrixAndItsStackAsItFoundThem) {
    glTranslatef(0.2f, -0.1f, 0.0f);
    glRotatef(33.0f, 0.4f, 0.0f, 1.0f);
    glScalef(0.7f, 0.7f, 0.7f);
    GLfloat before[16], after[16];
    GLint depthBefore = 0, depthAfter = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    DrawBubbleCluster();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    for (int i = 0; i < 16; i++) EXPECT_EQ(after[i], before[i]) << "element " << i;
}

TEST_F(BubbleCluster, EachClusterAdvancesEveryCyclerOnce) {
    // Worked by hand from the starting colours and step 0.001, with the digits 8, 9, 8
    // that state 0 yields (steps 0.01, 0.01125, 0.01).
    SetRandomDigitState(0);
    DrawBubbleCluster();
    // A ramps blue up and green down; B's green passes 1: phase 2, step 0.01; C, with
    // 0.01, passes 1 in red: phase 1, step 0.01125.
    EXPECT_FLOAT_EQ(cyclerA.color[1], 0.999f);
    EXPECT_FLOAT_EQ(cyclerA.color[2], 0.001f);
    EXPECT_FLOAT_EQ(cyclerA.glow[2], 0.0005f);
    EXPECT_FLOAT_EQ(cyclerB.color[0], -0.001f);
    EXPECT_FLOAT_EQ(cyclerB.color[1], 1.001f);
    EXPECT_EQ(cyclerB.phase, 2);
    EXPECT_FLOAT_EQ(cyclerC.color[0], 1.01f);
    EXPECT_FLOAT_EQ(cyclerC.color[2], 0.99f);
    EXPECT_EQ(cyclerC.phase, 1);
    EXPECT_EQ(colorStep, 0.01125f);
    DrawBubbleCluster();
    // A and B move by 0.01125, B's blue passes 1: phase 0, step 0.01; C ramps green up
    // and red down to 1 by 0.01 and stays in phase 1.
    EXPECT_FLOAT_EQ(cyclerA.color[1], 0.98775f);
    EXPECT_FLOAT_EQ(cyclerA.color[2], 0.01225f);
    EXPECT_FLOAT_EQ(cyclerB.color[1], 0.98975f);
    EXPECT_FLOAT_EQ(cyclerB.color[2], 1.01125f);
    EXPECT_EQ(cyclerB.phase, 0);
    EXPECT_FLOAT_EQ(cyclerC.color[0], 1.0f);
    EXPECT_FLOAT_EQ(cyclerC.color[1], 0.01f);
    EXPECT_EQ(cyclerC.phase, 1);
    EXPECT_EQ(colorStep, 0.01f);
}

TEST_F(BubbleCluster, TheShellSetsFrontMaterialsAndTheSmallSpheresBothFaces) {
    DrawBubbleCluster();
    GLfloat value[4];
    auto expect4 = [&](GLenum face, GLenum what, float r, float g, float b, float a) {
        glGetMaterialfv(face, what, value);
        EXPECT_EQ(value[0], r) << face << " " << what;
        EXPECT_EQ(value[1], g) << face << " " << what;
        EXPECT_EQ(value[2], b) << face << " " << what;
        EXPECT_EQ(value[3], a) << face << " " << what;
    };
    // The back faces hold sphere C's material; their specular is still OpenGL's
    // initial one, which the shell would have replaced for both faces.
    const float* c = cyclerC.color;
    const float* glow = cyclerC.glow;
    expect4(GL_BACK, GL_DIFFUSE, c[0], c[1], c[2], c[3]);
    expect4(GL_BACK, GL_EMISSION, glow[0], glow[1], glow[2], glow[3]);
    expect4(GL_BACK, GL_SPECULAR, 0, 0, 0, 1);
    glGetMaterialfv(GL_BACK, GL_SHININESS, value);
    EXPECT_EQ(value[0], 100.0f);
    // The front keeps the shell's specular, which the small spheres do not set.
    expect4(GL_FRONT, GL_SPECULAR, 1, 1, 1, 1);
    expect4(GL_FRONT, GL_DIFFUSE, c[0], c[1], c[2], c[3]);
}

TEST_F(BubbleCluster, TheShellBlendsOverTheBackgroundAndTheSmallSpheresCoverIt) {
    colorStep = 0.0f; // the colours hold still
    SetCycler(&cyclerA, 1, 0, 0);
    SetCycler(&cyclerB, 0, 1, 0);
    SetCycler(&cyclerC, 0, 0, 1);

    // The shell's own lit colour, drawn opaque, at a point no small sphere covers.
    const double sx = 0.55, sy = 0.35;
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_BLEND);
    DrawBubbleCluster();
    const Rgba8 lit = At(OffscreenGlReadPixels(&gl), sx, sy);
    glEnable(GL_BLEND);

    glClear(GL_COLOR_BUFFER_BIT);
    DrawBubbleCluster();
    const std::vector<Rgba8> pixels = OffscreenGlReadPixels(&gl);
    if (const char* dir = std::getenv("VORLANTH_TEST_OUTPUT")) {
        WritePng(std::string(dir) + "/bubble_cluster.png", pixels, 200, 200);
    }

    // Shell alpha 0.3 over the clear colour (77, 77, 179).
    const Rgba8 shell = At(pixels, sx, sy);
    const int clear[3] = {77, 77, 179};
    const int litC[3] = {lit.r, lit.g, lit.b}, shellC[3] = {shell.r, shell.g, shell.b};
    for (int i = 0; i < 3; i++) {
        if (std::abs(litC[i] - clear[i]) < 10) continue;
        EXPECT_GT(shellC[i], std::min(litC[i], clear[i])) << "channel " << i;
        EXPECT_LT(shellC[i], std::max(litC[i], clear[i])) << "channel " << i;
        EXPECT_NEAR(shellC[i], 0.3 * litC[i] + 0.7 * clear[i], 3) << "channel " << i;
    }
    EXPECT_NEAR(At(pixels, 0.9, -0.9).r, 77, 1) << "outside the shell: the clear colour";

    // Each small sphere covers the shell at its centre: A red, B green, C blue.
    EXPECT_EQ(Dominant(At(pixels, 0.0, 0.4)), 0) << "A at (0, 0.4)";
    EXPECT_EQ(Dominant(At(pixels, 0.35, -0.2)), 1) << "B at (0.3, -0.2)";
    EXPECT_EQ(Dominant(At(pixels, -0.3, -0.3)), 2) << "C at (-0.2, -0.2)";
    // Drawn last, C covers B and A where they overlap.
    EXPECT_EQ(Dominant(At(pixels, 0.1, -0.2)), 2) << "B and C overlap";
    // Along the line from C's centre towards A's, 0.35 out: inside both.
    EXPECT_EQ(Dominant(At(pixels, -0.2 + 0.35 * 0.316, -0.2 + 0.35 * 0.949)), 2)
        << "A and C overlap";
}
