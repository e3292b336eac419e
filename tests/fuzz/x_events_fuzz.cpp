// The X11 backend under synthetic events from a second client on the X server named by
// DISPLAY (scripts/test-fuzz.sh starts an Xvfb): key, button, motion, focus, expose,
// configure with extreme sizes, map and unmap, property changes and client messages with
// unknown atoms, all with the input's values in every field. After each input the window
// must still be there and take an Escape as its key.
//
// Input: events of 16 bytes each: kind, then fields.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "gl.h"
#include "backend_select.h"
#include "toolkit.h"

namespace {

Display* sender = nullptr;
Window target = 0;
KeyCode escapeCode = 0;
Atom wmProtocols = 0, wmDeleteWindow = 0;
int escapes = 0;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "x events: %s\n", what);
    std::abort();
}

void Display_() {
    glClear(GL_COLOR_BUFFER_BIT);
    WtSwapBuffers();
}
void Reshape(int32_t width, int32_t height) { glViewport(0, 0, width, height); }
int32_t Key(int32_t key, int32_t) {
    if (key == VK_ESCAPE) escapes++;
    return key % 2;
}
int32_t Mouse(int32_t x, int32_t, int32_t) { return x % 2; }

// Dispatches what has arrived; bounded, so a window that keeps asking cannot hang a run.
void Pump() {
    MSG message;
    for (int i = 0; i < 5000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); i++) {
        if (message.message == WM_QUIT) Fail("the loop was asked to end");
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

Window FindWindowNamed(Window parent, const char* name) {
    Window root, up, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(sender, parent, &root, &up, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; i++) {
        char* title = nullptr;
        if (XFetchName(sender, children[i], &title) && title) {
            if (std::strcmp(title, name) == 0) found = children[i];
            XFree(title);
        }
        if (!found) found = FindWindowNamed(children[i], name);
    }
    if (children) XFree(children);
    return found;
}

int Extreme(uint8_t code, uint16_t value) {
    switch (code % 6) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return 65535;
    case 3:
        return 4000;
    case 4:
        return -1;
    default:
        return value;
    }
}

void Send(XEvent* event) {
    event->xany.window = target;
    event->xany.send_event = True;
    XSendEvent(sender, target, False, NoEventMask, event);
}

void SendEscape() {
    XEvent event{};
    event.type = MapNotify;
    event.xmap.event = target;
    Send(&event);
    event = XEvent{};
    event.type = FocusIn;
    event.xfocus.mode = NotifyNormal;
    event.xfocus.detail = NotifyNonlinear;
    Send(&event);
    for (int type : {KeyPress, KeyRelease}) {
        event = XEvent{};
        event.type = type;
        event.xkey.keycode = escapeCode;
        event.xkey.root = DefaultRootWindow(sender);
        event.xkey.same_screen = True;
        Send(&event);
    }
}

// Lets the events sent so far reach the program and be dispatched. The backend takes
// input after a mouse button only once the program has seen the button, one pass of the
// queue per button event, so a burst of buttons takes as many passes.
void Deliver(int passes) {
    XSync(sender, False);
    for (int i = 0; i < passes; i++) {
        Pump();
        if (i < 3) Sleep(1);
    }
}

// The window lives for the whole run; it goes before the backend's tables do.
void CloseAtExit() {
    if (IsWindow(windowState.window)) WtCloseWindow(windowState.window);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sender = XOpenDisplay(nullptr);
    if (!sender) {
        std::fprintf(stderr, "x events: no X display (DISPLAY=%s)\n", getenv("DISPLAY"));
        std::exit(1);
    }
    // The desktop program's own way to its backend (platform_entry's main does this).
    setenv("VORLANTH_PLATFORM", "x11", 1);
    if (!PlatformSelectBackend(programBackends, programBackendCount)) std::exit(1);
    escapeCode = XKeysymToKeycode(sender, XK_Escape);
    wmProtocols = XInternAtom(sender, "WM_PROTOCOLS", False);
    wmDeleteWindow = XInternAtom(sender, "WM_DELETE_WINDOW", False);
    WtSetDisplayMode(DM_DOUBLE | DM_DEPTH16);
    WtSetPosition(100, 100, 200, 150);
    if (WtOpenWindow("X events", 0) != 1) Fail("the window did not open");
    std::atexit(CloseAtExit);
    WtSetDisplayHandler(Display_);
    WtSetReshapeHandler(Reshape);
    WtSetKeyDownHandler(Key);
    WtSetMouseDownHandler(Mouse);
    WtSetMouseUpHandler(Mouse);
    WtSetMouseMoveHandler(Mouse);
    for (int i = 0; i < 300 && !target; i++) {
        Pump();
        XSync(sender, False);
        target = FindWindowNamed(DefaultRootWindow(sender), "X events");
        Sleep(10);
    }
    if (!target) Fail("the window never appeared to a second client");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int kinds[] = {KeyPress,        KeyRelease, ButtonPress, ButtonRelease,
                                MotionNotify,    FocusIn,    FocusOut,    Expose,
                                ConfigureNotify, MapNotify,  UnmapNotify, PropertyNotify,
                                ClientMessage};
    for (size_t at = 0; at + 16 <= size; at += 16) {
        const uint8_t* f = data + at;
        uint16_t w1 = static_cast<uint16_t>(f[1] | f[2] << 8),
                 w2 = static_cast<uint16_t>(f[3] | f[4] << 8);
        uint32_t d1, d2;
        std::memcpy(&d1, f + 8, 4);
        std::memcpy(&d2, f + 12, 4);
        XEvent event{};
        event.type = kinds[f[0] % (sizeof kinds / sizeof kinds[0])];
        switch (event.type) {
        case KeyPress:
        case KeyRelease:
            // Escape would end the program, as it should; every other key may come.
            event.xkey.keycode = f[5] == escapeCode ? f[5] + 1 : f[5];
            event.xkey.state = w1;
            event.xkey.x = static_cast<int16_t>(w2);
            event.xkey.root = DefaultRootWindow(sender);
            event.xkey.same_screen = f[6] % 2;
            break;
        case ButtonPress:
        case ButtonRelease:
            event.xbutton.button = f[5];
            event.xbutton.state = w1;
            event.xbutton.x = static_cast<int16_t>(w2);
            event.xbutton.y = static_cast<int16_t>(d1);
            break;
        case MotionNotify:
            event.xmotion.state = w1;
            event.xmotion.x = static_cast<int16_t>(w2);
            event.xmotion.y = static_cast<int16_t>(d1);
            break;
        case FocusIn:
        case FocusOut:
            event.xfocus.mode = f[5] % 4;
            event.xfocus.detail = f[6] % 8;
            break;
        case Expose:
            event.xexpose.x = static_cast<int16_t>(w1);
            event.xexpose.y = static_cast<int16_t>(w2);
            event.xexpose.width = Extreme(f[5], static_cast<uint16_t>(d1));
            event.xexpose.height = Extreme(f[6], static_cast<uint16_t>(d2));
            event.xexpose.count = f[7] % 3;
            break;
        case ConfigureNotify:
            event.xconfigure.event = target;
            event.xconfigure.x = static_cast<int16_t>(w1);
            event.xconfigure.y = static_cast<int16_t>(w2);
            event.xconfigure.width = Extreme(f[5], static_cast<uint16_t>(d1));
            event.xconfigure.height = Extreme(f[6], static_cast<uint16_t>(d2));
            event.xconfigure.border_width = f[7] % 4;
            break;
        case MapNotify:
            event.xmap.event = target;
            break;
        case UnmapNotify:
            event.xunmap.event = target;
            event.xunmap.from_configure = f[5] % 2;
            break;
        case PropertyNotify:
            event.xproperty.atom = 1 + d1 % 400; // predefined and interned atoms alike
            event.xproperty.state = f[5] % 2;
            break;
        case ClientMessage:
            event.xclient.message_type = 1 + d1 % 400;
            event.xclient.format = (f[5] % 3 + 1) * 8;
            for (int i = 0; i < 5; i++)
                event.xclient.data.l[i] = static_cast<long>(d2 * (i + 1) + f[6 + i % 2]);
            // A close request ends the program, as it should.
            if (event.xclient.message_type == wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow) {
                event.xclient.data.l[0] = 0;
            }
            break;
        }
        Send(&event);
    }
    const int events = static_cast<int>(size / 16);
    Deliver(4 + events);
    if (!IsWindow(windowState.window)) Fail("the window is gone");
    const int before = escapes;
    SendEscape();
    Deliver(4 + events);
    if (escapes != before + 1) Fail("Escape did not reach the key handler");
    return 0;
}
