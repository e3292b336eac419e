// The toolkit's window record, its handler slots, the event loop, the buffer swap and
// the release of every window resource on destruction.
#include "toolkit.h"

#include "palette.h"

WindowState windowState = {
    .x = 0,
    .y = 0,
    .width = 100,
    .height = 100,
    .displayMode = DM_INDEX,
    .formatChoice = FORMAT_CHOICE_SYSTEM,
    .formatNumber = 0,
    .useDefaultPosition = 1,
    .showErrorBoxes = true,
    .sysColorCount = SYS_COLOR_ELEMENT_COUNT,
    .window = nullptr,
    .dc = nullptr,
    .glContext = nullptr,
    .palette = nullptr,
    .usesStaticColors = 0,
    .staticColorsTaken = 0,
    .expose = nullptr,
    .reshape = nullptr,
    .display = nullptr,
    .keyDown = nullptr,
    .mouseDown = nullptr,
    .mouseUp = nullptr,
    .mouseMove = nullptr,
    .idle = nullptr,
};

void WtSetExposeHandler(ExposeHandler handler) { windowState.expose = handler; }
void WtSetReshapeHandler(ReshapeHandler handler) { windowState.reshape = handler; }
void WtSetDisplayHandler(DisplayHandler handler) { windowState.display = handler; }
void WtSetKeyDownHandler(KeyDownHandler handler) { windowState.keyDown = handler; }
void WtSetMouseDownHandler(MouseDownHandler handler) { windowState.mouseDown = handler; }
void WtSetMouseUpHandler(MouseUpHandler handler) { windowState.mouseUp = handler; }
void WtSetMouseMoveHandler(MouseMoveHandler handler) { windowState.mouseMove = handler; }
void WtSetIdleHandler(IdleHandler handler) { windowState.idle = handler; }

// Fetches and dispatches one message; returns 0 when it was the quit request (or the
// queue cannot be read, which would otherwise spin forever).
static int32_t HandleNextMessage(void) {
    MSG message;
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
        return 0;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return 1;
}

void WtRunLoop(void) {
    // Handlers installed after the open missed the size messages of showing the window.
    // Without a window there is no client size to give.
    if (windowState.reshape && windowState.window) {
        RECT client = {0, 0, 0, 0};
        GetClientRect(windowState.window, &client);
        windowState.reshape(client.right, client.bottom);
    }
    for (;;) {
        if (windowState.idle) {
            MSG waiting;
            while (PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
                if (!HandleNextMessage()) {
                    return;
                }
            }
            // A dispatched message may have emptied the slot (the window's destruction does).
            if (windowState.idle) {
                windowState.idle();
            }
        } else if (!HandleNextMessage()) {
            return;
        }
    }
}

int32_t WtSwapBuffers(void) {
    if (!windowState.dc) {
        return 0;
    }
    return SwapBuffers(windowState.dc) ? 1 : 0;
}

void WtReleaseAll(void) {
    // Fields are read afresh at each step: giving the static colours back sends a
    // system-colour change to the window, whose handling may replace the palette.
    if (windowState.palette) {
        HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
        if (windowState.usesStaticColors) {
            RealizeWindowPalette(windowState.dc, stock, 1);
        } else if (stock) {
            SelectPalette(windowState.dc, stock, FALSE);
        }
        if (windowState.palette) {
            DeleteObject(windowState.palette);
        }
    }
    if (windowState.glContext) {
        wglMakeCurrent(windowState.dc, nullptr);
        wglDeleteContext(windowState.glContext);
    }
    if (windowState.dc) {
        ReleaseDC(windowState.window, windowState.dc);
    }
    windowState.window = nullptr;
    windowState.dc = nullptr;
    windowState.glContext = nullptr;
    windowState.palette = nullptr;
    windowState.expose = nullptr;
    windowState.reshape = nullptr;
    windowState.idle = nullptr;
    windowState.display = nullptr;
    windowState.keyDown = nullptr;
    windowState.mouseDown = nullptr;
    windowState.mouseUp = nullptr;
    windowState.mouseMove = nullptr;
}
