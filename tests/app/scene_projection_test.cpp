// The scene's view and light on a real OpenGL context: the orthographic projection for
// several window shapes, read back from OpenGL, and the light's values.
#include <gtest/gtest.h>

#include <string>

#include "gl.h"
#include "offscreen_gl.h"
#include "scene.h"
#include "view.h"

namespace {

struct Ortho {
    double left, right, bottom, top, zNear, zFar;
};

// The matrix glOrtho builds, written out (column-major, as OpenGL returns it).
void ExpectProjection(const Ortho& o) {
    double m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    const double expected[16] = {
        2.0 / (o.right - o.left),
        0,
        0,
        0,
        0,
        2.0 / (o.top - o.bottom),
        0,
        0,
        0,
        0,
        -2.0 / (o.zFar - o.zNear),
        0,
        -(o.right + o.left) / (o.right - o.left),
        -(o.top + o.bottom) / (o.top - o.bottom),
        -(o.zFar + o.zNear) / (o.zFar - o.zNear),
        1,
    };
    for (int i = 0; i < 16; i++) EXPECT_NEAR(m[i], expected[i], 1e-6) << "element " << i;
}

void ExpectViewport(int x, int y, int w, int h) {
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(v[0], x);
    EXPECT_EQ(v[1], y);
    EXPECT_EQ(v[2], w);
    EXPECT_EQ(v[3], h);
}

void ExpectModelviewSelectedAndIdentity() {
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; i++) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0 : 0.0) << i;
}

class SceneProjection : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(OffscreenGlCreate(&gl, 600, 500, &error)) << error;
        // Something other than the identity, so the reshape must load it.
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(1.0f, 2.0f, 3.0f);
    }
    void TearDown() override { OffscreenGlDestroy(&gl); }
    OffscreenGl gl;
};

} // namespace

TEST_F(SceneProjection, WideWindowSpansAspectTimesTwoAcross) {
    SceneReshape(600, 500);
    ExpectViewport(0, 0, 600, 500);
    // aspect 1.2 as a 32-bit float: x -2.4 ... 2.4, y -2 ... 2, z -3 ... 3
    EXPECT_EQ(sceneAspect, 1.2f);
    EXPECT_EQ(sceneWidth, 600);
    EXPECT_EQ(sceneHeight, 500);
    const double a = 1.2f;
    ExpectProjection({-2.0 * a, 2.0 * a, -2.0, 2.0, -3.0, 3.0});
    ExpectModelviewSelectedAndIdentity();
}

TEST_F(SceneProjection, SquareWindowTakesTheTallBranch) {
    SceneReshape(500, 500);
    EXPECT_EQ(sceneAspect, 1.0f);
    ExpectProjection({-2.0, 2.0, -2.0, 2.0, -3.0, 3.0});
    ExpectModelviewSelectedAndIdentity();
}

TEST_F(SceneProjection, TallWindowSpansAspectTimesTwoUpward) {
    SceneReshape(400, 800);
    ExpectViewport(0, 0, 400, 800);
    EXPECT_EQ(sceneAspect, 2.0f);
    ExpectProjection({-2.0, 2.0, -4.0, 4.0, -3.0, 3.0});
}

TEST_F(SceneProjection, ZeroSizedWindowKeepsTheLastMeaningfulView) {
    SceneReshape(600, 500);
    glTranslatef(0.5f, 0.0f, 0.0f);
    SceneReshape(0, 500);
    SceneReshape(600, 0);
    SceneReshape(0, 0);
    SceneReshape(-5, 100);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ExpectViewport(0, 0, 600, 500);
    EXPECT_EQ(sceneAspect, 1.2f);
    EXPECT_EQ(sceneWidth, 600);
    EXPECT_EQ(sceneHeight, 500);
    const double a = 1.2f;
    ExpectProjection({-2.0 * a, 2.0 * a, -2.0, 2.0, -3.0, 3.0});
    // The modelview matrix was not touched either.
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    EXPECT_DOUBLE_EQ(m[12], 0.5);
    // The next meaningful size is taken in full.
    SceneReshape(400, 800);
    ExpectProjection({-2.0, 2.0, -4.0, 4.0, -3.0, 3.0});
}

TEST_F(SceneProjection, LightZeroIsWhiteAndDirectionalFromAboveAndInFront) {
    glLoadIdentity();
    SetupLight();
    GLfloat v[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(v[2], 1.0f);
    EXPECT_EQ(v[3], 1.0f);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, v);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(v[2], 1.0f);
    EXPECT_EQ(v[3], 1.0f);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, v);
    EXPECT_EQ(v[0], 0.4f);
    EXPECT_EQ(v[1], 0.4f);
    EXPECT_EQ(v[2], 0.4f);
    EXPECT_EQ(v[3], 1.0f);
    // Given under the identity, so the eye-space position is the value itself.
    glGetLightfv(GL_LIGHT0, GL_POSITION, v);
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_EQ(v[1], 2.0f);
    EXPECT_EQ(v[2], 2.0f);
    EXPECT_EQ(v[3], 0.0f);
}
