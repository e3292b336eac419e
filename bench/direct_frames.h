// Frames per second of the scene's drawing issued directly, without the window layers.
#pragma once

double DirectFramesPerSecond(int frames);
