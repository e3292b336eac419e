// The X11/GLX backend: the connection to the X server, top-level windows and the wait for
// events. A window's X window is its client area; a window manager adds the frame.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/cursorfont.h>
#include <poll.h>
#include <pthread.h>
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

// The actions the fault handler took over (a sanitizer's, say), for SIGSEGV and SIGBUS.
using SignalAction = struct sigaction;
SignalAction previousOnSegv{}, previousOnBus{};

// The GL library reads its replies through a connection library of its own, whose failures never
// reach Xlib's handler: when the server goes in the middle of one of its calls, it follows the
// reply that never came and faults. A fault once the server has closed the connection is that
// loss. Any other fault goes to the action this handler took over, which runs when the faulting
// instruction runs again on return (or at once, for a signal someone sent). Signal-safe calls
// only: recv, sigaction, raise and the core's funnel, which writes and _exits.
void FaultedAfterLoss(int signal, siginfo_t* info, void*) {
    int savedErrno = errno;
    char unread[256];
    ssize_t n = 0;
    while ((n = recv(ConnectionNumber(x11Display), unread, sizeof unread, MSG_DONTWAIT)) > 0) {
    }
    if (n == 0 || (n < 0 && errno == ECONNRESET)) {
        CoreDisplayFailed("lost the connection to the X server");
    }
    sigaction(signal, signal == SIGBUS ? &previousOnBus : &previousOnSegv, nullptr);
    if (info->si_code <= 0) {
        raise(signal); // sent, not a fault: it would not come again by itself
    }
    errno = savedErrno;
}

// GLX's errors for a drawable or window that is not (or no longer) there, as the protocol
// numbers them from the extension's error base.
int glxErrorBase = 0;
enum { GlxBadContextState = 1, GlxBadDrawable = 2, GlxBadCurrentWindow = 5, GlxBadWindow = 12 };

// Errors the server may rightly send for requests made inside a trap (X11TrapErrors): the
// target window has gone, or is not viewable, meanwhile. GLX reports the same as its own.
bool WindowGoneError(const XErrorEvent& error) {
    switch (error.error_code) {
    case BadWindow:
    case BadDrawable:
    case BadMatch:
        return true;
    default:
        return glxErrorBase != 0 && (error.error_code == glxErrorBase + GlxBadContextState ||
                                     error.error_code == glxErrorBase + GlxBadDrawable ||
                                     error.error_code == glxErrorBase + GlxBadCurrentWindow ||
                                     error.error_code == glxErrorBase + GlxBadWindow);
    }
}

// Requests [first, end) whose window-gone errors (or all errors, with anyError) are expected;
// end is 0 while the trap is open.
// Errors come asynchronously, after the call, but carry the serial of the request that failed:
// unlike a trap that syncs with the server at each end, this one costs no round trip, which
// the buffer swap of every frame needs.
struct ErrorTrap {
    unsigned long first, end;
    bool anyError;
};
std::vector<ErrorTrap> errorTraps;
// Xlib runs the handler on the thread that read the error, which may be the GL driver's loader.
pthread_mutex_t errorTrapsLock = PTHREAD_MUTEX_INITIALIZER;

bool Trapped(const XErrorEvent& error) {
    pthread_mutex_lock(&errorTrapsLock);
    // Traps nest (a teardown that expects any error, inside a call that expects its window to
    // have gone): an error is expected when any trap around its request expects it.
    bool trapped = false;
    for (const ErrorTrap& trap : errorTraps) {
        if (error.serial >= trap.first && (trap.end == 0 || error.serial < trap.end)) {
            trapped = trapped || trap.anyError || WindowGoneError(error);
        }
    }
    pthread_mutex_unlock(&errorTrapsLock);
    return trapped;
}

// Any other error means a request of ours the server had no reason to refuse: the backend's
// state and the server's no longer agree, and going on would draw into or wait for the wrong
// thing. Xlib's handler may not make requests; the error's text and the request's name come
// from Xlib's own tables.
int ProtocolError(Display* display, XErrorEvent* error) {
    // Xlib has one handler for the process: another connection's errors (a library's, or a
    // test's own client) are its owner's business.
    if (display != x11Display || Trapped(*error)) {
        return 0;
    }
    // The GL library asks for its drawable's size at any of its calls, not only inside ours:
    // a window another client destroyed fails it until the DestroyNotify has been read.
    const int getGeometry = 14; // X_GetGeometry; <X11/Xproto.h> has a BOOL of its own
    if (error->request_code == getGeometry && WindowGoneError(*error)) {
        return 0;
    }
    char text[128] = "", number[16], request[64] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::snprintf(number, sizeof number, "%d", error->request_code);
    XGetErrorDatabaseText(display, "XRequest", number, number, request, sizeof request);
    if (error->request_code >= 128) { // an extension's: its number and the request's within it
        std::snprintf(request, sizeof request, "request %d.%d", error->request_code,
                      error->minor_code);
    }
    char why[320];
    std::snprintf(why, sizeof why, "the X server refused a request: %s in %s (resource 0x%lx)",
                  text, request, error->resourceid);
    CoreDisplayFailed(why);
}

void InternAtoms(void) {
    char settingsSelection[32];
    std::snprintf(settingsSelection, sizeof settingsSelection, "_XSETTINGS_S%d", x11Screen);
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
        {"UTF8_STRING", &x11Atoms.utf8String},
        {settingsSelection, &x11Atoms.settingsSelection},
        {"_XSETTINGS_SETTINGS", &x11Atoms.settingsProperty},
        {"MANAGER", &x11Atoms.manager}};
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
    // The GL driver loads on a thread of its own, on this connection.
    XInitThreads();
    x11Display = XOpenDisplay(nullptr);
    if (x11Display == nullptr) {
        std::snprintf(why, whySize, "cannot open the X display \"%s\"", name);
        return 0;
    }
    // A write to a server that has gone would otherwise end the process before Xlib reports.
    signal(SIGPIPE, SIG_IGN);
    XSetIOErrorHandler(ConnectionLost);
    XSetErrorHandler(ProtocolError);
    x11Screen = DefaultScreen(x11Display);
    int eventBase = 0, major = 0, minor = 0;
    if (!glXQueryExtension(x11Display, &glxErrorBase, &eventBase) ||
        !glXQueryVersion(x11Display, &major, &minor) || major < 1 || (major == 1 && minor < 3)) {
        std::snprintf(why, whySize, "the X display \"%s\" offers no OpenGL (GLX 1.3)",
                      DisplayString(x11Display));
        XCloseDisplay(x11Display);
        x11Display = nullptr;
        return 0;
    }
    // Once the display is kept; on the alternate stack where one is set up, as a sanitizer
    // sets one up for a stack overflow's fault.
    SignalAction fault{};
    fault.sa_sigaction = FaultedAfterLoss;
    fault.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&fault.sa_mask);
    sigaction(SIGSEGV, &fault, &previousOnSegv);
    sigaction(SIGBUS, &fault, &previousOnBus);
    X11StartGl();
    InternAtoms();
    // Held keys repeat as presses alone, as on Win32, not as release-press pairs.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(x11Display, True, &supported);
    CoreNotifyScreenSize(DisplayWidth(x11Display, x11Screen), DisplayHeight(x11Display, x11Screen));
    X11WatchScale();
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

// A new window's client area and place are in the desktop's units: it opens at the size other
// programs have at the desktop's scale, and the program hears of its area in device pixels.
void* CreateNativeWindow(HWND window, const RECT* logical, const char* title,
                         const char* className) {
    X11Window* native = new X11Window;
    native->window = window;
    RECT scaled{X11Scaled(logical->left), X11Scaled(logical->top), X11Scaled(logical->right),
                X11Scaled(logical->bottom)};
    Record(native, &scaled);
    if (x11Scale != 4) {
        CoreNotifyResize(window, native->width, native->height);
        CoreNotifyMove(window, native->clientX, native->clientY);
    }

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(x11Display, x11Screen);
    attributes.border_pixel = BlackPixel(x11Display, x11Screen);
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = ExposureMask | StructureNotifyMask | FocusChangeMask | KeyPressMask |
                            KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | PropertyChangeMask | VisibilityChangeMask;
    native->xwindow = XCreateWindow(
        x11Display, RootWindow(x11Display, x11Screen), scaled.left, scaled.top,
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
    X11DestroyGl(native, false);
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
        native->minimizeRequest = XNextRequest(x11Display); // counts the GL library's too
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
    X11AwaitGl();
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

// The window's background becomes the erasing colour: the server paints it wherever the
// window shows and OpenGL has not drawn, from the map on.
void PaintBackground(void* handle, const RECT* area, COLORREF colour) {
    X11Window* native = static_cast<X11Window*>(handle);
    if (colour != native->background) {
        native->background = colour;
        XSetWindowBackground(x11Display, native->xwindow, X11Pixel(colour));
        XClearArea(x11Display, native->xwindow, area->left, area->top,
                   static_cast<unsigned>(area->right - area->left),
                   static_cast<unsigned>(area->bottom - area->top), False);
    }
}

// A call of the core's on a window whose X window another client may have destroyed, or a
// box whose window it may have destroyed: its requests fail harmlessly until the
// DestroyNotify saying so has been read.
template <auto Call> struct Trapping;
template <typename Result, typename... Arguments, Result (*Call)(Arguments...)>
struct Trapping<Call> {
    static Result Run(Arguments... arguments) {
        return X11Trapped([&] { return Call(arguments...); });
    }
};

} // namespace

extern const PlatformBackend x11Backend = {
    .name = "x11",
    .Start = Start,
    .Finish = X11AwaitGl,
    .CreateNativeWindow = CreateNativeWindow,
    .DestroyNativeWindow = Trapping<DestroyNativeWindow>::Run,
    .ShowNativeWindow = Trapping<ShowNativeWindow>::Run,
    .PlaceNativeWindow = Trapping<PlaceNativeWindow>::Run,
    .PaintBackground = Trapping<PaintBackground>::Run,
    .ListPixelConfigs = X11ListPixelConfigs,
    .SetNativePixelFormat = Trapping<X11SetPixelFormat>::Run,
    .CreateContext = X11CreateContext,
    .MakeCurrent = Trapping<X11MakeCurrent>::Run,
    .DeleteContext = X11DeleteContext,
    .SwapNativeBuffers = Trapping<X11SwapBuffers>::Run,
    .PumpEvents = PumpEvents,
    .OpenMessageBox = X11OpenMessageBox,
    .CloseMessageBox = Trapping<X11CloseMessageBox>::Run,
    .IsPaletteDisplay = nullptr, // true colour only
    .SystemPaletteChanged = nullptr,
    .Capture = Trapping<Capture>::Run,
};

unsigned long X11TrapErrors(bool anyError) {
    unsigned long first = XNextRequest(x11Display);
    pthread_mutex_lock(&errorTrapsLock);
    errorTraps.push_back({first, 0, anyError});
    pthread_mutex_unlock(&errorTrapsLock);
    return first;
}

void X11ReleaseErrors(unsigned long first) {
    unsigned long end = XNextRequest(x11Display);
    pthread_mutex_lock(&errorTrapsLock);
    for (auto trap = errorTraps.rbegin(); trap != errorTraps.rend(); ++trap) {
        if (trap->first == first && trap->end == 0) {
            trap->end = end;
            break;
        }
    }
    // The server answers requests in order, an error before anything about a later request:
    // once something about the request after a trap has been read, no error of it can come.
    unsigned long read = LastKnownRequestProcessed(x11Display);
    std::erase_if(errorTraps, [read](const ErrorTrap& trap) {
        return trap.end != 0 && (trap.end == trap.first || read >= trap.end);
    });
    pthread_mutex_unlock(&errorTrapsLock);
}

unsigned long X11Pixel(COLORREF colour) {
    XColor c{};
    c.red = static_cast<unsigned short>(GetRValue(colour) * 257);
    c.green = static_cast<unsigned short>(GetGValue(colour) * 257);
    c.blue = static_cast<unsigned short>(GetBValue(colour) * 257);
    unsigned long trap = X11TrapErrors(true); // a full colour map refuses it: white then
    Status allocated = XAllocColor(x11Display, DefaultColormap(x11Display, x11Screen), &c);
    X11ReleaseErrors(trap);
    return allocated ? c.pixel : WhitePixel(x11Display, x11Screen);
}

std::string X11Property(Window window, Atom property, Atom type, int format) {
    Atom actual = None;
    int actualFormat = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string items;
    unsigned long trap = X11TrapErrors(); // the window may have gone
    if (XGetWindowProperty(x11Display, window, property, 0, 1 << 20, False, type, &actual,
                           &actualFormat, &count, &after, &data) == Success &&
        data != nullptr && actualFormat == format) {
        items.assign(reinterpret_cast<char*>(data), count * (format == 32 ? sizeof(long) : 1));
    }
    X11ReleaseErrors(trap);
    if (data != nullptr) {
        XFree(data);
    }
    return items;
}

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
        // Refused when the window has gone or been unmapped meanwhile.
        X11Trapped(
            [xwindow] { XSetInputFocus(x11Display, xwindow, RevertToPointerRoot, CurrentTime); });
    }
}
