// Keeping the shared libraries that are loaded now loaded until the process ends.
#include <dlfcn.h>
#include <link.h>

#include "vdesk_control.h"

namespace {

int KeepOne(dl_phdr_info* info, size_t, void*) {
    // The main program has an empty name; it cannot be unloaded anyway.
    if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
        // RTLD_NOLOAD takes another reference without loading anything new; RTLD_NODELETE
        // makes the library outlive every dlclose, the driver's own included.
        dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}

} // namespace

void VdeskKeepLoadedLibraries(void) {
    dl_iterate_phdr(KeepOne, nullptr);
}
