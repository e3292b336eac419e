#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "motion.h"
#include "random_digit.h"
#include "view.h"

namespace {

// A mover that only drifts along x; y and scale sit well inside their limits with
// no speed, so only the x axis ever draws a digit.
Mover AlongX(float x, int32_t direction, float velocity) {
    return Mover{x, 0.0f, 0.4f, velocity, 0.0f, 0.0f, direction, 0, 0};
}

Mover AlongY(float y, int32_t direction, float velocity) {
    return Mover{0.0f, y, 0.4f, 0.0f, velocity, 0.0f, 0, direction, 0};
}

} // namespace

TEST(SceneView, AspectIsTheLongerSideOverTheShorter) {
    EXPECT_EQ(SetSceneView(600, 500), 1);
    EXPECT_FLOAT_EQ(sceneAspect, 1.2f);
    SetSceneView(500, 600);
    EXPECT_FLOAT_EQ(sceneAspect, 1.2f);
    SetSceneView(400, 800);
    EXPECT_FLOAT_EQ(sceneAspect, 2.0f);
    SetSceneView(300, 300);
    EXPECT_FLOAT_EQ(sceneAspect, 1.0f);
}

TEST(SceneView, ZeroSizedWindowKeepsTheLastMeaningfulView) {
    SetSceneView(600, 500);
    EXPECT_EQ(SetSceneView(0, 500), 0);
    EXPECT_EQ(SetSceneView(600, 0), 0);
    EXPECT_EQ(SetSceneView(0, 0), 0);
    EXPECT_EQ(sceneWidth, 600);
    EXPECT_EQ(sceneHeight, 500);
    EXPECT_FLOAT_EQ(sceneAspect, 1.2f);
}

// Turning lines: 1.8 on both axes for a square window; for 600 x 500 x turns at
// 1.8 x 1.2 = 2.16 and y at 1.8; for 500 x 600 the other way round.
struct TurningCase {
    int width, height;
    double xLine, yLine;
};

class TurningLines : public ::testing::TestWithParam<TurningCase> {};

TEST_P(TurningLines, ObjectsTurnJustPastTheLineAndNotBefore) {
    TurningCase c = GetParam();
    SetSceneView(c.width, c.height);
    SetRandomDigitState(0); // next digits 8, 9, ...

    Mover inside = AlongX(static_cast<float>(c.xLine - 0.02), 0, 1.0f);
    StepMover(&inside); // ends 0.01 short of the line
    EXPECT_EQ(inside.directionX, 0);
    EXPECT_EQ(inside.velocityX, 1.0f);

    Mover past = AlongX(static_cast<float>(c.xLine), 0, 1.0f);
    StepMover(&past); // ends 0.01 beyond
    EXPECT_EQ(past.directionX, 1);
    EXPECT_EQ(past.velocityX, 8.0f);

    Mover left = AlongX(static_cast<float>(-c.xLine), 1, 1.0f);
    StepMover(&left);
    EXPECT_EQ(left.directionX, 0);
    EXPECT_EQ(left.velocityX, 9.0f);

    Mover below = AlongY(static_cast<float>(c.yLine - 0.02), 0, 1.0f);
    StepMover(&below);
    EXPECT_EQ(below.directionY, 0);

    Mover above = AlongY(static_cast<float>(c.yLine), 0, 1.0f);
    StepMover(&above);
    EXPECT_EQ(above.directionY, 1);

    Mover bottom = AlongY(static_cast<float>(-c.yLine), 1, 1.0f);
    StepMover(&bottom);
    EXPECT_EQ(bottom.directionY, 0);
}

INSTANTIATE_TEST_SUITE_P(Windows, TurningLines,
                         ::testing::Values(TurningCase{300, 300, 1.8, 1.8},
                                           TurningCase{600, 500, 2.16, 1.8},
                                           TurningCase{500, 600, 1.8, 2.16}),
                         [](const ::testing::TestParamInfo<TurningCase>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST(StepMover, TurnsBeyondAndExactlyOnTheUpperLimit) {
    SetSceneView(300, 300);
    SetRandomDigitState(0); // next digits 8, 9
    Mover mover = AlongX(1.85f, 0, 7.0f);
    StepMover(&mover);
    EXPECT_FLOAT_EQ(mover.x, 1.92f);
    EXPECT_EQ(mover.directionX, 1);
    EXPECT_EQ(mover.velocityX, 8.0f);
    // 500 x 400: aspect 1.25, and 1.8 x 1.25 is 2.25 exactly, in double as well.
    SetSceneView(500, 400);
    Mover resting = AlongX(2.25f, 0, 0.0f);
    StepMover(&resting);
    EXPECT_EQ(resting.x, 2.25f);
    EXPECT_EQ(resting.directionX, 1);
    EXPECT_EQ(resting.velocityX, 9.0f);
}

TEST(StepMover, ZeroDrawnAtALimitRestsThereAndDrawsAgainNextStep) {
    SetSceneView(300, 300);
    SetRandomDigitState(16); // next digits 0, 4
    Mover mover = AlongX(1.85f, 0, 7.0f);
    StepMover(&mover);
    EXPECT_EQ(mover.velocityX, 0.0f);
    float resting = mover.x;
    StepMover(&mover);
    EXPECT_EQ(mover.x, resting);
    EXPECT_EQ(mover.directionX, 1);
    EXPECT_EQ(mover.velocityX, 4.0f);
}

TEST(StepMover, ScaleStillAtOrBelowTheLowerLimitDrawsAgain) {
    SetSceneView(600, 500);
    SetRandomDigitState(0);
    Mover mover{0.0f, 0.0f, 0.1f, 0.0f, 0.0f, 6.0f, 0, 0, 0};
    StepMover(&mover);
    EXPECT_FLOAT_EQ(mover.scale, 0.11f); // 0.1 + 6 / 600
    EXPECT_EQ(mover.directionScale, 0);
    EXPECT_EQ(mover.velocityScale, 8.0f);
}

TEST(StepMover, UpperScaleLimitTurnsTheObject) {
    SetSceneView(600, 500);
    SetRandomDigitState(0);
    Mover mover{0.0f, 0.0f, 0.599f, 0.0f, 0.0f, 6.0f, 0, 0, 0};
    StepMover(&mover); // 0.609
    EXPECT_EQ(mover.directionScale, 1);
    EXPECT_EQ(mover.velocityScale, 8.0f);
}

TEST(StepMover, FirstStepOfAShrinkingMoverGoesNegativeAndTurns) {
    // Cluster 2 starts with directions 0, 1, 1 and velocities 2, 4, 3.
    SetSceneView(600, 500);
    SetRandomDigitState(0);
    Mover mover = clusterMovers[1];
    StepMover(&mover);
    EXPECT_FLOAT_EQ(mover.x, 0.02f);
    EXPECT_FLOAT_EQ(mover.y, -0.04f);
    EXPECT_FLOAT_EQ(mover.scale, -0.005f); // -3 / 600
    EXPECT_EQ(mover.directionScale, 0);
    EXPECT_EQ(mover.velocityScale, 8.0f);
}

TEST(StepMover, InitialMoversMatchTheirTable) {
    const float velocities[6][3] = {{1, 1, 1}, {3, 1, 6}, {2, 4, 3},
                                    {4, 5, 1}, {7, 2, 7}, {8, 9, 4}};
    const int directions[6][3] = {{0, 1, 0}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}, {0, 1, 0}, {1, 0, 1}};
    for (int i = 0; i < 6; ++i) {
        const Mover& m = (i == 0) ? figureMover : clusterMovers[i - 1];
        EXPECT_EQ(m.x, 0.0f);
        EXPECT_EQ(m.y, 0.0f);
        EXPECT_EQ(m.scale, 0.0f);
        EXPECT_EQ(m.velocityX, velocities[i][0]) << i;
        EXPECT_EQ(m.velocityY, velocities[i][1]) << i;
        EXPECT_EQ(m.velocityScale, velocities[i][2]) << i;
        EXPECT_EQ(m.directionX, directions[i][0]) << i;
        EXPECT_EQ(m.directionY, directions[i][1]) << i;
        EXPECT_EQ(m.directionScale, directions[i][2]) << i;
    }
}

TEST(StepMover, EachStepIsComputedInDoubleAndRoundedOnce) {
    // 0.4384f is 0.438400000333786; + 5 x 0.01 gives 0.488400000333786, whose nearest
    // float is 0.48840001. In float, 5 x 0.01f and the sum round on their own: 0.48839998.
    SetSceneView(600, 500);
    Mover mover = AlongX(0.4384f, 0, 5.0f);
    StepMover(&mover);
    EXPECT_EQ(mover.x, 0.48840001f);
}

// Before the first reshape the view is 0 x 0 and both limits on x are exactly 0:
// an object standing on 0 is on the limit and must turn (the tests use <= and >=).
TEST(StepMover, ObjectStandingExactlyOnALimitTurns) {
    SetRandomDigitState(0);
    Mover mover{0.0f, 0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 1, 1, 0};
    StepMover(&mover);
    EXPECT_EQ(mover.directionX, 0);
    EXPECT_EQ(mover.velocityX, 8.0f);
    EXPECT_EQ(mover.directionY, 0);
    EXPECT_EQ(mover.velocityY, 9.0f);
}

// Over a long run with the real generator every object stays within one step of
// its limits, whatever sizes the window goes through, zero-sized ones included.
TEST(StepMover, LongRunStaysWithinOneStepOfTheLimits) {
    struct Size {
        int width, height;
    };
    const Size sizes[] = {{600, 500}, {0, 500}, {500, 600}, {600, 0},
                          {300, 300}, {0, 0},   {800, 400}, {400, 800}};
    const double eps = 1e-5;
    Mover movers[6] = {figureMover,      clusterMovers[0], clusterMovers[1],
                       clusterMovers[2], clusterMovers[3], clusterMovers[4]};
    for (const Size& size : sizes) {
        SetSceneView(size.width, size.height);
        double bx = (sceneWidth < sceneHeight) ? 1.0 : sceneAspect;
        double by = (sceneWidth > sceneHeight) ? 1.0 : sceneAspect;
        for (int step = 0; step < 125000; ++step) {
            for (Mover& m : movers) {
                StepMover(&m);
                ASSERT_TRUE(std::isfinite(m.x) && std::isfinite(m.y) && std::isfinite(m.scale));
                if (step < 1000) {
                    continue; // objects left outside by a smaller window come back first
                }
                ASSERT_LE(std::fabs(m.x), 1.8 * bx + 0.09 + eps);
                ASSERT_LE(std::fabs(m.y), 1.8 * by + 0.09 + eps);
                ASSERT_GE(m.scale, 0.2 - 0.015 - eps);
                ASSERT_LE(m.scale, 0.6 + 0.015 + eps);
            }
        }
    }
}
