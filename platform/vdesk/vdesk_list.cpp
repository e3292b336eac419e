// The backend list of a test program that has a WinMain of its own: the virtual desktop.
#include "backend_select.h"
#include "vdesk.h"

const PlatformBackend* const programBackends[] = {&vdeskBackend};
const int programBackendCount = 1;
