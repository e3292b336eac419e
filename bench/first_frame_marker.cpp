// Preloaded into a program by bench/first_frame_launch: when the first buffer swap through
// GLX or EGL returns, writes the milliseconds since VORLANTH_FIRST_FRAME_START to the file
// VORLANTH_FIRST_FRAME_LOG names and ends the program.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

void Presented(void) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    long long now = static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    const char* start = std::getenv("VORLANTH_FIRST_FRAME_START");
    const char* path = std::getenv("VORLANTH_FIRST_FRAME_LOG");
    if (start != nullptr && path != nullptr) {
        if (FILE* log = std::fopen(path, "w")) {
            std::fprintf(log, "%.2f\n", static_cast<double>(now - std::atoll(start)) / 1e6);
            std::fclose(log);
        }
    }
    _exit(0);
}

template <typename Function> Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" void glXSwapBuffers(void* display, unsigned long drawable) {
    static auto next = Next<void (*)(void*, unsigned long)>("glXSwapBuffers");
    next(display, drawable);
    Presented();
}

extern "C" unsigned eglSwapBuffers(void* display, void* surface) {
    static auto next = Next<unsigned (*)(void*, void*)>("eglSwapBuffers");
    unsigned done = next(display, surface);
    Presented();
    return done;
}
