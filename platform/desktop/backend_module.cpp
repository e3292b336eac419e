// The Wayland backend as the desktop program carries it: a module, loaded when the backend is
// tried in a Wayland session. A start on X11 then does not load the Wayland libraries (a
// dozen: the compositor's protocol, EGL, decorations, fonts), which took a few milliseconds
// of every start before the first frame.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "../wayland/wayland_session.h"
#include "backend_select.h"

namespace {

// The folder the program was started from, with its slash; empty when the system hides it.
std::string ProgramFolder(void) {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "";
    }
    std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/') + 1);
}

int StartModule(char* why, size_t whySize);

PlatformBackend Unloaded(void) {
    PlatformBackend entry{};
    entry.name = "wayland";
    entry.Start = StartModule;
    return entry;
}

} // namespace

// The selection keeps a pointer to this entry: loading the module fills it with the
// module's own table.
PlatformBackend waylandModuleBackend = Unloaded();

namespace {

int StartModule(char* why, size_t whySize) {
    const char* name = nullptr;
    if (!WaylandSessionNamed(&name)) {
        std::snprintf(why, whySize, "WAYLAND_DISPLAY is not set");
        return 0;
    }
    // At once: a module that needs a call the program lacks is refused here, not when that call
    // comes. Global: its libraries are found as if the program had linked them, by tools
    // preloaded to trace or wrap their calls, too.
    std::string path = ProgramFolder() + VORLANTH_MODULE_DIR "/vorlanth-wayland.so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (module == nullptr) {
        std::snprintf(why, whySize, "cannot load the Wayland backend: %s", dlerror());
        return 0;
    }
    const auto* loaded = static_cast<const PlatformBackend*>(dlsym(module, "waylandBackend"));
    if (loaded == nullptr) {
        std::snprintf(why, whySize, "%s holds no Wayland backend", path.c_str());
        return 0;
    }
    // Kept loaded even when the compositor cannot be reached: the libraries it loaded may have
    // registered exit handlers.
    waylandModuleBackend = *loaded;
    return waylandModuleBackend.Start(why, whySize);
}

} // namespace
