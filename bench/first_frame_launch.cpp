// Starts a program for bench/first_frame.sh with the clock already read: notes the moment
// in VORLANTH_FIRST_FRAME_START (nanoseconds, monotonic clock), preloads the marker and
// replaces itself with the program, so that loading the program counts too. Usage:
//   first_frame_launch MARKER LOG PROGRAM [ARGS...]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: first_frame_launch MARKER LOG PROGRAM [ARGS...]\n");
        return 2;
    }
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    std::string start = std::to_string(static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
    setenv("VORLANTH_FIRST_FRAME_START", start.c_str(), 1);
    setenv("VORLANTH_FIRST_FRAME_LOG", argv[2], 1);
    setenv("LD_PRELOAD", argv[1], 1);
    execv(argv[3], argv + 3);
    std::perror(argv[3]);
    return 127;
}
