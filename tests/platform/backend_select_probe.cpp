// A program carrying every desktop backend built and the virtual desktop: it selects one
// as the desktop program does and prints which ("backend <name>"), exit code 0; or exits
// with 1 after the selection's message.
#include <cstdio>

#include "backend_select.h"

extern const PlatformBackend vdeskBackend;

int main() {
    int count = 0;
    const PlatformBackend* backends[8];
    for (int i = 0; i < programBackendCount; ++i) {
        backends[count++] = programBackends[i];
    }
    backends[count++] = &vdeskBackend;
    if (!PlatformSelectBackend(backends, count)) {
        return 1;
    }
    std::printf("backend %s\n", PlatformSelectedBackend()->name);
    PlatformFinishBackend();
    return 0;
}
