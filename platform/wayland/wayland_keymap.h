// Virtual-key codes of xkb keysyms.
#pragma once

#include <cstdint>

// The virtual key of a key whose first (unshifted) keysym is `base` and which typed `typed`
// now; 0 for keys that have none.
int WaylandVirtualKey(uint32_t base, uint32_t typed);
