// Drawing the figure with real OpenGL under the scene's lighting, culling and blending.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "figure.h"
#include "figure_mesh.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 500;

// The scene's fixed state: light 0, lighting, renormalised normals, blending and back-face
// culling, no depth test, and the orthographic view of a 600 x 500 window.
void SetSceneState() {
    glClearColor(0.3f, 0.3f, 0.7f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat diffuse[4] = {1, 1, 1, 1}, specular[4] = {1, 1, 1, 1};
    const GLfloat ambient[4] = {0.4f, 0.4f, 0.4f, 1}, position[4] = {0, 2, 2, 0};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2.4, 2.4, -2.0, 2.0, -3.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

class FigureDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(OffscreenGlCreate(&gl, kWidth, kHeight, &error)) << error;
        SetSceneState();
    }
    void TearDown() override { OffscreenGlDestroy(&gl); }

    // One frame: clear, the figure inside a mover's transform, read back, saved as name.
    std::vector<Rgba8> DrawAt(float scale, float angle, const char* name) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        glRotatef(angle, 0.4f, 0.0f, 1.0f);
        glScalef(scale, scale, scale);
        DrawFigure();
        glPopMatrix();
        glFinish();
        std::vector<Rgba8> pixels = OffscreenGlReadPixels(&gl);
        const char* folder = std::getenv("VORLANTH_TEST_OUTPUT");
        if (folder != nullptr) {
            // Opaque, so that the picture shows the clear colour rather than transparency.
            std::vector<Rgba8> opaque = pixels;
            for (Rgba8& p : opaque) {
                p.a = 255;
            }
            EXPECT_TRUE(WritePng(std::string(folder) + "/" + name, opaque, kWidth, kHeight));
        }
        return pixels;
    }

    OffscreenGl gl;
};

bool IsBackground(Rgba8 p) {
    // 0.3, 0.3, 0.7 of 255.
    return std::abs(p.r - 76.5) < 1.5 && std::abs(p.g - 76.5) < 1.5 && std::abs(p.b - 178.5) < 1.5;
}

void ExpectMaterial(GLenum face, GLenum name, float r, float g, float b, float a) {
    GLfloat v[4] = {-1, -1, -1, -1};
    glGetMaterialfv(face, name, v);
    EXPECT_FLOAT_EQ(v[0], r) << name;
    EXPECT_FLOAT_EQ(v[1], g) << name;
    EXPECT_FLOAT_EQ(v[2], b) << name;
    EXPECT_FLOAT_EQ(v[3], a) << name;
}

} // namespace

TEST_F(FigureDrawing, LightsYellowLetteringAtTheCentreAndLeavesTheBackgroundClear) {
    std::vector<Rgba8> pixels = DrawAt(0.6f, 0.0f, "figure_scale_0.6.png");
    // 125 pixels per unit. At mover scale 0.6 and the figure's 0.4 the word spans
    // 7 x 0.24 = 1.68 units (210 px) by 0.975 x 0.24 = 0.234 units (29 px), centred.
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
    int frontLit = 0, highlight = 0, other = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Rgba8 p = PixelAt(pixels, kWidth, x, y);
            if (IsBackground(p)) {
                continue;
            }
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            // The front face faces +z; the light comes from (0, 2, 2): diffuse 0.8 cos 45
            // plus emission 0.1 gives 0.666 (170) in red and green, no blue; the specular
            // term there is 0.924^100, nothing.
            if (std::abs(p.r - 169.7) < 4 && std::abs(p.g - 169.7) < 4 && p.b < 4) {
                ++frontLit;
            } else if (p.r > 230 && p.g > 230 && p.b > 60) {
                ++highlight; // bevel faces turned to the half-way vector shine warm white
            } else {
                ++other;
            }
        }
    }
    EXPECT_NEAR(right - left + 1, 210, 4);
    EXPECT_NEAR(bottom - top + 1, 29, 3);
    EXPECT_NEAR((left + right) / 2.0, 299.5, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 249.5, 3);
    EXPECT_GT(frontLit, 1200);
    EXPECT_GT(highlight, 20);
    // Whatever is not background lies within the word's box; all of it is yellow-ish.
    EXPECT_GT(frontLit + highlight, other);
}

TEST_F(FigureDrawing, TurnedLikeTheAnimationShowsFrontAndWallsWithinTheView) {
    std::vector<Rgba8> pixels = DrawAt(0.6f, 40.0f, "figure_turned.png");
    int lit = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Rgba8 p = PixelAt(pixels, kWidth, x, y);
            if (!IsBackground(p)) {
                ++lit;
                // Turned 40 degrees the word still fits in a circle of 1.42 x 0.6 units.
                double dx = (x + 0.5 - 300) / 125.0, dy = (250 - y - 0.5) / 125.0;
                ASSERT_LE(std::hypot(dx, dy), 1.42 * 0.6 + 0.02) << x << "," << y;
                ASSERT_GE(p.r, p.b) << "not yellow at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(lit, 2000);
    // A large picture to look at the lettering's shape.
    DrawAt(1.6f, 12.0f, "figure_large.png");
}

TEST_F(FigureDrawing, CloseUpOfTheMiddleLettersShowsFrontFaceBevelAndHighlight) {
    // "rla" filling the window: the thin joins and tight curves are where a badly inset
    // front face would show.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, 0.3, -1.0 / 3, 1.0 / 3, -3.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    std::vector<Rgba8> pixels = DrawAt(1.0f, 0.0f, "figure_closeup.png");
    int front = 0, highlight = 0;
    for (const Rgba8& p : pixels) {
        front += std::abs(p.r - 169.7) < 4 && std::abs(p.g - 169.7) < 4 && p.b < 4 ? 1 : 0;
        highlight += p.r > 230 && p.g > 230 && p.b > 60 ? 1 : 0;
    }
    EXPECT_GT(front, 20000);
    EXPECT_GT(highlight, 500);
}

TEST_F(FigureDrawing, LeavesTheModelviewMatrixAndItsStackDepth) {
    glTranslatef(0.5f, -0.25f, 0.0f);
    glRotatef(30.0f, 0.4f, 0.0f, 1.0f);
    GLfloat before[16], after[16];
    GLint depthBefore = 0, depthAfter = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    DrawFigure();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(before[i], after[i]) << i;
    }
    EXPECT_EQ(depthBefore, depthAfter);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FigureDrawing, SetsItsWholeFrontMaterialOverAnotherAndLeavesTheBackAlone) {
    const GLfloat grey[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, grey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, grey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, grey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, grey);
    glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, 7);
    DrawFigure();
    ExpectMaterial(GL_FRONT, GL_DIFFUSE, 0.8f, 0.8f, 0.0f, 1.0f);
    ExpectMaterial(GL_FRONT, GL_SPECULAR, 1.0f, 1.0f, 0.7f, 1.0f);
    ExpectMaterial(GL_FRONT, GL_AMBIENT, 0.0f, 0.0f, 0.0f, 1.0f);
    ExpectMaterial(GL_FRONT, GL_EMISSION, 0.1f, 0.1f, 0.0f, 1.0f);
    GLint shininess = 0;
    glGetMaterialiv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 100);
    ExpectMaterial(GL_BACK, GL_DIFFUSE, 0.5f, 0.5f, 0.5f, 0.5f);
    ExpectMaterial(GL_BACK, GL_EMISSION, 0.5f, 0.5f, 0.5f, 0.5f);
    glGetMaterialiv(GL_BACK, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 7);
}

TEST_F(FigureDrawing, LeavesTheLastCornersNormalCurrent) {
    DrawFigure();
    GLfloat n[4] = {0, 0, 0, 0};
    glGetFloatv(GL_CURRENT_NORMAL, n);
    const float* last =
        FigureMesh::normals[FigureMesh::normalIndex[FigureMesh::triangleCount - 1][2]];
    EXPECT_EQ(n[0], last[0]);
    EXPECT_EQ(n[1], last[1]);
    EXPECT_EQ(n[2], last[2]);
}
