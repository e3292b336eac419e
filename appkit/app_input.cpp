// The key table and the three mouse tables, and the dispatchers that the toolkit's
// key-down and mouse slots call. Fixed capacity, appended to, never emptied.
#include "appkit.h"

AppKeyBinding AppKeyTable[APP_KEY_TABLE_SIZE];
int32_t appKeyCount = 0;
AppMouseBinding AppMouseDownTable[APP_MOUSE_TABLE_SIZE];
AppMouseBinding AppMouseUpTable[APP_MOUSE_TABLE_SIZE];
AppMouseBinding AppMouseMoveTable[APP_MOUSE_TABLE_SIZE];
int32_t appMouseDownCount = 0;
int32_t appMouseUpCount = 0;
int32_t appMouseMoveCount = 0;

int32_t AppAddKeyHandler(int32_t key, AppKeyAction action) {
    // A full table refuses the binding rather than writing past its end.
    if (appKeyCount < 0 || appKeyCount >= APP_KEY_TABLE_SIZE) return 0;
    AppKeyTable[appKeyCount].key = key;
    AppKeyTable[appKeyCount].action = action;
    appKeyCount += 1;
    return 1;
}

int32_t AppAddMouseHandler(int32_t kind, int32_t buttonValue, AppMouseHandler handler) {
    AppMouseBinding* table;
    int32_t* count;
    switch (kind) {
    case EV_MOUSEDOWN:
        table = AppMouseDownTable;
        count = &appMouseDownCount;
        break;
    case EV_MOUSEUP:
        table = AppMouseUpTable;
        count = &appMouseUpCount;
        break;
    case EV_MOUSEMOVE:
        table = AppMouseMoveTable;
        count = &appMouseMoveCount;
        break;
    default:
        return 0;
    }
    if (*count < 0 || *count >= APP_MOUSE_TABLE_SIZE) return 0;
    table[*count].buttonValue = buttonValue;
    table[*count].handler = handler;
    *count += 1;
    return 1;
}

int32_t AppDispatchKey(int32_t key, int32_t modifiers) {
    (void)modifiers; // a binding fires whatever Shift or Control state comes with it
    int32_t result = 0;
    for (int32_t i = 0; i < appKeyCount; i++) {
        if (AppKeyTable[i].key == key) {
            // A null action still counts as a match; only the call is skipped.
            if (AppKeyTable[i].action) AppKeyTable[i].action();
            result = 1;
        }
    }
    return result;
}

// One procedure over the three tables: every binding is offered each of the three
// button bits in turn and called for each bit whose masked value equals its own.
static int32_t DispatchMouse(const AppMouseBinding* table, int32_t count, int32_t kind, int32_t x,
                             int32_t y, int32_t buttons) {
    int32_t result = 0;
    if (count <= 0) return 0;
    // The record lives for the duration of each handler call only; the reserved field
    // is cleared once so that handlers never see stack garbage.
    AppMouseEvent event;
    event.reserved = 0;
    for (int32_t i = 0; i < count; i++) {
        for (int32_t bit = 1; bit <= 4; bit <<= 1) {
            if ((buttons & bit) == table[i].buttonValue) {
                event.kind = kind;
                event.x = x;
                event.y = y;
                event.button = bit;
                if (table[i].handler) table[i].handler(&event);
                result = 1;
            }
        }
    }
    return result;
}

int32_t AppDispatchMouseDown(int32_t x, int32_t y, int32_t buttons) {
    return DispatchMouse(AppMouseDownTable, appMouseDownCount, EV_MOUSEDOWN, x, y, buttons);
}

int32_t AppDispatchMouseUp(int32_t x, int32_t y, int32_t buttons) {
    return DispatchMouse(AppMouseUpTable, appMouseUpCount, EV_MOUSEUP, x, y, buttons);
}

int32_t AppDispatchMouseMove(int32_t x, int32_t y, int32_t buttons) {
    return DispatchMouse(AppMouseMoveTable, appMouseMoveCount, EV_MOUSEMOVE, x, y, buttons);
}
