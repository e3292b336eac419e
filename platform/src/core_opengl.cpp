// OpenGL through the backend: pixel formats, buffer swaps and rendering contexts.
#include <algorithm>
#include <cstdlib>

#include "core.h"

namespace {

struct OpenGlState {
    bool listed = false;
    std::vector<PixelFormat> pixelFormats;
    HGLRC currentContext = nullptr;
    HDC currentDc = nullptr;
};
FileState<OpenGlState> state;

// Listed when the program first asks about pixel formats, not at start: a display lists
// hundreds of configurations, and a program that sets no format needs none of them.
int ListFormats(void) {
    if (!state.listed && BackendReady()) {
        const PlatformPixelConfig* configs = nullptr;
        int count = Backend()->ListPixelConfigs(&configs);
        state.pixelFormats = DescribePixelConfigs(configs, count);
    }
    state.listed = true;
    return static_cast<int>(state.pixelFormats.size());
}

// How well a format meets a wanted descriptor; negative when it cannot serve at all.
int FormatScore(const PIXELFORMATDESCRIPTOR& f, const PIXELFORMATDESCRIPTOR& want) {
    DWORD needed = want.dwFlags &
                   (PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI);
    if ((f.dwFlags & needed) != needed || f.iPixelType != want.iPixelType) {
        return -1;
    }
    int score = 0;
    if ((f.dwFlags & PFD_DOUBLEBUFFER) == (want.dwFlags & PFD_DOUBLEBUFFER)) {
        score += 1000;
    }
    auto near = [](int have, int wanted, int weight) {
        if (wanted == 0) {
            return have == 0 ? weight : 0;
        }
        if (have == 0) {
            return -weight;
        }
        return weight - std::min(std::abs(have - wanted), weight - 1);
    };
    score += near(f.cColorBits, want.cColorBits, 50);
    score += near(f.cAlphaBits, want.cAlphaBits, 40);
    score += near(f.cDepthBits, want.cDepthBits, 60);
    score += near(f.cStencilBits, want.cStencilBits, 30);
    score += near(f.cAccumBits, want.cAccumBits, 20);
    return score;
}

} // namespace

int WINAPI DescribePixelFormat(HDC dc, int format, UINT bytes, LPPIXELFORMATDESCRIPTOR descriptor) {
    if (FindDc(dc) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    int count = ListFormats();
    if (descriptor == nullptr) {
        return count;
    }
    if (format < 1 || format > count || bytes < sizeof(PIXELFORMATDESCRIPTOR) ||
        InjectedFailure("DescribePixelFormat", format)) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return 0;
    }
    *descriptor = state.pixelFormats[static_cast<size_t>(format - 1)].descriptor;
    return count;
}

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* want) {
    if (FindDc(dc) == nullptr || want == nullptr || want->nSize != sizeof(PIXELFORMATDESCRIPTOR) ||
        InjectedFailure("ChoosePixelFormat")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int best = 0, bestScore = -1;
    for (int i = 0; i < ListFormats(); ++i) {
        int score = FormatScore(state.pixelFormats[static_cast<size_t>(i)].descriptor, *want);
        if (score > bestScore) {
            best = i + 1;
            bestScore = score;
        }
    }
    if (best == 0) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    }
    return best;
}

BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    NoteCall("SetPixelFormat");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (window == nullptr || format < 1 || format > ListFormats() || window->pixelFormat != 0 ||
        InjectedFailure("SetPixelFormat")) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    RECT client = ClientScreenRect(*window);
    if (window->native == nullptr ||
        !Backend()->SetNativePixelFormat(window->native,
                                         state.pixelFormats[static_cast<size_t>(format - 1)].config,
                                         client.right - client.left, client.bottom - client.top)) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    window->pixelFormat = format;
    return TRUE;
}

int WINAPI GetPixelFormat(HDC dc) {
    NoteCall("GetPixelFormat");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (window == nullptr || window->pixelFormat == 0) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return 0;
    }
    return window->pixelFormat;
}

BOOL WINAPI SwapBuffers(HDC dc) {
    NoteCall("SwapBuffers");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (window == nullptr || window->pixelFormat == 0 || window->native == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return Backend()->SwapNativeBuffers(window->native) ? TRUE : FALSE;
}

HGLRC WINAPI wglCreateContext(HDC dc) {
    NoteCall("wglCreateContext");
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    // The platform's OpenGL renders RGBA only: a colour-index format has no context.
    const PixelFormat* format =
        window != nullptr && window->pixelFormat != 0
            ? &state.pixelFormats[static_cast<size_t>(window->pixelFormat - 1)]
            : nullptr;
    if (format == nullptr || format->descriptor.iPixelType != PFD_TYPE_RGBA ||
        InjectedFailure("wglCreateContext")) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    void* native = Backend()->CreateContext(window->native, format->config);
    if (native == nullptr) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    ContextRecord context{native, dc, window->pixelFormat};
    return reinterpret_cast<HGLRC>(HandleAdd(contexts, KIND_CONTEXT, context));
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC handle) {
    NoteCall("wglMakeCurrent");
    if (handle == nullptr) {
        if (state.currentContext != nullptr) {
            Backend()->MakeCurrent(nullptr, nullptr);
        }
        state.currentContext = nullptr;
        state.currentDc = nullptr;
        return TRUE;
    }
    ContextRecord* context = HandleGet(contexts, KIND_CONTEXT, handle);
    DcRecord* record = FindDc(dc);
    WindowRecord* window = record ? FindWindow(record->window) : nullptr;
    if (context == nullptr || window == nullptr || window->pixelFormat != context->pixelFormat ||
        InjectedFailure("wglMakeCurrent") ||
        !Backend()->MakeCurrent(window->native, context->native)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    state.currentContext = handle;
    state.currentDc = dc;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC handle) {
    NoteCall("wglDeleteContext");
    ContextRecord* context = HandleGet(contexts, KIND_CONTEXT, handle);
    if (context == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (state.currentContext == handle) {
        Backend()->MakeCurrent(nullptr, nullptr);
        state.currentContext = nullptr;
        state.currentDc = nullptr;
    }
    Backend()->DeleteContext(context->native);
    HandleRemove(contexts, KIND_CONTEXT, handle);
    return TRUE;
}

HGLRC WINAPI wglGetCurrentContext(void) { return state.currentContext; }

HDC WINAPI wglGetCurrentDC(void) { return state.currentDc; }

// A window's DC goes with the window: its context is no longer current on it.
void ReleaseWindowGdi(HWND window) {
    WindowRecord* record = FindWindow(window);
    if (record != nullptr && state.currentDc == record->dc) {
        Backend()->MakeCurrent(nullptr, nullptr);
        state.currentContext = nullptr;
        state.currentDc = nullptr;
    }
}

#ifdef VORLANTH_TEST_HOOKS
void CoreSetPixelFormats(const PIXELFORMATDESCRIPTOR* formats, int count) {
    state.pixelFormats.clear();
    for (int i = 0; i < count; ++i) {
        state.pixelFormats.push_back(PixelFormat{formats[i], nullptr});
    }
    state.listed = true;
}
#endif
