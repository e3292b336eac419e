// Frames per second of the whole system on the virtual desktop.
#pragma once

double SystemFramesPerSecond(int frames);
