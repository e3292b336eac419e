// What the virtual desktop watches and steers in the core for tests: the log of platform
// calls, failure injection and the counters, through the core's test hooks.
#include <cstdio>
#include <cstring>

#include "core_events.h"
#include "core_test_hooks.h"
#include "vdesk.h"

namespace {

// The first platform calls since the reset, by name. A fixed size, so that a long-running
// program neither grows nor allocates for it.
constexpr int callLogCapacity = 65536;
const char* callLog[callLogCapacity];
int callLogCount = 0;

// The failure points of VdeskFailure, by the name the core asks with.
const char* const failurePoints[] = {"RegisterClass",     "CreateWindow",   "GetDC",
                                     "ChoosePixelFormat", "SetPixelFormat", "wglCreateContext",
                                     "wglMakeCurrent",    "LocalAlloc",     "CreatePalette"};
constexpr int failureCount = sizeof failurePoints / sizeof failurePoints[0];
int failNext[failureCount];
int failDescribeFormat = 0;
long allocations = 0;

void Called(const char* name) {
    if (callLogCount < callLogCapacity) {
        callLog[callLogCount++] = name;
    }
}

int Fails(const char* what, int argument) {
    if (std::strcmp(what, "DescribePixelFormat") == 0) {
        return argument == failDescribeFormat;
    }
    for (int i = 0; i < failureCount; ++i) {
        if (std::strcmp(what, failurePoints[i]) == 0 && failNext[i] > 0) {
            --failNext[i];
            return 1;
        }
    }
    return 0;
}

void Invalidated(HWND window) {
    VdeskWindow* native = static_cast<VdeskWindow*>(CoreNativeWindow(window));
    if (native != nullptr) {
        ++native->invalidateCount;
    }
}

void Allocated(void) { ++allocations; }

void Stalled(void) {
    std::fprintf(stderr, "GetMessage: no message can ever arrive on the virtual desktop\n");
    std::fflush(stderr);
}

const CoreTestHooks hooks = {
    .Called = Called,
    .Fails = Fails,
    .Invalidated = Invalidated,
    .Allocated = Allocated,
    .Stalled = Stalled,
};

} // namespace

void VdeskInstallHooks(void) { CoreSetTestHooks(&hooks); }

void VdeskResetHooks(void) {
    callLogCount = 0;
    std::memset(failNext, 0, sizeof failNext);
    failDescribeFormat = 0;
    allocations = 0;
}

void VdeskFailNext(VdeskFailure what, int count) {
    if (static_cast<int>(what) >= 0 && static_cast<int>(what) < failureCount) {
        failNext[what] = count;
    }
}

void VdeskFailDescribeFormat(int format) { failDescribeFormat = format; }

long VdeskLocalAllocCount(void) { return allocations; }

int VdeskCallCount(void) { return callLogCount; }

const char* VdeskCallAt(int index) {
    return (index >= 0 && index < callLogCount) ? callLog[index] : nullptr;
}

int VdeskInvalidateCount(HWND window) {
    VdeskWindow* native = static_cast<VdeskWindow*>(CoreNativeWindow(window));
    return native != nullptr ? native->invalidateCount : 0;
}

int VdeskPresentCount(HWND window) {
    VdeskWindow* native = static_cast<VdeskWindow*>(CoreNativeWindow(window));
    return native != nullptr ? native->presentCount : 0;
}
