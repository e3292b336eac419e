// OpenGL and GLU headers; on Windows they need <windows.h> first.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>
