// Colour cycling of the small spheres: each cycler ramps one channel up and another
// down, moving on round the hue circle red -> green -> blue.
#pragma once

#include <cstdint>

struct ColorCycler {
    int32_t phase;  // 0, 1 or 2: which pair of channels is ramping
    float color[4]; // diffuse r, g, b, a; a never changes
    float glow[4];  // emission, moving at half the colour's rate
};

extern ColorCycler cyclerA;
extern ColorCycler cyclerB;
extern ColorCycler cyclerC;
extern float colorStep; // shared by all three cyclers

void CycleColor(ColorCycler* cycler);
