#include "color_cycle.h"

#include "random_digit.h"

namespace {

enum { R = 0, G = 1, B = 2 };

const double stepPerDigit = 0.00125;

// Channel `up` rises by the step and `down` falls by it; the glow moves by half.
void Ramp(ColorCycler* cycler, int up, int down, double step) {
    cycler->color[up] = static_cast<float>(cycler->color[up] + step);
    cycler->glow[up] = static_cast<float>(cycler->glow[up] + step * 0.5);
    cycler->color[down] = static_cast<float>(cycler->color[down] - step);
    cycler->glow[down] = static_cast<float>(cycler->glow[down] - step * 0.5);
}

} // namespace

ColorCycler cyclerA = {2, {1.0f, 1.0f, 0.0f, 0.9f}, {0.5f, 0.5f, 0.0f, 1.0f}};
ColorCycler cyclerB = {1, {0.0f, 1.0f, 1.0f, 0.9f}, {0.0f, 0.5f, 0.5f, 1.0f}};
ColorCycler cyclerC = {0, {1.0f, 0.0f, 1.0f, 0.9f}, {0.5f, 0.0f, 0.5f, 1.0f}};
float colorStep = 0.001f;

void CycleColor(ColorCycler* cycler) {
    double step = colorStep;
    switch (cycler->phase) {
    case 0:
        Ramp(cycler, R, B, step);
        break;
    case 1:
        Ramp(cycler, G, R, step);
        break;
    case 2:
        Ramp(cycler, B, G, step);
        break;
    default:
        break;
    }
    // Always in r, g, b order, whatever the phase.
    if (cycler->color[R] > 1.0) {
        cycler->phase = 1;
    } else if (cycler->color[G] > 1.0) {
        cycler->phase = 2;
    } else if (cycler->color[B] > 1.0) {
        cycler->phase = 0;
    } else {
        return;
    }
    colorStep = static_cast<float>(RandomDigit() * stepPerDigit);
}
