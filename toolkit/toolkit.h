// The window toolkit: one window with an OpenGL rendering context, its event loop,
// message handling and palette. Written against Win32 only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "wt_types.h"

// The toolkit's one window record. Settings first, then handles, flags and slots.
struct WindowState {
    // Settings (kept across the release of the window).
    int32_t x;                  // client area's left edge, screen coordinates
    int32_t y;                  // client area's top edge
    int32_t width;              // client width in pixels
    int32_t height;             // client height in pixels
    DisplayMode displayMode;    // mode for the next open
    FormatChoice formatChoice;  // 3 ask the system, 2 exact search, other: formatNumber
    int32_t formatNumber;       // explicit pixel format number
    int32_t useDefaultPosition; // the system places the window
    bool showErrorBoxes;        // WtReportError shows a message box
    int32_t sysColorCount;      // system-colour elements swapped with the static colours

    // Handles, zero until the open.
    HWND window;
    HDC dc;
    HGLRC glContext;
    HPALETTE palette;
    int32_t usesStaticColors;  // the palette claims the static colours when realized
    int32_t staticColorsTaken; // the static colours are taken at this moment

    // Handler slots; a null slot is skipped.
    ExposeHandler expose;
    ReshapeHandler reshape;
    DisplayHandler display;
    KeyDownHandler keyDown;
    MouseDownHandler mouseDown;
    MouseUpHandler mouseUp;
    MouseMoveHandler mouseMove;
    IdleHandler idle;
};

extern WindowState windowState;

// Window and rendering context.
void WtSetPosition(int32_t x, int32_t y, int32_t width, int32_t height);
void WtSetDisplayMode(DisplayMode mode);
int32_t WtOpenWindow(const void* title, int32_t wide);
void WtCloseWindow(HWND window);
int32_t DescribeWindowFormat(HDC dc, PIXELFORMATDESCRIPTOR* descriptor);
void WtReportError(const char* format, ...);
void* WtAlloc(size_t size);
void WtFree(void* block);

// Event loop, handler slots and shutdown.
void WtSetExposeHandler(ExposeHandler handler);
void WtSetReshapeHandler(ReshapeHandler handler);
void WtSetDisplayHandler(DisplayHandler handler);
void WtSetKeyDownHandler(KeyDownHandler handler);
void WtSetMouseDownHandler(MouseDownHandler handler);
void WtSetMouseUpHandler(MouseUpHandler handler);
void WtSetMouseMoveHandler(MouseMoveHandler handler);
void WtSetIdleHandler(IdleHandler handler);
void WtRunLoop(void);
int32_t WtSwapBuffers(void);
void WtReleaseAll(void);

// Window message handling.
LRESULT CALLBACK WtWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RequestRedraw(HWND window);
void QueuePaletteRealization(void);
