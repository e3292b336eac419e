// Process services: module handle, version, local memory, time, ending the process (also
// when the display fails) and the last error.
#include <errno.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core.h"
#include "core_events.h"
#include "backend_select.h"

namespace {
struct ProcessState {
    DWORD lastError = 0;
    OSVERSIONINFOA version = {sizeof(OSVERSIONINFOA), 6, 2, 9200, VER_PLATFORM_WIN32_NT, ""};
};
FileState<ProcessState> state;
const uintptr_t moduleHandle = 0x80000001; // the running executable
const uintptr_t applicationIcon = 0x70000101;
const uintptr_t arrowCursor = 0x70000102;
} // namespace

DWORD WINAPI GetLastError(void) { return state.lastError; }

void WINAPI SetLastError(DWORD error) { state.lastError = error; }

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    if (name != nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(moduleHandle);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    NoteCall("GetVersionExA");
    if (info == nullptr || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                            info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) + 8)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    DWORD size = info->dwOSVersionInfoSize;
    *info = state.version;
    info->dwOSVersionInfoSize = size;
    return TRUE;
}

#ifdef VORLANTH_TEST_HOOKS
void CoreSetVersion(DWORD platformId, DWORD major, DWORD minor) {
    state.version.dwPlatformId = platformId;
    state.version.dwMajorVersion = major;
    state.version.dwMinorVersion = minor;
}
#endif

HLOCAL WINAPI LocalAlloc(UINT flags, size_t bytes) {
    NoteCall("LocalAlloc");
    if (InjectedFailure("LocalAlloc")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1)
                                          : std::malloc(bytes ? bytes : 1);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    NoteAllocated();
    return block;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    NoteCall("LocalFree");
    std::free(memory);
    return nullptr;
}

void WINAPI Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
}

void WINAPI ExitProcess(UINT exitCode) {
    PlatformFinishBackend();
    std::fflush(nullptr);
    std::exit(static_cast<int>(exitCode));
}

const char* CoreProgramName(void) { return program_invocation_short_name; }

// Safe in a signal handler (a fault inside the display's library comes here): the line is
// put together by hand and written in one write(2), and _exit ends at once, since the
// display's library may be inside a call that cannot return. No stdio, no allocation.
void CoreDisplayFailed(const char* why) {
    char line[512];
    size_t length = 0;
    for (const char* part : {CoreProgramName(), ": ", why}) {
        for (; *part != 0 && length < sizeof line - 1; ++part) {
            line[length++] = *part;
        }
    }
    line[length++] = '\n';
    for (size_t written = 0; written < length;) {
        ssize_t n = write(STDERR_FILENO, line + written, length - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    _exit(1);
}

DWORD WINAPI GetTickCount(void) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr && name == IDI_APPLICATION) {
        return reinterpret_cast<HICON>(applicationIcon);
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr && name == IDC_ARROW) {
        return reinterpret_cast<HCURSOR>(arrowCursor);
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}
