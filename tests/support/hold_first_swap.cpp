// Preloaded into a program by the desktop checks to see its window before the first frame:
// the first buffer swap through GLX or EGL creates the file VORLANTH_HOLD_SWAP names with
// ".held" appended, and waits (up to 60 s) for the file with ".go" appended before it swaps.
// VORLANTH_HOLD_LOAD holds the first question about GLX configurations the same way, which
// is where the GL library loads its driver, and creates the file with ".done" appended once
// that question is answered: a check that times the program's end after a release leaves
// out the driver's load, which takes seconds on a busy machine. The program itself is
// unchanged.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Touch(const std::string& path) {
    if (FILE* note = std::fopen(path.c_str(), "w")) {
        std::fclose(note);
    }
}

// Returns the hold's file name without its suffix when this call was the one held.
std::string HoldFirst(bool* held, const char* variable) {
    const char* base = std::getenv(variable);
    if (*held || base == nullptr) {
        return {};
    }
    *held = true;
    Touch(std::string(base) + ".held");
    std::string go = std::string(base) + ".go";
    for (int waited = 0; waited < 6000 && access(go.c_str(), F_OK) != 0; ++waited) {
        usleep(10000);
    }
    return base;
}

template <typename Function> Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool swapHeld = false, loadHeld = false;

} // namespace

extern "C" void glXSwapBuffers(void* display, unsigned long drawable) {
    static auto next = Next<void (*)(void*, unsigned long)>("glXSwapBuffers");
    HoldFirst(&swapHeld, "VORLANTH_HOLD_SWAP");
    next(display, drawable);
}

extern "C" unsigned eglSwapBuffers(void* display, void* surface) {
    static auto next = Next<unsigned (*)(void*, void*)>("eglSwapBuffers");
    HoldFirst(&swapHeld, "VORLANTH_HOLD_SWAP");
    return next(display, surface);
}

extern "C" void* glXGetFBConfigs(void* display, int screen, int* count) {
    static auto next = Next<void* (*)(void*, int, int*)>("glXGetFBConfigs");
    std::string hold = HoldFirst(&loadHeld, "VORLANTH_HOLD_LOAD");
    void* configs = next(display, screen, count);
    if (!hold.empty()) {
        Touch(hold + ".done");
    }
    return configs;
}
