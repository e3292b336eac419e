// The app kit: the scene's way to the window toolkit. Start-up, the key and mouse
// tables, Escape to quit, buffer swap, and the cached solid sphere.
//
// How the process ends: AppOpenWindow binds Escape (VK_ESCAPE) to AppQuit, so Escape ends
// the process from inside the key's dispatch, with exit code 0: AppMainLoop never returns.
// Closing the window destroys it and posts the quit request; AppMainLoop then returns
// from its loop and the caller ends the process by returning from WinMain.
#pragma once

#include <cstdint>

#include "wt_types.h"

// Mouse event kinds.
enum : int32_t { EV_MOUSEDOWN = 16, EV_MOUSEUP = 32, EV_MOUSEMOVE = 64 };

struct AppMouseEvent {
    int32_t kind; // EV_MOUSEDOWN, EV_MOUSEUP or EV_MOUSEMOVE
    int32_t x;    // client pixels, as the toolkit passed them
    int32_t y;
    int32_t reserved; // not set by the dispatchers
    int32_t button;   // the one button bit this call is about
};

typedef void (*AppKeyAction)(void);
typedef int32_t (*AppMouseHandler)(AppMouseEvent* event);

struct AppKeyBinding {
    int32_t key;
    AppKeyAction action;
};

struct AppMouseBinding {
    int32_t buttonValue;
    AppMouseHandler handler;
};

enum : int32_t { APP_KEY_TABLE_SIZE = 200, APP_MOUSE_TABLE_SIZE = 20 };

extern AppKeyBinding AppKeyTable[APP_KEY_TABLE_SIZE];
extern int32_t appKeyCount;
extern AppMouseBinding AppMouseDownTable[APP_MOUSE_TABLE_SIZE];
extern AppMouseBinding AppMouseUpTable[APP_MOUSE_TABLE_SIZE];
extern AppMouseBinding AppMouseMoveTable[APP_MOUSE_TABLE_SIZE];
extern int32_t appMouseDownCount;
extern int32_t appMouseUpCount;
extern int32_t appMouseMoveCount;
extern DisplayMode appDisplayMode; // the remembered display mode

void AppSetDisplayMode(DisplayMode mode);
void AppSetPosition(int32_t x, int32_t y, int32_t width, int32_t height);
int32_t AppOpenWindow(const char* title);
void AppSetReshapeHandler(ReshapeHandler handler);
void AppSetIdleHandler(IdleHandler handler);
void AppMainLoop(DisplayHandler handler);
// Appends a binding for a key code as the toolkit passes it (a character such as 'a', or a
// Win32 virtual-key code such as VK_ESCAPE); returns 1, or 0 when the table is full and
// nothing was added.
int32_t AppAddKeyHandler(int32_t key, AppKeyAction action);
// Appends a mouse binding to the table of its kind (EV_MOUSEDOWN, EV_MOUSEUP,
// EV_MOUSEMOVE); returns 1, or 0 for a full table or an unknown kind.
int32_t AppAddMouseHandler(int32_t kind, int32_t buttonValue, AppMouseHandler handler);
int32_t AppSwapBuffers(void);
// Closes the window and ends the process with exit code 0 at once.
[[noreturn]] void AppQuit(void);

// Defaults that AppOpenWindow installs in the toolkit's slots.
void AppDefaultReshape(int32_t width, int32_t height);
void AppDefaultExpose(int32_t width, int32_t height);
int32_t AppDispatchKey(int32_t key, int32_t modifiers);
int32_t AppDispatchMouseDown(int32_t x, int32_t y, int32_t buttons);
int32_t AppDispatchMouseUp(int32_t x, int32_t y, int32_t buttons);
int32_t AppDispatchMouseMove(int32_t x, int32_t y, int32_t buttons);

// Draws a solid sphere of the radius at the origin, from a display list per radius.
void AppSolidSphere(double radius);
