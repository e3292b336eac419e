// Preloaded into a program by the desktop checks to see its window before the first frame:
// the first buffer swap through GLX or EGL creates the file VORLANTH_HOLD_SWAP names with
// ".held" appended, and waits (up to 60 s) for the file with ".go" appended before it swaps.
// The program itself is unchanged.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void HoldFirst(void) {
    static bool held = false;
    const char* base = std::getenv("VORLANTH_HOLD_SWAP");
    if (held || base == nullptr) {
        return;
    }
    held = true;
    std::string heldFile = std::string(base) + ".held", go = std::string(base) + ".go";
    if (FILE* note = std::fopen(heldFile.c_str(), "w")) {
        std::fclose(note);
    }
    for (int waited = 0; waited < 6000 && access(go.c_str(), F_OK) != 0; ++waited) {
        usleep(10000);
    }
}

template <typename Function> Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" void glXSwapBuffers(void* display, unsigned long drawable) {
    static auto next = Next<void (*)(void*, unsigned long)>("glXSwapBuffers");
    HoldFirst();
    next(display, drawable);
}

extern "C" unsigned eglSwapBuffers(void* display, void* surface) {
    static auto next = Next<unsigned (*)(void*, void*)>("eglSwapBuffers");
    HoldFirst();
    return next(display, surface);
}
