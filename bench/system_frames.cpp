// Frames per second of the whole system: SceneMain on the virtual desktop, through the
// app kit, the toolkit, its loop and the buffer swap. The toolkit's swap is wrapped at
// link time (see CMakeLists.txt) so that the run can be timed and ended after a number
// of frames; the real swap still runs.
#include "system_frames.h"

#include <chrono>

#include "scene/scene.h"
#include "toolkit/toolkit.h"
#include "vdesk_control.h"

namespace {
int framesWanted = 0;
int framesSeen = 0;
std::chrono::steady_clock::time_point start;
double elapsed = 0.0;
} // namespace

extern "C" int32_t __real__Z13WtSwapBuffersv(void);

extern "C" int32_t __wrap__Z13WtSwapBuffersv(void) {
    int32_t result = __real__Z13WtSwapBuffersv();
    framesSeen++;
    if (framesSeen == 1) start = std::chrono::steady_clock::now(); // lists compiled
    if (framesSeen == framesWanted + 1) {
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        VdeskClickClose(windowState.window);
    }
    return result;
}

double SystemFramesPerSecond(int frames) {
    framesWanted = frames;
    VdeskReset();
    VdeskSetFrameCapture(0); // the desktop's copy of each frame is for tests only
    if (SceneMain(nullptr, "", 10) != 0 || elapsed <= 0.0) return 0.0;
    return frames / elapsed;
}
