// The whole system on the virtual desktop with real OpenGL: start-up, frames, keys,
// closing, the buffer fallback and allocation per frame.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "appkit.h"
#include "gl.h"
#include "shape_cache.h"
#include "desk_driver.h"
#include "allocation_count.h"
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
Seen seen;
int closeAtFrame = 1;
int escapeAtFrame = 0;
bool captureFrames = true;
std::vector<Rgba8> frameA, frameB;
int frameWidth = 0, frameHeight = 0;
long newAtFirst = 0, newAtLast = 0, localAtFirst = 0, localAtLast = 0;
int nodesAtFirst = 0, nodesAtLast = 0;

int SphereNodes() {
    int n = 0;
    for (ShapeNode* node = ShapeCache[SHAPE_SOLID_SPHERE]; node; node = node->next) n++;
    return n;
}

void RecordStartUp() {
    seen.displayMode = windowState.displayMode;
    seen.x = windowState.x;
    seen.y = windowState.y;
    seen.width = windowState.width;
    seen.height = windowState.height;
    GetWindowTextA(windowState.window, seen.title, sizeof seen.title);
    seen.clusterAngle = clusterAngle;
    seen.figureAngle = figureAngle;
    seen.sceneWidth = sceneWidth;
    seen.sceneHeight = sceneHeight;
    glGetIntegerv(GL_VIEWPORT, seen.viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, seen.projection);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, seen.diffuse);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, seen.specular);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, seen.ambient);
    glGetLightfv(GL_LIGHT0, GL_POSITION, seen.position);
    seen.lighting = glIsEnabled(GL_LIGHTING);
    seen.light0 = glIsEnabled(GL_LIGHT0);
    seen.normalize = glIsEnabled(GL_NORMALIZE);
    seen.blend = glIsEnabled(GL_BLEND);
    seen.cull = glIsEnabled(GL_CULL_FACE);
    seen.depth = glIsEnabled(GL_DEPTH_TEST);
    glGetIntegerv(GL_BLEND_SRC, &seen.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &seen.blendDst);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, seen.clearColor);
}

void Hook(int frame) {
    if (frame == 1) {
        RecordStartUp();
        newAtFirst = AllocationCount();
        localAtFirst = DeskLocalAllocCount();
        nodesAtFirst = SphereNodes();
    }
    if (captureFrames && frame == closeAtFrame - 1)
        frameA = DeskLastFrame(&frameWidth, &frameHeight);
    if (frame == closeAtFrame) {
        if (captureFrames) frameB = DeskLastFrame(&frameWidth, &frameHeight);
        newAtLast = AllocationCount();
        localAtLast = DeskLocalAllocCount();
        nodesAtLast = SphereNodes();
        DeskClickClose(windowState.window);
    }
    if (frame == escapeAtFrame) DeskPressKey(VK_ESCAPE, false, false);
}

int RunScene(int closeAt) {
    closeAtFrame = closeAt;
    SetRandomDigitState(20261208u); // a repeatable run
    DeskStart(Hook);
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
    EXPECT_EQ(seen.displayMode, 258u);
    // The outer corner 100, 100 becomes the client corner inside the frame and caption.
    EXPECT_EQ(seen.x, 100 + GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(seen.y, 100 + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) -
                          GetSystemMetrics(SM_CYBORDER));
    EXPECT_EQ(seen.width, 600);
    EXPECT_EQ(seen.height, 500);
    EXPECT_STREQ(seen.title, "Vorlanth");
    // The reshape ran before the first frame, and exactly one frame step ran before the
    // first present.
    EXPECT_EQ(seen.sceneWidth, 600);
    EXPECT_EQ(seen.sceneHeight, 500);
    EXPECT_EQ(seen.clusterAngle, 9.0f);
    EXPECT_EQ(seen.figureAngle, 4.5f);
    EXPECT_EQ(seen.viewport[2], 600);
    EXPECT_EQ(seen.viewport[3], 500);
    const double a = 1.2f;
    ExpectOrtho(seen.projection, -2 * a, 2 * a, -2, 2, -3, 3);
}

TEST(SystemStart, LightAndFixedStateAreAsTheSceneSetsThem) {
    ASSERT_EQ(RunScene(1), 0);
    const float white[4] = {1, 1, 1, 1}, grey[4] = {0.4f, 0.4f, 0.4f, 1}, from[4] = {0, 2, 2, 0};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(seen.diffuse[i], white[i]);
        EXPECT_EQ(seen.specular[i], white[i]);
        EXPECT_EQ(seen.ambient[i], grey[i]);
        EXPECT_EQ(seen.position[i], from[i]);
    }
    EXPECT_TRUE(seen.lighting);
    EXPECT_TRUE(seen.light0);
    EXPECT_TRUE(seen.normalize);
    EXPECT_TRUE(seen.blend);
    EXPECT_TRUE(seen.cull);
    EXPECT_FALSE(seen.depth);
    EXPECT_EQ(seen.blendSrc, GL_SRC_ALPHA);
    EXPECT_EQ(seen.blendDst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FLOAT_EQ(seen.clearColor[0], 0.3f);
    EXPECT_FLOAT_EQ(seen.clearColor[1], 0.3f);
    EXPECT_FLOAT_EQ(seen.clearColor[2], 0.7f);
    EXPECT_FLOAT_EQ(seen.clearColor[3], 0.0f);
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

TEST(SystemFrames, AThousandFramesAfterTheFirstAllocateNothing) {
    captureFrames = false;
    closeAtFrame = 1001;
    SetRandomDigitState(20261208u);
    DeskStart(Hook);
    DeskSetFrameCapture(false); // the desktop's own copy of each frame is not ours
    ASSERT_EQ(SceneMain(nullptr, "", 10), 0);
    EXPECT_EQ(nodesAtFirst, 4) << "the four sphere radii are compiled in the first frame";
    EXPECT_EQ(nodesAtLast, 4);
    EXPECT_EQ(newAtLast - newAtFirst, 0) << "operator new during 1000 frames";
    EXPECT_EQ(localAtLast - localAtFirst, 0) << "LocalAlloc during 1000 frames";
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
