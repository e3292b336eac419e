// Prints the frame rate of the whole system on the virtual desktop at 600 x 500 beside
// the same drawing issued directly, and their ratio. Each half runs in a process of its
// own: both keep module-level state (movers, cached display lists) for their one context.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "direct_frames.h"
#include "system_frames.h"

namespace {

double RunInChild(double (*measure)(int), int frames) {
    int fds[2];
    if (pipe(fds) != 0) return 0.0;
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        double fps = measure(frames);
        ssize_t written = write(fds[1], &fps, sizeof fps);
        _exit(written == sizeof fps ? 0 : 1);
    }
    close(fds[1]);
    double fps = 0.0;
    if (child < 0 || read(fds[0], &fps, sizeof fps) != sizeof fps) fps = 0.0;
    close(fds[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return fps;
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 500;
    if (frames <= 0) frames = 500;
    double direct = RunInChild(DirectFramesPerSecond, frames);
    double system = RunInChild(SystemFramesPerSecond, frames);
    std::printf("frames per second at 600 x 500 over %d frames\n", frames);
    std::printf("  whole system on the virtual desktop: %10.1f\n", system);
    std::printf("  the same drawing issued directly:    %10.1f\n", direct);
    if (direct > 0.0 && system > 0.0) {
        std::printf("  ratio system / direct:               %10.3f\n", system / direct);
        return 0;
    }
    std::printf("  ratio: not available (a half failed to run)\n");
    return 1;
}
