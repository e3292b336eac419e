// A program started through the platform's process entry: prints what its WinMain was
// given and returns a known exit code.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    std::printf("[%s] show %d instance %d previous %d\n", commandLine ? commandLine : "(null)",
                showCommand, instance != nullptr && instance == GetModuleHandleA(nullptr),
                previous != nullptr);
    return 5;
}
