// Drifting objects: each moves at a constant speed along x, y and in scale, and turns
// with a fresh random speed whenever it reaches a limit on one of those axes.
#pragma once

#include <cstdint>

struct Mover {
    float x; // centre, view units
    float y;
    float scale; // uniform scale, the third axis of the motion
    float velocityX;
    float velocityY;
    float velocityScale;
    int32_t directionX; // 0: the value increases, 1: it decreases
    int32_t directionY;
    int32_t directionScale;
};

enum : int32_t { CLUSTER_COUNT = 5 };

extern Mover figureMover;
extern Mover clusterMovers[CLUSTER_COUNT];

// Advances the mover by one step and bounces it off the view's limits.
void StepMover(Mover* mover);
