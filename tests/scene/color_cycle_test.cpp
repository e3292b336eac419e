#include <cmath>

#include <gtest/gtest.h>

#include "color_cycle.h"
#include "random_digit.h"

namespace {

ColorCycler Cycler(int32_t phase, float r, float g, float b) {
    return ColorCycler{phase, {r, g, b, 0.9f}, {r * 0.5f, g * 0.5f, b * 0.5f, 1.0f}};
}

} // namespace

TEST(CycleColor, InitialCyclersMatchTheirTable) {
    EXPECT_EQ(cyclerA.phase, 2);
    EXPECT_EQ(cyclerB.phase, 1);
    EXPECT_EQ(cyclerC.phase, 0);
    const float a[] = {1.0f, 1.0f, 0.0f, 0.9f}, ag[] = {0.5f, 0.5f, 0.0f, 1.0f};
    const float b[] = {0.0f, 1.0f, 1.0f, 0.9f}, bg[] = {0.0f, 0.5f, 0.5f, 1.0f};
    const float c[] = {1.0f, 0.0f, 1.0f, 0.9f}, cg[] = {0.5f, 0.0f, 0.5f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cyclerA.color[i], a[i]);
        EXPECT_EQ(cyclerA.glow[i], ag[i]);
        EXPECT_EQ(cyclerB.color[i], b[i]);
        EXPECT_EQ(cyclerB.glow[i], bg[i]);
        EXPECT_EQ(cyclerC.color[i], c[i]);
        EXPECT_EQ(cyclerC.glow[i], cg[i]);
    }
    EXPECT_EQ(colorStep, 0.001f);
}

TEST(CycleColor, RedPassingOneMovesOnAndRedrawsTheStep) {
    SetRandomDigitState(0); // next digit 8: step 8 x 0.00125 = 0.01
    ColorCycler cycler = Cycler(0, 0.999f, 0.3f, 0.001f);
    colorStep = 0.002f;
    CycleColor(&cycler);
    EXPECT_NEAR(cycler.color[0], 1.001f, 1e-6);
    EXPECT_FLOAT_EQ(cycler.color[1], 0.3f);
    EXPECT_NEAR(cycler.color[2], -0.001f, 1e-6);
    EXPECT_EQ(cycler.phase, 1);
    EXPECT_FLOAT_EQ(colorStep, 0.01f);
}

TEST(CycleColor, ZeroStepDoesNotFreezeTheCyclers) {
    SetRandomDigitState(16); // next digits 0, 4
    ColorCycler cycler = Cycler(0, 1.004f, 0.3f, 0.0f);
    colorStep = 0.001f;
    CycleColor(&cycler); // red 1.005: phase 1, step drawn as 0
    EXPECT_EQ(cycler.phase, 1);
    EXPECT_EQ(colorStep, 0.0f);
    ColorCycler before = cycler;
    CycleColor(&cycler); // nothing moves, red still above 1: phase 1 again, step drawn again
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cycler.color[i], before.color[i]);
        EXPECT_EQ(cycler.glow[i], before.glow[i]);
    }
    EXPECT_EQ(cycler.phase, 1);
    EXPECT_FLOAT_EQ(colorStep, 0.005f);
}

TEST(CycleColor, PhaseOutsideTheCycleRampsNothingButStillTests) {
    SetRandomDigitState(0);
    ColorCycler cycler = Cycler(7, 0.5f, 1.2f, 0.1f);
    colorStep = 0.001f;
    CycleColor(&cycler);
    EXPECT_EQ(cycler.color[0], 0.5f);
    EXPECT_EQ(cycler.color[1], 1.2f);
    EXPECT_EQ(cycler.color[2], 0.1f);
    EXPECT_EQ(cycler.phase, 2);
    EXPECT_FLOAT_EQ(colorStep, 0.01f);

    ColorCycler quiet = Cycler(-1, 0.5f, 0.5f, 0.5f);
    colorStep = 0.001f;
    CycleColor(&quiet);
    EXPECT_EQ(quiet.phase, -1);
    EXPECT_EQ(colorStep, 0.001f);
}

// The tests run in r, g, b order whatever the phase: a cycler raising blue while red
// is above 1 moves to phase 1 (red's test), not to phase 0 (blue's).
TEST(CycleColor, TestsRunInRgbOrderNotPhaseOrder) {
    SetRandomDigitState(0);
    ColorCycler cycler = Cycler(2, 1.01f, 0.5f, 1.01f);
    colorStep = 0.001f;
    CycleColor(&cycler);
    EXPECT_EQ(cycler.phase, 1);
}

TEST(CycleColor, CyclerATurnsTwiceInARowAtTheStart) {
    SetRandomDigitState(0); // step draws: 8 (0.01), then 9 (0.01125)
    int calls = 0;
    while (cyclerA.phase == 2 && calls < 2000) {
        CycleColor(&cyclerA);
        ++calls;
    }
    ASSERT_EQ(cyclerA.phase, 0); // blue passed 1 after about a thousand calls of 0.001
    EXPECT_GT(calls, 990);
    EXPECT_LT(calls, 1010);
    EXPECT_GT(cyclerA.color[2], 1.0f);
    EXPECT_LT(cyclerA.color[2], 1.0f + 0.001f + 1e-5f);
    EXPECT_FLOAT_EQ(colorStep, 0.01f);
    CycleColor(&cyclerA); // red, already 1, passes it at once
    EXPECT_EQ(cyclerA.phase, 1);
    EXPECT_FLOAT_EQ(cyclerA.color[0], 1.01f);
    // 9 x 0.00125 rounded once to a float; a float product would end two bits lower.
    EXPECT_EQ(colorStep, 0.01125f);
}

TEST(CycleColor, AlphaNeverChangesAndGlowStaysHalfTheColour) {
    SetRandomDigitState(4242);
    ColorCycler* cyclers[] = {&cyclerA, &cyclerB, &cyclerC};
    int turns[3] = {};
    for (int i = 0; i < 200000; ++i) {
        for (int k = 0; k < 3; ++k) {
            int32_t phase = cyclers[k]->phase;
            CycleColor(cyclers[k]);
            turns[k] += (cyclers[k]->phase != phase);
        }
    }
    for (int k = 0; k < 3; ++k) {
        const ColorCycler& c = *cyclers[k];
        EXPECT_EQ(c.color[3], 0.9f);
        EXPECT_EQ(c.glow[3], 1.0f);
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_NEAR(c.glow[ch], c.color[ch] * 0.5, 1e-3);
            EXPECT_GT(c.color[ch], -0.012); // a falling channel dips at most one step below 0
            EXPECT_LT(c.color[ch], 1.012);
        }
        EXPECT_GT(turns[k], 10); // the colours keep walking round the circle
    }
}
