// Frames per second of the whole system: SceneMain on the virtual desktop, through the
// app kit, the toolkit, its loop and the buffer swap. The desktop's present hook times the
// run and ends it after a number of frames.
#include "system_frames.h"

#include <chrono>

#include "gl.h"
#include "scene.h"
#include "vdesk_control.h"

namespace {
int framesWanted = 0;
int framesSeen = 0;
std::chrono::steady_clock::time_point start;
double elapsed = 0.0;

void Presented(HWND window, int) {
    framesSeen++;
    // Timed from the end of the first frame (the lists compiled) until every later frame
    // has been drawn, not merely queued.
    if (framesSeen == 1) {
        glFinish();
        start = std::chrono::steady_clock::now();
    }
    if (framesSeen == framesWanted + 1) {
        glFinish();
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        VdeskClickClose(window);
    }
}
} // namespace

double SystemFramesPerSecond(int frames) {
    framesWanted = frames;
    VdeskReset();
    VdeskSetPresentHook(Presented);
    VdeskSetFrameCapture(0); // the desktop's copy of each frame is for tests only
    if (SceneMain(nullptr, "", 10) != 0 || elapsed <= 0.0) return 0.0;
    return frames / elapsed;
}
