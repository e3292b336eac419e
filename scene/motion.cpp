#include "motion.h"

#include "random_digit.h"
#include "view.h"

namespace {

const double positionStep = 0.01;
const double scaleStep = 0.0016666666666666668; // 1/600
const double edgeFraction = 1.8;                // 90 % of the half-view of 2
const double smallestScale = 0.2;
const double largestScale = 0.6;

// Moves one value by its velocity, computed in double and stored back as float.
void Advance(float* value, float velocity, int32_t direction, double step) {
    double moved = (direction == 0) ? *value + velocity * step : *value - velocity * step;
    *value = static_cast<float>(moved);
}

// Turns at or beyond either limit; the tests run on every step, not only on crossing.
void Bounce(float value, double low, double high, float* velocity, int32_t* direction) {
    if (value <= low) {
        *direction = 0;
        *velocity = static_cast<float>(RandomDigit());
    } else if (value >= high) {
        *direction = 1;
        *velocity = static_cast<float>(RandomDigit());
    }
}

} // namespace

Mover figureMover = {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0, 1, 0};

Mover clusterMovers[CLUSTER_COUNT] = {
    {0.0f, 0.0f, 0.0f, 3.0f, 1.0f, 6.0f, 1, 1, 0}, {0.0f, 0.0f, 0.0f, 2.0f, 4.0f, 3.0f, 0, 1, 1},
    {0.0f, 0.0f, 0.0f, 4.0f, 5.0f, 1.0f, 1, 0, 1}, {0.0f, 0.0f, 0.0f, 7.0f, 2.0f, 7.0f, 0, 1, 0},
    {0.0f, 0.0f, 0.0f, 8.0f, 9.0f, 4.0f, 1, 0, 1},
};

void StepMover(Mover* mover) {
    Advance(&mover->x, mover->velocityX, mover->directionX, positionStep);
    Advance(&mover->y, mover->velocityY, mover->directionY, positionStep);
    Advance(&mover->scale, mover->velocityScale, mover->directionScale, scaleStep);

    double bx = (sceneWidth < sceneHeight) ? 1.0 : static_cast<double>(sceneAspect);
    Bounce(mover->x, -edgeFraction * bx, edgeFraction * bx, &mover->velocityX, &mover->directionX);

    double by = (sceneWidth > sceneHeight) ? 1.0 : static_cast<double>(sceneAspect);
    Bounce(mover->y, -edgeFraction * by, edgeFraction * by, &mover->velocityY, &mover->directionY);

    Bounce(mover->scale, smallestScale, largestScale, &mover->velocityScale,
           &mover->directionScale);
}
