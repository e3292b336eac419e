// The scene's view state: the window's last meaningful size and its aspect, written by
// the reshape handler and read by the motion limits.
#pragma once

#include <cstdint>

extern int32_t sceneWidth;
extern int32_t sceneHeight;
extern float sceneAspect; // longer side over shorter side

// Records a new window size and its aspect. A zero or negative width or height (a
// minimised window) is ignored, so the motion keeps the last meaningful aspect;
// returns 1 when the size was recorded, 0 when it was ignored.
int32_t SetSceneView(int32_t width, int32_t height);
