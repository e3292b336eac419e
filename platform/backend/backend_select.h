// Which backend a program runs on, picked once at start from the backends it carries.
//
// Order: VORLANTH_PLATFORM, when set, names the one to use ("x11", "wayland", "virtual");
// an unknown name, or one this program does not carry, is refused. Otherwise each carried
// backend is tried in the list's order and the first that connects is used. The desktop
// list (platform/desktop/desktop_backends.cpp) is Wayland, then X11; the virtual desktop
// is only in test programs. When none connects the program says what it tried.
#pragma once

#include "backend.h"

// The list of the program: defined by the one list library it links (platform_desktop
// for the desktop program, platform_vdesk_list for test programs with their own WinMain).
extern const PlatformBackend* const programBackends[];
extern const int programBackendCount;

// Picks and starts a backend as described above. Returns 0 after printing on standard
// error what was tried and why it failed.
int PlatformSelectBackend(const PlatformBackend* const* backends, int count);
// The backend in use, or null before a selection succeeded.
const PlatformBackend* PlatformSelectedBackend(void);
// Lets the backend in use finish before the process ends (its Finish); the program's end,
// ExitProcess and the entry's return from WinMain, calls it.
void PlatformFinishBackend(void);
