// Window classes: registration by name, compared without regard to case.
#include <strings.h>

#include <algorithm>
#include <string>

#include "core.h"

namespace {

// Stable storage, like the handle tables: a class record (and the name a CREATESTRUCT
// points to) stays where it is while a window procedure registers further classes.
struct ClassState {
    std::deque<WindowClass> classes;
};
FileState<ClassState> state;

ATOM AddClass(const std::string& name, UINT style, WNDPROC proc, HINSTANCE instance,
              HBRUSH background) {
    if (InjectedFailure("RegisterClass")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (proc == nullptr || name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(name) != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    state.classes.push_back(WindowClass{name, style, proc, instance, background});
    return static_cast<ATOM>(0xC000 + state.classes.size() - 1);
}

} // namespace

WindowClass* FindClass(const std::string& name) {
    for (auto& c : state.classes) {
        if (strcasecmp(c.name.c_str(), name.c_str()) == 0) {
            return &c;
        }
    }
    return nullptr;
}

std::string Utf16ToUtf8(const WCHAR* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (size_t i = 0; text[i] != 0; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    NoteCall("RegisterClassA");
    if (wc == nullptr || wc->lpszClassName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return AddClass(wc->lpszClassName, wc->style, wc->lpfnWndProc, wc->hInstance,
                    wc->hbrBackground);
}

ATOM WINAPI RegisterClassW(const WNDCLASSW* wc) {
    NoteCall("RegisterClassW");
    if (wc == nullptr || wc->lpszClassName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return AddClass(Utf16ToUtf8(wc->lpszClassName), wc->style, wc->lpfnWndProc, wc->hInstance,
                    wc->hbrBackground);
}

int WINAPI GetClassNameA(HWND window, LPSTR name, int maxCount) {
    WindowRecord* record = FindWindow(window);
    if (record == nullptr || name == nullptr || maxCount <= 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    int n = std::min(static_cast<int>(record->className.size()), maxCount - 1);
    record->className.copy(name, static_cast<size_t>(n));
    name[n] = 0;
    return n;
}
