// The frame step: turns the spin angles, moves and draws every object, presents.
#pragma once

// Degrees; updated in double and stored back as floats.
extern float clusterAngle; // rotation angle of all five clusters
extern float figureAngle;  // rotation angle of the figure
extern float spinSpeed;    // added to the cluster angle per step; the figure turns at half

void DrawFrame(void);
