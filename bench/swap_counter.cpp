// Preloaded into the vorlanth program by bench/desktop_frame_rate.sh: counts the frames it
// presents through GLX or EGL. After a warm-up it counts for a fixed time, writes
// "<frames> <seconds> <processor seconds>" to the file VORLANTH_SWAP_LOG names and ends the
// program.
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double warmUp = 2.0, span = 10.0;
double start = -1.0, startCpu = 0.0;
long frames = 0;

double Now(void) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// User and system time of all the process's threads (the renderer's included).
double Cpu(void) {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

void Presented(void) {
    static double first = Now();
    double now = Now();
    if (start < 0.0) {
        if (const char* s = std::getenv("VORLANTH_SWAP_SECONDS")) {
            span = std::atof(s);
        }
        if (now - first < warmUp) {
            return;
        }
        start = now;
        startCpu = Cpu();
        return;
    }
    ++frames;
    if (now - start >= span) {
        const char* path = std::getenv("VORLANTH_SWAP_LOG");
        if (FILE* log = std::fopen(path != nullptr ? path : "/dev/stderr", "w")) {
            std::fprintf(log, "%ld %.3f %.3f\n", frames, now - start, Cpu() - startCpu);
            std::fclose(log);
        }
        _exit(0);
    }
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
