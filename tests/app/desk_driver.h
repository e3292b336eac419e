// What the whole-system tests need of the virtual desktop, in one place: a hook after
// every presented frame, the presented pixels, input, failure injection and the
// message boxes shown.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "offscreen_gl.h"

// Runs after every frame the window presents, with its 1-based number.
typedef void (*PresentHook)(int frame);
void DeskStart(PresentHook hook);
int DeskPresentCount(void);
void DeskSetFrameCapture(bool on);
// The frame presented last, top row first.
std::vector<Rgba8> DeskLastFrame(int* width, int* height);

void DeskPressKey(int virtualKey, bool shift, bool control);
void DeskClickClose(HWND window);

// The next `count` pixel-format choices fail (ChoosePixelFormat returns 0).
void DeskFailFormatChoice(int count);

struct DeskMessageBox {
    std::string text;
    std::string caption;
};
std::vector<DeskMessageBox> DeskMessageBoxes(void);
long DeskLocalAllocCount(void);
