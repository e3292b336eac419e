// X events turned into the core's notifications, which queue or send the Win32 messages.
#include <X11/Xatom.h>

#include <algorithm>
#include <cstring>

#include "core_events.h"
#include "keysym_keys.h"
#include "x11.h"

namespace {

// Where the window's client area lies on the screen now.
void RootPosition(X11Window* native, const XConfigureEvent& event, int* x, int* y) {
    if (event.send_event || !native->reparented) {
        *x = event.x; // a manager's synthetic notice, or our own parent is the root
        *y = event.y;
        return;
    }
    Window child = 0, root = RootWindow(x11Display, x11Screen);
    // The window may have gone since the event.
    X11Trapped(
        [&] { XTranslateCoordinates(x11Display, native->xwindow, root, 0, 0, x, y, &child); });
}

void Configured(X11Window* native, const XConfigureEvent& event) {
    if (event.window != native->xwindow) {
        return;
    }
    int x = 0, y = 0;
    RootPosition(native, event, &x, &y);
    CoreNotifyMove(native->window, x, y);
    if (event.width != native->width || event.height != native->height) {
        native->width = event.width;
        native->height = event.height;
        X11ResizeGl(native);
    }
    CoreNotifyResize(native->window, event.width, event.height);
}

// An exposure comes as a series of rectangles, the last with count 0: the core hears of
// their union, once.
void Exposed(X11Window* native, const XExposeEvent& event) {
    RECT area{event.x, event.y, event.x + event.width, event.y + event.height};
    RECT& u = native->exposed;
    if (u.right <= u.left || u.bottom <= u.top) {
        u = area;
    } else {
        u = RECT{std::min(u.left, area.left), std::min(u.top, area.top),
                 std::max(u.right, area.right), std::max(u.bottom, area.bottom)};
    }
    if (event.count == 0) {
        CoreNotifyExpose(native->window, &u);
        u = RECT{};
    }
}

// Brings the core's modifier keys in line with an X event's modifier state.
void SyncModifiers(unsigned int state) {
    CoreNotifyModifiers((state & ShiftMask) != 0, (state & ControlMask) != 0,
                        (state & Mod1Mask) != 0, (state & LockMask) != 0);
}

// X's buttons 1, 2, 3 (left, middle, right) as the core's; the wheel and extra buttons have no
// messages here.
int ButtonOf(unsigned int button) {
    const int buttons[] = {0, 1, 4, 2};
    return button <= Button3 ? buttons[button] : 0;
}

void Key(X11Window* native, XKeyEvent* event) {
    SyncModifiers(event->state);
    char text[16];
    KeySym typed = NoSymbol;
    int length = XLookupString(event, text, sizeof text, &typed, nullptr);
    int vk = KeysymVirtualKey(static_cast<uint32_t>(XLookupKeysym(event, 0)),
                              static_cast<uint32_t>(typed));
    if (vk == 0) {
        return;
    }
    // What the key types: Xlib's one Latin-1 byte (with Control applied), which is also its
    // Unicode code point, or else the keysym's character.
    int character = 0;
    if (event->type == KeyPress) {
        character = length == 1 ? static_cast<unsigned char>(text[0])
                                : static_cast<int>(KeysymCharacter(static_cast<uint32_t>(typed)));
    }
    CoreNotifyKey(native->window, vk, event->type == KeyPress ? 1 : 0, character);
}

void ProtocolMessage(X11Window* native, XClientMessageEvent* event) {
    if (event->message_type != x11Atoms.wmProtocols || event->format != 32) {
        return;
    }
    Atom protocol = static_cast<Atom>(event->data.l[0]);
    if (protocol == x11Atoms.wmDeleteWindow) {
        CoreNotifyClose(native->window);
    } else if (protocol == x11Atoms.netWmPing) {
        XEvent reply{};
        reply.xclient = *event;
        reply.xclient.window = RootWindow(x11Display, x11Screen);
        XSendEvent(x11Display, reply.xclient.window, False,
                   SubstructureNotifyMask | SubstructureRedirectMask, &reply);
        XFlush(x11Display);
    }
}

// The window manager's WM_STATE: IconicState while minimized; -1 when there is none.
long WindowManagerState(Window xwindow) {
    std::string items = X11Property(xwindow, x11Atoms.wmState, AnyPropertyType, 32);
    long state = -1;
    std::memcpy(&state, items.data(), std::min(items.size(), sizeof state));
    return state;
}

// An event the server sent before it saw the program's last minimize request: it tells of a
// state from before the minimize, not of a restore. Events carry the serial of the last
// request the server had seen from us.
bool BeforeMinimize(const X11Window& native, unsigned long serial) {
    return serial < native.minimizeRequest;
}

// Someone else destroyed our window: the core lets the window go, as on Win32.
void DestroyedElsewhere(X11Window* native) {
    HWND window = native->window;
    x11Windows.erase(std::remove(x11Windows.begin(), x11Windows.end(), native), x11Windows.end());
    X11Trapped([native] { X11DestroyGl(native, true); }); // the GL library may still ask for it
    delete native;
    CoreNotifyLost(window);
}

void HandleEvent(XEvent* event) {
    if (event->type == MappingNotify) {
        XRefreshKeyboardMapping(&event->xmapping);
        return;
    }
    if (X11MessageBoxEvent(event) || X11ScaleEvent(event)) {
        return;
    }
    X11Window* native = X11FindWindow(event->xany.window);
    if (native == nullptr) {
        return;
    }
    HWND window = native->window;
    switch (event->type) {
    case Expose:
        Exposed(native, event->xexpose);
        break;
    case VisibilityNotify:
        if (event->xvisibility.window == native->xwindow) {
            CoreNotifyVisibility(window,
                                 event->xvisibility.state == VisibilityFullyObscured ? 1 : 0);
        }
        break;
    case ConfigureNotify:
        Configured(native, event->xconfigure);
        break;
    case ReparentNotify:
        if (event->xreparent.window == native->xwindow) {
            native->reparented = event->xreparent.parent != RootWindow(x11Display, x11Screen);
        }
        break;
    case MapNotify:
        if (event->xmap.window == native->xwindow) {
            native->mapped = true;
            if (native->focusOnMap) {
                X11FocusIfUnmanaged(native->xwindow, native->reparented);
            }
            // A map the server made before it saw the program minimize the window (a late
            // event of its showing) restores nothing; nothing either when it was not minimized.
            if (!BeforeMinimize(*native, event->xmap.serial)) {
                CoreNotifyMinimize(window, 0);
            }
        }
        break;
    case UnmapNotify:
        if (event->xunmap.window == native->xwindow) {
            native->mapped = false;
            if (!native->hideRequested) {
                CoreNotifyMinimize(window, 1); // iconified by the window manager
            }
        }
        break;
    case PropertyNotify:
        // Managers that minimize without unmapping still mark the window iconic. A change the
        // server made before it saw the program minimize the window restores nothing: the
        // state read now may still be the normal one of before, which the manager has yet to
        // change.
        if (event->xproperty.atom == x11Atoms.wmState &&
            event->xproperty.state == PropertyNewValue) {
            long state = WindowManagerState(native->xwindow);
            if (state == IconicState) {
                CoreNotifyMinimize(window, 1);
            } else if (state == NormalState && !BeforeMinimize(*native, event->xproperty.serial)) {
                CoreNotifyMinimize(window, 0);
            }
        }
        break;
    case DestroyNotify:
        if (event->xdestroywindow.window == native->xwindow) {
            DestroyedElsewhere(native);
        }
        break;
    case FocusIn:
    case FocusOut:
        if (event->xfocus.window != native->xwindow || event->xfocus.mode == NotifyGrab ||
            event->xfocus.mode == NotifyUngrab || event->xfocus.detail == NotifyInferior ||
            event->xfocus.detail == NotifyPointer) {
            break;
        }
        CoreNotifyActivate(window, event->type == FocusIn ? 1 : 0);
        break;
    case KeyPress:
    case KeyRelease:
        Key(native, &event->xkey);
        break;
    case ButtonPress:
    case ButtonRelease: {
        int button = ButtonOf(event->xbutton.button);
        if (button != 0) {
            SyncModifiers(event->xbutton.state);
            CoreNotifyMouseButton(window, button, event->type == ButtonPress ? 1 : 0,
                                  event->xbutton.x, event->xbutton.y);
        }
        break;
    }
    case MotionNotify:
        SyncModifiers(event->xmotion.state);
        CoreNotifyMouseMove(window, event->xmotion.x, event->xmotion.y);
        break;
    case ClientMessage:
        ProtocolMessage(native, &event->xclient);
        break;
    default:
        break;
    }
}

} // namespace

X11Window* X11FindWindow(Window xwindow) {
    for (X11Window* native : x11Windows) {
        if (native->xwindow == xwindow || (native->glWindow != 0 && native->glWindow == xwindow)) {
            return native;
        }
    }
    return nullptr;
}

int X11DrainEvents(void) {
    int count = 0;
    while (XPending(x11Display) > 0) {
        XEvent event;
        XNextEvent(x11Display, &event);
        HandleEvent(&event);
        ++count;
    }
    return count;
}
