// Shared helpers for the toolkit's tests on the virtual desktop (desk.h): opening the scene's
// window, recording the handler calls the toolkit makes, and handlers that close the window
// or do nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "desk.h"
#include "toolkit.h"

// What the handlers saw, in order, as short text lines ("reshape 600 500", "key 97 0").
extern std::vector<std::string> handlerCalls;

void RecordReshape(int32_t width, int32_t height);
void RecordDisplay(void);
int32_t RecordKey(int32_t key, int32_t modifiers);
int32_t RecordMouseDown(int32_t x, int32_t y, int32_t button);
int32_t RecordMouseUp(int32_t x, int32_t y, int32_t button);
int32_t RecordMouseMove(int32_t x, int32_t y, int32_t buttons);
// Handlers that ask for a redraw.
int32_t RedrawKey(int32_t key, int32_t modifiers);
void IdleClosing(void); // closes the window
void NoOpIdle(void);

// Opens the scene's window (100, 100, 600 x 500) with the mode; returns WtOpenWindow's result.
int32_t OpenSceneWindow(DisplayMode mode);
// Sends the message straight to the toolkit's window procedure.
LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
