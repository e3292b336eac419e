// Whether the program runs in a Wayland session, asked before anything of Wayland is loaded.
#pragma once

#include <cstdlib>

// Only a Wayland session names its compositor (WAYLAND_DISPLAY); a compositor that starts a
// client may hand it a connected socket instead (WAYLAND_SOCKET). Sets `name` to what names
// it, for messages. Elsewhere the X display is the desktop.
inline bool WaylandSessionNamed(const char** name) {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display != nullptr && *display != 0) {
        *name = display;
        return true;
    }
    *name = "WAYLAND_SOCKET";
    return std::getenv("WAYLAND_SOCKET") != nullptr;
}
