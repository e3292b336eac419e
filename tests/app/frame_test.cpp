// The frame step on a real OpenGL context: the spin angles and speed, and that it
// presents once per call and leaves the matrix stack as it found it. The whole system
// on the virtual desktop is covered by the app tests; here the test takes the place of
// the window and counts what the frame step hands to it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "appkit.h"
#include "gl.h"
#include "shape_cache.h"
#include "allocation_count.h"
#include "offscreen_gl.h"
#include "scene_state.h"
#include "frame.h"
#include "random_digit.h"
#include "scene.h"

namespace {
int presents = 0;
} // namespace

int32_t AppSwapBuffers(void) {
    presents++;
    return 1;
}

namespace {

class FrameStep : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(OffscreenGlCreate(&gl, 600, 500, &error)) << error;
        SceneReshape(600, 500);
        SetRandomDigitState(12345);
    }
    void TearDown() override { OffscreenGlDestroy(&gl); }
    OffscreenGl gl;
};

// The first digit the generator yields from a state, worked out from its formula.
int FirstDigitFrom(uint32_t state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF) % 10;
}

} // namespace

TEST_F(FrameStep, FirstCallTurnsClustersBySevenAndTheFigureByHalf) {
    EXPECT_EQ(clusterAngle, 2.0f);
    EXPECT_EQ(figureAngle, 1.0f);
    EXPECT_EQ(spinSpeed, 7.0f);
    DrawFrame();
    EXPECT_EQ(clusterAngle, 9.0f);
    EXPECT_EQ(figureAngle, 4.5f);
    EXPECT_EQ(spinSpeed, 7.0f);
    EXPECT_EQ(presents, 1);
    DrawFrame();
    EXPECT_EQ(clusterAngle, 16.0f);
    EXPECT_EQ(figureAngle, 8.0f);
    EXPECT_EQ(presents, 2);
}

TEST_F(FrameStep, ClusterWrapDrawsAFreshSpeedThatTheFigureUsesAtOnce) {
    // State 0: 0 * 214013 + 2531011 = 0x00269EC3, r = 0x26 = 38, digit 8, speed 11.
    ASSERT_EQ(FirstDigitFrom(0), 8);
    clusterAngle = 359.0f;
    figureAngle = 10.0f;
    SetRandomDigitState(0);
    DrawFrame();
    EXPECT_EQ(clusterAngle, 6.0f);
    EXPECT_EQ(spinSpeed, 11.0f);
    EXPECT_EQ(figureAngle, 15.5f);
    // State 1: 2745024 = 0x0029E2C0, r = 0x29 = 41, digit 1, speed 4.
    ASSERT_EQ(FirstDigitFrom(1), 1);
    clusterAngle = 356.0f; // + 11 = 367 -> 7
    SetRandomDigitState(1);
    DrawFrame();
    EXPECT_EQ(clusterAngle, 7.0f);
    EXPECT_EQ(spinSpeed, 4.0f);
    EXPECT_EQ(figureAngle, 17.5f);
}

TEST_F(FrameStep, ExactlyThreeSixtyWrapsAndJustBelowDoesNot) {
    clusterAngle = 352.0f; // + 7 = 359: no wrap, no draw
    DrawFrame();
    EXPECT_EQ(clusterAngle, 359.0f);
    EXPECT_EQ(spinSpeed, 7.0f);
    clusterAngle = 353.0f; // + 7 = 360: wraps to 0
    SetRandomDigitState(0);
    DrawFrame();
    EXPECT_EQ(clusterAngle, 0.0f);
    EXPECT_EQ(spinSpeed, 11.0f);
}

TEST_F(FrameStep, TheWrapIsComputedInDoubleAndRoundedOnce) {
    // 353 + 7.00001f = 360.0000100135803 less 360 leaves 84 x 2^-23 = 1.00135803e-5. In
    // float the sum rounds to 360 (its steps are 2^-15 there) and leaves 0.
    clusterAngle = 353.0f;
    spinSpeed = 7.00001f;
    SetRandomDigitState(0);
    DrawFrame();
    EXPECT_EQ(clusterAngle, 1.00135803e-5f);
}

TEST_F(FrameStep, FigureWrapsOnItsOwnWithoutTouchingTheSpeed) {
    figureAngle = 358.0f; // + 3.5 = 361.5 -> 1.5
    DrawFrame();
    EXPECT_EQ(figureAngle, 1.5f);
    EXPECT_EQ(clusterAngle, 9.0f);
    EXPECT_EQ(spinSpeed, 7.0f);
}

TEST_F(FrameStep, LeavesTheModelviewMatrixAndStackAsItFoundThem) {
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    for (int i = 0; i < 3; i++) DrawFrame();
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, depthBefore);
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; i++) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0 : 0.0) << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(presents, 3);
}

TEST_F(FrameStep, AThousandFramesAfterTheFirstAllocateNothing) {
    // What is counted does not depend on the size: a 25th of the pixels keeps the renderer's
    // share small, at the scene's aspect.
    OffscreenGlDestroy(&gl);
    std::string error;
    ASSERT_TRUE(OffscreenGlCreate(&gl, 120, 100, &error)) << error;
    SceneReshape(120, 100);
    DrawFrame();
    int nodes = 0;
    for (ShapeNode* n = ShapeCache[SHAPE_SOLID_SPHERE]; n; n = n->next) nodes++;
    EXPECT_EQ(nodes, 4) << "the four radii are compiled in the first frame";
    const long before = AllocationCount();
    for (int i = 0; i < 1000; i++) DrawFrame();
    EXPECT_EQ(AllocationCount() - before, 0);
    nodes = 0;
    for (ShapeNode* n = ShapeCache[SHAPE_SOLID_SPHERE]; n; n = n->next) nodes++;
    EXPECT_EQ(nodes, 4);
}

TEST_F(FrameStep, DrawsTheFigureAndClustersOverTheClearColour) {
    UseSceneState();
    for (int i = 0; i < 240; i++) DrawFrame();
    std::vector<Rgba8> pixels = OffscreenGlReadPixels(&gl);
    if (const char* dir = std::getenv("VORLANTH_TEST_OUTPUT")) {
        std::vector<Rgba8> opaque = pixels; // the clear colour has alpha 0
        for (Rgba8& p : opaque) p.a = 255;
        WritePng(std::string(dir) + "/frame_240.png", opaque, 600, 500);
    }
    long background = 0, yellow = 0, other = 0;
    for (const Rgba8& p : pixels) {
        // (0.3, 0.3, 0.7) in 8 bits is (77, 77, 179).
        if (std::abs(p.r - 77) <= 1 && std::abs(p.g - 77) <= 1 && std::abs(p.b - 179) <= 1) {
            background++;
        } else if (p.r > 120 && p.g > 100 && p.b < 90) {
            yellow++;
        } else {
            other++;
        }
    }
    EXPECT_GT(background, 600L * 500 / 3);
    EXPECT_GT(yellow, 300);
    EXPECT_GT(other, 1000);
    // The next frame differs: everything moves and turns.
    DrawFrame();
    std::vector<Rgba8> next = OffscreenGlReadPixels(&gl);
    long differing = 0;
    for (size_t i = 0; i < pixels.size(); i++) {
        differing +=
            pixels[i].r != next[i].r || pixels[i].g != next[i].g || pixels[i].b != next[i].b;
    }
    EXPECT_GT(differing, 100);
}
