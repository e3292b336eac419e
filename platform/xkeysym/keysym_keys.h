// Virtual-key codes and characters of X keysyms, for the backends whose keyboards speak them:
// X11, and Wayland through xkbcommon, whose keysyms are the same values.
#pragma once

#include <cstdint>

// The virtual key of a key whose first (unshifted) keysym is `base` and which typed `typed`
// now; 0 for keys that have none.
int KeysymVirtualKey(uint32_t base, uint32_t typed);
// The Unicode character a keysym stands for; 0 for keys that type none.
uint32_t KeysymCharacter(uint32_t keysym);
