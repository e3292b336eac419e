// The X11/GLX backend: the connection to the X server, top-level windows and the wait for
// events. A window's X window is its client area; a window manager adds the frame.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/cursorfont.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "backend.h"
#include "core_events.h"
#include "x11.h"

Display* x11Display = nullptr;
int x11Screen = 0;
X11Atoms x11Atoms{};
std::vector<X11Window*> x11Windows;

namespace {

// The arrow every class of ours asks for, from the user's cursor theme (XCURSOR_THEME,
// XCURSOR_SIZE) or else the server's own font; without one a window shows its parent's.
Cursor ArrowCursor(void) {
    static Cursor arrow = XcursorLibraryLoadCursor(x11Display, "left_ptr");
    if (arrow == 0) {
        arrow = XCreateFontCursor(x11Display, XC_left_ptr);
    }
    return arrow;
}

// A lost connection cannot be recovered: the core says so and ends, as Xlib would end anyway.
int ConnectionLost(Display*) { CoreDisplayFailed("lost the connection to the X server"); }

// The GL library reads its replies through a connection library of its own, whose failures never
// reach Xlib's handler: when the server goes in the middle of one of its calls, it follows the
// reply that never came and faults. A fault once the server has closed the connection is that
// loss; any other stays a fault, with the default action (the handler is reset on entry).
void FaultedAfterLoss(int signal) {
    char unread[256];
    ssize_t n = 0;
    while ((n = recv(ConnectionNumber(x11Display), unread, sizeof unread, MSG_DONTWAIT)) > 0) {
    }
    if (n == 0 || (n < 0 && errno == ECONNRESET)) {
        CoreDisplayFailed("lost the connection to the X server");
    }
    raise(signal);
}

// Protocol errors (a window gone meanwhile, a refused focus) are not fatal here; the calls
// that care check their own results.
int ProtocolError(Display*, XErrorEvent*) { return 0; }

void InternAtoms(void) {
    const std::pair<const char*, Atom*> table[] = {
        {"WM_PROTOCOLS", &x11Atoms.wmProtocols},
        {"WM_DELETE_WINDOW", &x11Atoms.wmDeleteWindow},
        {"WM_STATE", &x11Atoms.wmState},
        {"WM_CHANGE_STATE", &x11Atoms.wmChangeState},
        {"_NET_WM_PING", &x11Atoms.netWmPing},
        {"_NET_WM_PID", &x11Atoms.netWmPid},
        {"_NET_WM_NAME", &x11Atoms.netWmName},
        {"_NET_WM_ICON_NAME", &x11Atoms.netWmIconName},
        {"_NET_WM_WINDOW_TYPE", &x11Atoms.netWmWindowType},
        {"_NET_WM_WINDOW_TYPE_NORMAL", &x11Atoms.netWmWindowTypeNormal},
        {"_NET_WM_WINDOW_TYPE_DIALOG", &x11Atoms.netWmWindowTypeDialog},
        {"_NET_WM_STATE", &x11Atoms.netWmState},
        {"_NET_WM_STATE_HIDDEN", &x11Atoms.netWmStateHidden},
        {"_NET_WM_STATE_MODAL", &x11Atoms.netWmStateModal},
        {"UTF8_STRING", &x11Atoms.utf8String}};
    const int count = sizeof table / sizeof table[0];
    char* names[count];
    Atom atoms[count];
    for (int i = 0; i < count; ++i) {
        names[i] = const_cast<char*>(table[i].first);
    }
    // One round trip for all of them.
    XInternAtoms(x11Display, names, count, False, atoms);
    for (int i = 0; i < count; ++i) {
        *table[i].second = atoms[i];
    }
}

int Start(char* why, size_t whySize) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == 0) {
        std::snprintf(why, whySize, "no X display: DISPLAY is not set");
        return 0;
    }
    x11Display = XOpenDisplay(nullptr);
    if (x11Display == nullptr) {
        std::snprintf(why, whySize, "cannot open the X display \"%s\"", name);
        return 0;
    }
    // A write to a server that has gone would otherwise end the process before Xlib reports.
    signal(SIGPIPE, SIG_IGN);
    XSetIOErrorHandler(ConnectionLost);
    XSetErrorHandler(ProtocolError);
    struct sigaction fault {};
    fault.sa_handler = FaultedAfterLoss;
    fault.sa_flags = SA_RESETHAND;
    sigaction(SIGSEGV, &fault, nullptr);
    sigaction(SIGBUS, &fault, nullptr);
    x11Screen = DefaultScreen(x11Display);
    int errorBase = 0, eventBase = 0, major = 0, minor = 0;
    if (!glXQueryExtension(x11Display, &errorBase, &eventBase) ||
        !glXQueryVersion(x11Display, &major, &minor) || major < 1 || (major == 1 && minor < 3)) {
        std::snprintf(why, whySize, "the X display \"%s\" offers no OpenGL (GLX 1.3)",
                      DisplayString(x11Display));
        XCloseDisplay(x11Display);
        x11Display = nullptr;
        return 0;
    }
    // The GL library loads its driver on its first question about configurations, which takes
    // a while; asked here, before any window shows, not while the program sets one up.
    int count = 0;
    if (GLXFBConfig* configs = glXGetFBConfigs(x11Display, x11Screen, &count)) {
        XFree(configs); // a server without configurations gives null, which XFree does not take
    }
    InternAtoms();
    // Held keys repeat as presses alone, as on Win32, not as release-press pairs.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(x11Display, True, &supported);
    CoreNotifyScreenSize(DisplayWidth(x11Display, x11Screen), DisplayHeight(x11Display, x11Screen));
    return 1;
}

std::string Latin1(const char* utf8) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p != 0;) {
        unsigned c = *p++;
        if (c >= 0x80) {
            int more = (c >= 0xF0) ? 3 : (c >= 0xE0) ? 2 : (c >= 0xC0) ? 1 : 0;
            c &= (0x3F >> more);
            for (; more > 0 && (*p & 0xC0) == 0x80; --more) {
                c = (c << 6) | (*p++ & 0x3F);
            }
        }
        out += static_cast<char>(c <= 0xFF ? c : '?');
    }
    return out;
}

void SetSizeHints(const X11Window& native) {
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | USSize | PSize | PMinSize | PWinGravity;
    hints.x = native.clientX;
    hints.y = native.clientY;
    hints.width = std::max(native.width, 1);
    hints.height = std::max(native.height, 1);
    hints.min_width = 1;
    hints.min_height = 1;
    // The requested position is the client area's, whatever frame a manager adds.
    hints.win_gravity = StaticGravity;
    XSetWMNormalHints(x11Display, native.xwindow, &hints);
}

// The window takes the keyboard, and is mapped in the given state (NormalState, IconicState).
void SetWmHints(Window xwindow, int state) {
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = state;
    XSetWMHints(x11Display, xwindow, &hints);
}

void SetIdentity(Window xwindow, const char* className) {
    std::string instance = CoreProgramName();
    XClassHint classHint{instance.data(), const_cast<char*>(className)};
    XSetClassHint(x11Display, xwindow, &classHint);
    SetWmHints(xwindow, NormalState);

    Atom protocols[] = {x11Atoms.wmDeleteWindow, x11Atoms.netWmPing};
    XSetWMProtocols(x11Display, xwindow, protocols, 2);
    long pid = static_cast<long>(getpid());
    XChangeProperty(x11Display, xwindow, x11Atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) == 0) {
        XTextProperty machine{};
        char* list[] = {host};
        if (XStringListToTextProperty(list, 1, &machine)) {
            XSetWMClientMachine(x11Display, xwindow, &machine);
            XFree(machine.value);
        }
    }
    Atom type = x11Atoms.netWmWindowTypeNormal;
    XChangeProperty(x11Display, xwindow, x11Atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&type), 1);
}

// Where the core has put the client area.
void Record(X11Window* native, const RECT* area) {
    native->clientX = area->left;
    native->clientY = area->top;
    native->width = area->right - area->left;
    native->height = area->bottom - area->top;
}

void* CreateNativeWindow(HWND window, const RECT* area, const char* title, const char* className) {
    X11Window* native = new X11Window;
    native->window = window;
    Record(native, area);

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(x11Display, x11Screen);
    attributes.border_pixel = BlackPixel(x11Display, x11Screen);
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = ExposureMask | StructureNotifyMask | FocusChangeMask | KeyPressMask |
                            KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | PropertyChangeMask | VisibilityChangeMask;
    native->xwindow = XCreateWindow(
        x11Display, RootWindow(x11Display, x11Screen), area->left, area->top,
        X11Side(native->width), X11Side(native->height), 0, CopyFromParent, InputOutput,
        CopyFromParent, CWBackPixel | CWBorderPixel | CWBitGravity | CWEventMask, &attributes);
    XDefineCursor(x11Display, native->xwindow, ArrowCursor());
    X11SetTitle(native->xwindow, title);
    SetIdentity(native->xwindow, className);
    SetSizeHints(*native);
    x11Windows.push_back(native);
    XFlush(x11Display);
    return native;
}

void DestroyNativeWindow(void* handle) {
    X11Window* native = static_cast<X11Window*>(handle);
    x11Windows.erase(std::remove(x11Windows.begin(), x11Windows.end(), native), x11Windows.end());
    X11DestroyGl(native);
    XDestroyWindow(x11Display, native->xwindow);
    XFlush(x11Display);
    delete native;
}

void ShowNativeWindow(void* handle, NativeShow verb, int activate) {
    X11Window* native = static_cast<X11Window*>(handle);
    if (native == nullptr) {
        return;
    }
    switch (verb) {
    case NATIVE_HIDE:
        native->hideRequested = true;
        XWithdrawWindow(x11Display, native->xwindow, x11Screen);
        break;
    case NATIVE_MINIMIZE:
        native->hideRequested = false;
        native->minimizeRequest = NextRequest(x11Display);
        if (native->mapped) {
            XIconifyWindow(x11Display, native->xwindow, x11Screen);
        } else {
            SetWmHints(native->xwindow, IconicState);
            XMapWindow(x11Display, native->xwindow);
        }
        break;
    case NATIVE_SHOW:
    case NATIVE_RESTORE:
        native->hideRequested = false;
        native->focusOnMap = activate != 0;
        XMapRaised(x11Display, native->xwindow);
        break;
    }
    XFlush(x11Display);
}

void PlaceNativeWindow(void* handle, const RECT* area) {
    X11Window* native = static_cast<X11Window*>(handle);
    Record(native, area);
    XMoveResizeWindow(x11Display, native->xwindow, area->left, area->top, X11Side(native->width),
                      X11Side(native->height));
    X11ResizeGl(native);
    XFlush(x11Display);
}

// Waits on the connection itself: no event, no processor time.
int PumpEvents(int wait) {
    if (X11DrainEvents() > 0 || !wait) {
        return 1;
    }
    for (;;) {
        if (x11Windows.empty() && !X11BoxesOpen()) {
            return 0; // no window or box of ours: no event will ever become a message
        }
        pollfd connection{ConnectionNumber(x11Display), POLLIN, 0};
        if (poll(&connection, 1, -1) < 0 && errno != EINTR) {
            ConnectionLost(x11Display);
        }
        if (X11DrainEvents() > 0) {
            return 1;
        }
    }
}

// The core releases capture before it destroys the window, and the server drops a grab whose
// window goes; an ungrab without a grab of ours does nothing.
void Capture(void* handle, int on) {
    if (on) {
        XGrabPointer(x11Display, static_cast<X11Window*>(handle)->xwindow, False,
                     ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime);
    } else {
        XUngrabPointer(x11Display, CurrentTime);
    }
    XFlush(x11Display);
}

int IsPaletteDisplay(void) { return 0; }

void SystemPaletteChanged(void) {}

} // namespace

extern const PlatformBackend x11Backend = {
    .name = "x11",
    .Start = Start,
    .CreateNativeWindow = CreateNativeWindow,
    .DestroyNativeWindow = DestroyNativeWindow,
    .ShowNativeWindow = ShowNativeWindow,
    .PlaceNativeWindow = PlaceNativeWindow,
    .ListPixelConfigs = X11ListPixelConfigs,
    .SetNativePixelFormat = X11SetPixelFormat,
    .CreateContext = X11CreateContext,
    .MakeCurrent = X11MakeCurrent,
    .DeleteContext = X11DeleteContext,
    .SwapNativeBuffers = X11SwapBuffers,
    .PumpEvents = PumpEvents,
    .OpenMessageBox = X11OpenMessageBox,
    .CloseMessageBox = X11CloseMessageBox,
    .IsPaletteDisplay = IsPaletteDisplay,
    .SystemPaletteChanged = SystemPaletteChanged,
    .Capture = Capture,
};

void X11SetTitle(Window xwindow, const char* titleUtf8) {
    std::string latin1 = Latin1(titleUtf8);
    int utf8Length = static_cast<int>(std::strlen(titleUtf8));
    for (Atom property : {x11Atoms.netWmName, x11Atoms.netWmIconName}) {
        XChangeProperty(x11Display, xwindow, property, x11Atoms.utf8String, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(titleUtf8), utf8Length);
    }
    for (Atom property : {static_cast<Atom>(XA_WM_NAME), static_cast<Atom>(XA_WM_ICON_NAME)}) {
        XChangeProperty(x11Display, xwindow, property, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()),
                        static_cast<int>(latin1.size()));
    }
}

void X11FocusIfUnmanaged(Window xwindow, bool reparented) {
    if (reparented) {
        return;
    }
    // A window manager owns the WM_Sn selection; without one nobody hands out the keyboard.
    char selection[32];
    std::snprintf(selection, sizeof selection, "WM_S%d", x11Screen);
    Atom manager = XInternAtom(x11Display, selection, False);
    if (XGetSelectionOwner(x11Display, manager) == None) {
        XSetInputFocus(x11Display, xwindow, RevertToPointerRoot, CurrentTime);
    }
}
