// The scene's entry and view.
#pragma once

#include <cstdint>

// The process entry after the runtime's start-up; the arguments are the platform's
// start-up arguments (instance, command line, show state) and are not used.
int SceneMain(void* instance, const char* commandLine, int showState);
void SceneReshape(int32_t width, int32_t height);
void SetupLight(void);
