// The whole system on the virtual desktop with real OpenGL: start-up, frames, keys,
// closing and the buffer fallback. Allocation per frame is the soak's (bench/soak.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "appkit.h"
#include "gl.h"
#include "desk.h"
#include "offscreen_gl.h"
#include "frame.h"
#include "motion.h"
#include "random_digit.h"
#include "scene.h"
#include "view.h"
#include "toolkit.h"

namespace {

// What a hook saw, for checking after the loop has returned.
struct Seen {
    DisplayMode displayMode = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
    char title[64] = {};
    float clusterAngle = 0, figureAngle = 0;
    int32_t sceneWidth = 0, sceneHeight = 0;
    GLint viewport[4] = {};
    double projection[16] = {};
    GLfloat diffuse[4] = {}, specular[4] = {}, ambient[4] = {}, position[4] = {};
    GLboolean lighting = 0, light0 = 0, normalize = 0, blend = 0, cull = 0, depth = 0;
    GLint blendSrc = 0, blendDst = 0;
    GLfloat clearColor[4] = {};
};
Seen start;
int closeAtFrame = 1;
int escapeAtFrame = 0;
std::vector<Rgba8> frameA, frameB;
int frameWidth = 0, frameHeight = 0;

void RecordStartUp() {
    start.displayMode = windowState.displayMode;
    start.x = windowState.x;
    start.y = windowState.y;
    start.width = windowState.width;
    start.height = windowState.height;
    GetWindowTextA(windowState.window, start.title, sizeof start.title);
    start.clusterAngle = clusterAngle;
    start.figureAngle = figureAngle;
    start.sceneWidth = sceneWidth;
    start.sceneHeight = sceneHeight;
    glGetIntegerv(GL_VIEWPORT, start.viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, start.projection);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, start.diffuse);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, start.specular);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, start.ambient);
    glGetLightfv(GL_LIGHT0, GL_POSITION, start.position);
    start.lighting = glIsEnabled(GL_LIGHTING);
    start.light0 = glIsEnabled(GL_LIGHT0);
    start.normalize = glIsEnabled(GL_NORMALIZE);
    start.blend = glIsEnabled(GL_BLEND);
    start.cull = glIsEnabled(GL_CULL_FACE);
    start.depth = glIsEnabled(GL_DEPTH_TEST);
    glGetIntegerv(GL_BLEND_SRC, &start.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &start.blendDst);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, start.clearColor);
}

// The frame presented last, top row first.
std::vector<Rgba8> LastFrame() {
    const uint8_t* pixels = VdeskPresentedFrame(windowState.window, &frameWidth, &frameHeight);
    if (!pixels) return {};
    const Rgba8* first = reinterpret_cast<const Rgba8*>(pixels);
    return std::vector<Rgba8>(first, first + frameWidth * frameHeight);
}

void Hook(HWND, int frame) {
    if (frame == 1) RecordStartUp();
    if (frame == closeAtFrame - 1) frameA = LastFrame();
    if (frame == closeAtFrame) {
        frameB = LastFrame();
        VdeskClickClose(windowState.window);
    }
    if (frame == escapeAtFrame) VdeskPressKey(VK_ESCAPE);
}

int RunScene(int closeAt) {
    closeAtFrame = closeAt;
    SetRandomDigitState(20261208u); // a repeatable run
    VdeskSetPresentHook(Hook);
    return SceneMain(nullptr, "", 10);
}

void ExpectOrtho(const double* m, double l, double r, double b, double t, double n, double f) {
    const double e[16] = {2 / (r - l),
                          0,
                          0,
                          0,
                          0,
                          2 / (t - b),
                          0,
                          0,
                          0,
                          0,
                          -2 / (f - n),
                          0,
                          -(r + l) / (r - l),
                          -(t + b) / (t - b),
                          -(f + n) / (f - n),
                          1};
    for (int i = 0; i < 16; i++) EXPECT_NEAR(m[i], e[i], 1e-6) << "element " << i;
}

bool Near(Rgba8 p, int r, int g, int b, int tolerance) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
           std::abs(p.b - b) <= tolerance;
}

// The clear colour (0.3, 0.3, 0.7) in 8 bits.
const int clearR = 77, clearG = 77, clearB = 179;

} // namespace

TEST(SystemStart, TheWindowOpensAsAskedAndTheViewFitsIt) {
    ASSERT_EQ(RunScene(1), 0); // closing the window ends the loop and the entry with 0
    EXPECT_EQ(start.displayMode, 258u);
    // The outer corner 100, 100 becomes the client corner inside the frame and caption.
    EXPECT_EQ(start.x, 100 + GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(start.y, 100 + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) -
                           GetSystemMetrics(SM_CYBORDER));
    EXPECT_EQ(start.width, 600);
    EXPECT_EQ(start.height, 500);
    EXPECT_STREQ(start.title, "Vorlanth");
    // The reshape ran before the first frame, and exactly one frame step ran before the
    // first present.
    EXPECT_EQ(start.sceneWidth, 600);
    EXPECT_EQ(start.sceneHeight, 500);
    EXPECT_EQ(start.clusterAngle, 9.0f);
    EXPECT_EQ(start.figureAngle, 4.5f);
    EXPECT_EQ(start.viewport[2], 600);
    EXPECT_EQ(start.viewport[3], 500);
    const double a = 1.2f;
    ExpectOrtho(start.projection, -2 * a, 2 * a, -2, 2, -3, 3);
}

TEST(SystemStart, LightAndFixedStateAreAsTheSceneSetsThem) {
    ASSERT_EQ(RunScene(1), 0);
    const float white[4] = {1, 1, 1, 1}, grey[4] = {0.4f, 0.4f, 0.4f, 1}, from[4] = {0, 2, 2, 0};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(start.diffuse[i], white[i]);
        EXPECT_EQ(start.specular[i], white[i]);
        EXPECT_EQ(start.ambient[i], grey[i]);
        EXPECT_EQ(start.position[i], from[i]);
    }
    EXPECT_TRUE(start.lighting);
    EXPECT_TRUE(start.light0);
    EXPECT_TRUE(start.normalize);
    EXPECT_TRUE(start.blend);
    EXPECT_TRUE(start.cull);
    EXPECT_FALSE(start.depth);
    EXPECT_EQ(start.blendSrc, GL_SRC_ALPHA);
    EXPECT_EQ(start.blendDst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FLOAT_EQ(start.clearColor[0], 0.3f);
    EXPECT_FLOAT_EQ(start.clearColor[1], 0.3f);
    EXPECT_FLOAT_EQ(start.clearColor[2], 0.7f);
    EXPECT_FLOAT_EQ(start.clearColor[3], 0.0f);
    // The app kit's bindings: Escape alone.
    EXPECT_EQ(appKeyCount, 1);
    EXPECT_EQ(AppKeyTable[0].key, 27);
    EXPECT_EQ(AppKeyTable[0].action, &AppQuit);
}

TEST(SystemFrames, PresentedFramesShowBackgroundFigureAndTranslucentClusters) {
    const int last = 240;
    ASSERT_EQ(RunScene(last), 0);
    ASSERT_EQ(frameWidth, 600);
    ASSERT_EQ(frameHeight, 500);
    ASSERT_EQ(frameB.size(), 600u * 500u);
    if (const char* dir = std::getenv("VORLANTH_TEST_OUTPUT")) {
        WritePng(std::string(dir) + "/system_frame.png", frameB, 600, 500);
    }
    long background = 0, yellow = 0, other = 0;
    for (const Rgba8& p : frameB) {
        if (Near(p, clearR, clearG, clearB, 2)) {
            background++;
        } else if (p.r > 120 && p.g > 100 && p.b < 90) {
            yellow++;
        } else {
            other++;
        }
    }
    EXPECT_GT(background, 600 * 500 / 3) << "the clear colour fills most of the window";
    EXPECT_GT(other, 1000) << "the clusters";
    // Every object starts small and grows; by this frame the lettering, tilted as it
    // turns, covers about 400 pixels.
    EXPECT_GT(yellow, 250) << "the figure shows yellow";
    // Each cluster's shell covers its centre's disc; its pixels are blends, not the
    // background. The disc at 60% of the shell's radius is sampled at 8 points.
    for (int i = 0; i < CLUSTER_COUNT; i++) {
        const Mover& m = clusterMovers[i];
        const double px = 300.0 + m.x / 2.4 * 300.0, py = 250.0 - m.y / 2.0 * 250.0;
        const double radius = 0.6 * 0.74 * m.scale * 125.0; // 125 pixels per view unit
        int drawn = 0, inside = 0;
        for (int k = 0; k < 8; k++) {
            int sx = static_cast<int>(px + radius * std::cos(k * 0.785398));
            int sy = static_cast<int>(py + radius * std::sin(k * 0.785398));
            if (sx < 0 || sy < 0 || sx >= 600 || sy >= 500) continue;
            inside++;
            if (!Near(PixelAt(frameB, 600, sx, sy), clearR, clearG, clearB, 2)) drawn++;
        }
        EXPECT_EQ(drawn, inside) << "cluster " << i + 1;
    }
    // Successive frames differ: everything moves and turns.
    ASSERT_EQ(frameA.size(), frameB.size());
    long differing = 0;
    for (size_t i = 0; i < frameA.size(); i++) {
        if (!Near(frameA[i], frameB[i].r, frameB[i].g, frameB[i].b, 0)) differing++;
    }
    EXPECT_GT(differing, 100);
}

TEST(SystemKeys, EscapeEndsTheProcessWithCodeZeroFromInsideTheLoop) {
    EXPECT_EXIT(
        {
            escapeAtFrame = 3;
            RunScene(100000);
            // AppMainLoop never returns after Escape; reaching here is a failure.
            std::fprintf(stderr, "the loop returned\n");
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}
