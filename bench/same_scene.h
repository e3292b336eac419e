// The scene's own drawing with nothing of the system around it, for the same-scene programs
// of bench/first_frame.sh: the OpenGL state the scene's start sets, its view at a size, and
// its frame step, with spheres compiled into display lists once per radius as the app kit
// does and presented through the caller's swap.
#pragma once

#include <cstdint>

void SameSceneStart(int width, int height, int32_t (*swap)(void));
// One frame of the animation, presented.
void SameSceneFrame(void);
