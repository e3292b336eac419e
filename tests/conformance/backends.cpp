// The scenario program's backends: the desktops' and the virtual desktop; the conformance
// check names one with VORLANTH_PLATFORM.
#include "backend_select.h"

extern const PlatformBackend x11Backend;
extern const PlatformBackend waylandBackend;
extern const PlatformBackend vdeskBackend;

const PlatformBackend* const programBackends[] = {&x11Backend, &waylandBackend, &vdeskBackend};
const int programBackendCount = 3;
