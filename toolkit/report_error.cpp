// The toolkit's error report and its local-heap memory.
#include "toolkit.h"

#include <cstdarg>
#include <cstdio>

enum : size_t { REPORT_BUFFER_SIZE = 256 };

void WtReportError(const char* format, ...) {
    char text[REPORT_BUFFER_SIZE];
    va_list arguments;
    va_start(arguments, format);
    // A longer text is cut at 255 characters rather than overrunning the buffer.
    int written = vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (written < 0) {
        text[0] = '\0';
    }
    text[sizeof text - 1] = '\0';
    if (windowState.showErrorBoxes) {
        MessageBoxA(GetFocus(), text, "Error", MB_OK);
    }
}

void* WtAlloc(size_t size) { return static_cast<void*>(LocalAlloc(LMEM_FIXED, size)); }

void WtFree(void* block) {
    if (block) {
        LocalFree(static_cast<HLOCAL>(block));
    }
}
