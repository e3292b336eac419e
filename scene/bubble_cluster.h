// A bubble cluster: a translucent shell with three small colour-cycling spheres over it.
#pragma once

// Advances the three colour cyclers and draws the cluster at the origin of the current
// modelview matrix, which it leaves as it found it.
void DrawBubbleCluster(void);
