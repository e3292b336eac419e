// A current OpenGL context with a colour + depth framebuffer and no display, through
// EGL on Mesa's software renderer, for tests that draw with real OpenGL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct OffscreenGl {
    int width = 0;
    int height = 0;
    void* display = nullptr; // EGLDisplay
    void* surface = nullptr; // EGLSurface
    void* context = nullptr; // EGLContext
};

// Creates the context and makes it current; returns false and fills error on failure.
bool OffscreenGlCreate(OffscreenGl* gl, int width, int height, std::string* error);
void OffscreenGlDestroy(OffscreenGl* gl);

// One pixel as 8-bit RGBA.
struct Rgba8 {
    uint8_t r, g, b, a;
};

// Reads the whole colour buffer, rows top to bottom (already flipped from GL's order).
std::vector<Rgba8> OffscreenGlReadPixels(const OffscreenGl* gl);
// The pixel at (x, y) with y counted from the top row.
Rgba8 PixelAt(const std::vector<Rgba8>& pixels, int width, int x, int y);
// Writes pixels (top row first) as an RGB PNG, as a screen shows them; false on failure.
bool WritePng(const std::string& path, const std::vector<Rgba8>& pixels, int width, int height);
