// What a backend tells the core about native events, and what it may ask of it. Each event
// turns into the messages Win32 would deliver. With backend.h this is everything that
// passes between the core and a backend.
#pragma once

#include <windows.h>

// The screen's size in pixels (GetSystemMetrics).
void CoreNotifyScreenSize(int width, int height);
// The window's client area was resized (by the user or the window manager).
void CoreNotifyResize(HWND window, int clientWidth, int clientHeight);
// The window's client corner moved to (x, y) in screen coordinates.
void CoreNotifyMove(HWND window, int clientX, int clientY);
// Part of the client area needs painting (rect null: all of it).
void CoreNotifyExpose(HWND window, const RECT* rect);
// The window gained (1) or lost (0) activation and the keyboard focus.
void CoreNotifyActivate(HWND window, int active);
// Minimized (1) or restored (0) by the window manager.
void CoreNotifyMinimize(HWND window, int minimized);
// The close box was used.
void CoreNotifyClose(HWND window);
// A key went down or up; `down` repeats while held. TranslateMessage gives it the
// character a US keyboard layout types.
void CoreNotifyKey(HWND window, int virtualKey, int down);
// A key went down, with the character the keyboard's layout gives it (0: none), which
// TranslateMessage then uses.
void CoreNotifyKeyCharacter(HWND window, int virtualKey, int character);
// The modifier keys as the display reports them with an input event: Shift, Control and
// Alt down (nonzero) or up, Caps Lock's toggle state.
void CoreNotifyModifiers(int shift, int control, int alt, int capsLock);
// Caps Lock's toggle state.
void CoreNotifyCapsLock(int on);
// The pointer moved to client coordinates (x, y) of the window.
void CoreNotifyMouseMove(HWND window, int x, int y);
// Button 1 left, 2 right, 4 middle went down or up at client coordinates (x, y).
void CoreNotifyMouseButton(HWND window, int button, int down, int x, int y);
// The native side of the window went away (e.g. the connection to the display).
void CoreNotifyLost(HWND window);

// A modal loop's turn (a message box's): dispatches the program's queued messages until
// `done` is set or none is left. Returns 0 once the quit request came, which it posts again
// for the program's own loop.
int CoreServeModalMessages(const bool* done);

// A native window handle of the core's, or null.
void* CoreNativeWindow(HWND window);
// The client area of a visible, not minimized window in screen coordinates; 0 otherwise.
int CoreVisibleClientArea(HWND window, RECT* client);
// The colour a pixel of palette index `index` shows through the window's palette.
int CorePaletteColor(HWND window, int index, PALETTEENTRY* colour);
