// What a backend tells the core about native events, and what it may ask of it. A backend
// reports input and window events raw, as facts, in the order they came. Every report only
// queues: the core turns the queue into the messages Win32 would deliver as the program
// retrieves its messages (core_input.cpp), so no window procedure runs inside a backend's
// event handling. With backend.h this is everything that passes between the core and a
// backend.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The screen's size in pixels (GetSystemMetrics).
void CoreNotifyScreenSize(int width, int height);
// The window's client area has this size now (by the user or the window manager); the core
// passes on only a change.
void CoreNotifyResize(HWND window, int clientWidth, int clientHeight);
// The window's client corner is at (x, y) in screen coordinates now; only a change counts.
void CoreNotifyMove(HWND window, int clientX, int clientY);
// The display made the window viewable (obscured 0) or viewable but fully covered (1). A
// window the program shows or restores is painted for that already, so the exposure the
// display sends with it (none when fully covered) asks for nothing more.
void CoreNotifyVisibility(HWND window, int obscured);
// Part of the client area needs painting (rect null: all of it).
void CoreNotifyExpose(HWND window, const RECT* rect);
// The window has (1) or has not (0) the activation and the keyboard focus now.
void CoreNotifyActivate(HWND window, int active);
// Minimized (1) or restored (0) by the window manager.
void CoreNotifyMinimize(HWND window, int minimized);
// The close box was used.
void CoreNotifyClose(HWND window);
// A key went down (again, while held) or up. `character` is what the keyboard's layout
// types with it, as a Unicode code point (0: nothing), or -1 when the display does not say,
// in which case TranslateMessage uses a US layout.
void CoreNotifyKey(HWND window, int virtualKey, int down, int character);
// The modifier keys as the display reports them with an input event: Shift, Control and
// Alt down (nonzero) or up, Caps Lock's toggle state.
void CoreNotifyModifiers(int shift, int control, int alt, int capsLock);
// The pointer moved to client coordinates (x, y) of the window.
void CoreNotifyMouseMove(HWND window, int x, int y);
// Button 1 left, 2 right, 4 middle went down or up at client coordinates (x, y).
void CoreNotifyMouseButton(HWND window, int button, int down, int x, int y);
// Someone else destroyed the native side of the window: the backend has let go of it, and
// the window goes as on Win32, with WM_DESTROY.
void CoreNotifyLost(HWND window);
// The message box `box` (what OpenMessageBox returned) was answered with a button (IDOK).
void CoreNotifyMessageBoxAnswer(void* box, int button);

// The display is unusable or was lost: says "<program>: <why>" on standard error and ends
// the process with exit code 1. The one way a backend reports a failure it cannot go on from.
// Safe to call from a signal handler (write and _exit only); `why` is cut at about 500 bytes.
[[noreturn]] void CoreDisplayFailed(const char* why);
// The program's name, as messages and native window identities give it.
const char* CoreProgramName(void);

// A message box's layout in its own pixels: the text's lines from the top-left corner
// (textX, textY) one lineHeight apart, an OK button below them, centred.
struct MessageBoxLayout {
    std::vector<std::string> lines;
    int width, height;
    int textX, textY, lineHeight;
    RECT button;
    bool pressed; // the first mouse button went down on the button and is still down
};
// Lays out the text (lines end at '\n'; '\r' is dropped) in the backend's font, whose
// `measure` gives a line's width.
MessageBoxLayout CoreLayOutMessageBox(const char* text, int lineHeight,
                                      int (*measure)(const std::string& line, void* font),
                                      void* font);
// The box's own input: Return, Escape and Space answer it, and so does the first mouse
// button released over OK after going down there. A button press or release returns
// whether OK's look changed, so that the box is drawn again.
void CoreMessageBoxKey(void* box, int virtualKey);
int CoreMessageBoxButton(void* box, MessageBoxLayout* layout, int down, int x, int y);

// A native window handle of the core's, or null.
void* CoreNativeWindow(HWND window);
// The client area of a visible, not minimized window in screen coordinates; 0 otherwise.
int CoreVisibleClientArea(HWND window, RECT* client);
// The colour a pixel of palette index `index` shows through the window's palette.
int CorePaletteColor(HWND window, int index, PALETTEENTRY* colour);
