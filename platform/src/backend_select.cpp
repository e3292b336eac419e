// Picks the backend at start: the one VORLANTH_PLATFORM names, or the first that connects.
#include "backend_select.h"

#include <errno.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const PlatformBackend* selected = nullptr;

std::string Names(const PlatformBackend* const* backends, int count) {
    std::string names;
    for (int i = 0; i < count; ++i) {
        names += (i > 0 ? ", " : "") + std::string(backends[i]->name);
    }
    return names.empty() ? "none" : names;
}

bool Try(const PlatformBackend* backend, std::string* tried) {
    char why[256] = "";
    if (backend->Start(why, sizeof why)) {
        selected = backend;
        return true;
    }
    *tried += (tried->empty() ? "" : ", ") + std::string(backend->name) + " (" + why + ")";
    return false;
}

} // namespace

int PlatformSelectBackend(const PlatformBackend* const* backends, int count) {
    const char* program = program_invocation_short_name;
    const char* wanted = std::getenv("VORLANTH_PLATFORM");
    std::string tried;
    if (wanted != nullptr && *wanted != 0) {
        for (int i = 0; i < count; ++i) {
            if (std::strcmp(backends[i]->name, wanted) == 0) {
                if (Try(backends[i], &tried)) {
                    return 1;
                }
                std::fprintf(stderr, "%s: VORLANTH_PLATFORM=%s cannot run: tried %s\n", program,
                             wanted, tried.c_str());
                return 0;
            }
        }
        std::fprintf(stderr,
                     "%s: VORLANTH_PLATFORM=%s is not a backend of this program (it has: %s)\n",
                     program, wanted, Names(backends, count).c_str());
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        if (Try(backends[i], &tried)) {
            return 1;
        }
    }
    std::fprintf(stderr, "%s: no display to run on: tried %s\n", program,
                 tried.empty() ? "no backend" : tried.c_str());
    return 0;
}

const PlatformBackend* PlatformSelectedBackend(void) { return selected; }

void PlatformFinishBackend(void) {
    if (selected != nullptr && selected->Finish != nullptr) {
        selected->Finish();
    }
}
