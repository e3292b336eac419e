// The backends of the desktop program, in the order they are tried when VORLANTH_PLATFORM
// is not set. A backend is one entry here and one VORLANTH_BUILD_<NAME> option in
// platform/CMakeLists.txt, which defines VORLANTH_HAVE_<NAME> for this file, and
// VORLANTH_WAYLAND_MODULE where the Wayland backend is loaded only when it is tried.
#include "backend_select.h"

#if VORLANTH_HAVE_WAYLAND && VORLANTH_WAYLAND_MODULE
extern PlatformBackend waylandModuleBackend; // backend_module.cpp: filled when loaded
#define VORLANTH_WAYLAND_ENTRY waylandModuleBackend
#elif VORLANTH_HAVE_WAYLAND
extern const PlatformBackend waylandBackend;
#define VORLANTH_WAYLAND_ENTRY waylandBackend
#endif
#if VORLANTH_HAVE_X11
extern const PlatformBackend x11Backend;
#endif

const PlatformBackend* const programBackends[] = {
#if VORLANTH_HAVE_WAYLAND
    &VORLANTH_WAYLAND_ENTRY, // tried first, and only when WAYLAND_DISPLAY is set
#endif
#if VORLANTH_HAVE_X11
    &x11Backend,
#endif
    nullptr, // keeps the list non-empty when no desktop backend is built
};
const int programBackendCount = sizeof programBackends / sizeof programBackends[0] - 1;
