// The executable's entry: the platform's start-up hands over to the scene.
#include <windows.h>

#include "scene.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState) {
    (void)previous;
    return SceneMain(instance, commandLine, showState);
}
