// MessageBoxA on X: a small modal dialog with the caption, the text and an OK button.
// Return, Escape, Space, a click on OK or the window manager's close dismiss it. While it
// is up the program's messages keep flowing (paint, size, timers of the owner), but its
// other windows take no input, as Win32 disables the owner.
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "core_events.h"
#include "x11.h"

namespace {

struct Dialog {
    Window xwindow = 0;
    Window owner = 0;
    XFontStruct* font = nullptr;
    bool fontLoaded = false; // loaded by name (else only queried from the default GC)
    GC gc = nullptr;
    std::vector<std::string> lines;
    int width = 0, height = 0;
    XRectangle button{};
    bool pressed = false;
    bool done = false;
};

std::vector<Dialog*> dialogs; // nested boxes, innermost last

const int margin = 16;
const int buttonWidth = 80;
const int buttonHeight = 26;

std::vector<std::string> SplitLines(const char* text) {
    std::vector<std::string> lines;
    std::string line;
    for (const char* p = text; *p != 0; ++p) {
        if (*p == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (*p != '\r') {
            line += *p;
        }
    }
    if (!line.empty() || lines.empty()) {
        lines.push_back(line);
    }
    return lines;
}

int TextWidth(const Dialog& d, const std::string& s) {
    return XTextWidth(d.font, s.data(), static_cast<int>(s.size()));
}

int LineHeight(const Dialog& d) { return d.font->ascent + d.font->descent + 2; }

void Layout(Dialog* d) {
    int textWidth = 0;
    for (const std::string& line : d->lines) {
        textWidth = std::max(textWidth, TextWidth(*d, line));
    }
    d->width = std::max(textWidth + 2 * margin, 240);
    int textHeight = static_cast<int>(d->lines.size()) * LineHeight(*d);
    d->height = margin + textHeight + margin + buttonHeight + margin;
    d->button = XRectangle{static_cast<short>((d->width - buttonWidth) / 2),
                           static_cast<short>(d->height - margin - buttonHeight),
                           static_cast<unsigned short>(buttonWidth),
                           static_cast<unsigned short>(buttonHeight)};
}

unsigned long Grey(int level) {
    XColor colour{};
    colour.red = colour.green = colour.blue = static_cast<unsigned short>(level * 257);
    Colormap map = DefaultColormap(x11Display, x11Screen);
    return XAllocColor(x11Display, map, &colour) ? colour.pixel : WhitePixel(x11Display, x11Screen);
}

void Draw(Dialog* d) {
    Window w = d->xwindow;
    XClearWindow(x11Display, w);
    XSetForeground(x11Display, d->gc, BlackPixel(x11Display, x11Screen));
    int y = margin + d->font->ascent;
    for (const std::string& line : d->lines) {
        XDrawString(x11Display, w, d->gc, margin, y, line.data(), static_cast<int>(line.size()));
        y += LineHeight(*d);
    }
    const XRectangle& b = d->button;
    XSetForeground(x11Display, d->gc, d->pressed ? BlackPixel(x11Display, x11Screen) : Grey(0xF0));
    XFillRectangle(x11Display, w, d->gc, b.x, b.y, b.width, b.height);
    XSetForeground(x11Display, d->gc,
                   d->pressed ? WhitePixel(x11Display, x11Screen)
                              : BlackPixel(x11Display, x11Screen));
    XDrawRectangle(x11Display, w, d->gc, b.x, b.y, b.width - 1, b.height - 1);
    const char* label = "OK";
    int labelWidth = XTextWidth(d->font, label, 2);
    XDrawString(x11Display, w, d->gc, b.x + (b.width - labelWidth) / 2,
                b.y + (b.height + d->font->ascent - d->font->descent) / 2, label, 2);
    XFlush(x11Display);
}

bool InButton(const Dialog& d, int x, int y) {
    return x >= d.button.x && y >= d.button.y && x < d.button.x + d.button.width &&
           y < d.button.y + d.button.height;
}

void Place(Dialog* d, HWND owner, int* x, int* y) {
    int cx = DisplayWidth(x11Display, x11Screen) / 2, cy = DisplayHeight(x11Display, x11Screen) / 2;
    RECT client{};
    if (CoreVisibleClientArea(owner, &client)) {
        cx = (client.left + client.right) / 2;
        cy = (client.top + client.bottom) / 2;
    }
    *x = std::max(cx - d->width / 2, 0);
    *y = std::max(cy - d->height / 2, 0);
}

void Open(Dialog* d, HWND owner, const char* caption) {
    d->font = XLoadQueryFont(x11Display, "fixed");
    d->fontLoaded = d->font != nullptr;
    if (d->font == nullptr) {
        d->font = XQueryFont(x11Display, XGContextFromGC(DefaultGC(x11Display, x11Screen)));
    }
    Layout(d);
    int x = 0, y = 0;
    Place(d, owner, &x, &y);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = Grey(0xD8);
    attributes.border_pixel = BlackPixel(x11Display, x11Screen);
    attributes.event_mask =
        ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    Window root = RootWindow(x11Display, x11Screen);
    d->xwindow =
        XCreateWindow(x11Display, root, x, y, static_cast<unsigned>(d->width),
                      static_cast<unsigned>(d->height), 1, CopyFromParent, InputOutput,
                      CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    X11SetTitle(d->xwindow, caption);
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | PPosition | PMinSize | PMaxSize;
    size->x = x;
    size->y = y;
    size->min_width = size->max_width = d->width;
    size->min_height = size->max_height = d->height;
    XSetWMNormalHints(x11Display, d->xwindow, size);
    XFree(size);
    XClassHint* classHint = XAllocClassHint();
    std::string instance = program_invocation_short_name;
    std::string className = "MessageBox";
    classHint->res_name = instance.data();
    classHint->res_class = className.data();
    XSetClassHint(x11Display, d->xwindow, classHint);
    XFree(classHint);
    XSetWMProtocols(x11Display, d->xwindow, &x11Atoms.wmDeleteWindow, 1);
    Atom type = x11Atoms.netWmWindowTypeDialog;
    XChangeProperty(x11Display, d->xwindow, x11Atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&type), 1);
    Atom modal = x11Atoms.netWmStateModal;
    XChangeProperty(x11Display, d->xwindow, x11Atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&modal), 1);
    X11Window* ownerNative = static_cast<X11Window*>(CoreNativeWindow(owner));
    if (ownerNative != nullptr) {
        d->owner = ownerNative->xwindow;
        XSetTransientForHint(x11Display, d->xwindow, d->owner);
    }
    d->gc = XCreateGC(x11Display, d->xwindow, 0, nullptr);
    if (d->fontLoaded) {
        XSetFont(x11Display, d->gc, d->font->fid);
    }
    XMapRaised(x11Display, d->xwindow);
    XFlush(x11Display);
}

void Close(Dialog* d) {
    XFreeGC(x11Display, d->gc);
    XDestroyWindow(x11Display, d->xwindow);
    if (d->fontLoaded) {
        XFreeFont(x11Display, d->font);
    } else {
        XFreeFontInfo(nullptr, d->font, 1);
    }
    // Without a window manager the keyboard goes back to the owner by hand.
    if (d->owner != 0 && X11FindWindow(d->owner) != nullptr && X11FindWindow(d->owner)->mapped) {
        X11FocusIfUnmanaged(d->owner, X11FindWindow(d->owner)->reparented);
    }
    XFlush(x11Display);
}

} // namespace

int X11MessageBox(HWND owner, const char* text, const char* caption, UINT) {
    Dialog* d = new Dialog;
    d->lines = SplitLines(text);
    Open(d, owner, caption);
    dialogs.push_back(d);
    while (!d->done && CoreServeModalMessages(&d->done) && !d->done) {
        if (X11DrainEvents() == 0) {
            pollfd connection{ConnectionNumber(x11Display), POLLIN, 0};
            poll(&connection, 1, -1);
        }
    }
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), d), dialogs.end());
    Close(d);
    delete d;
    return IDOK;
}

bool X11ModalActive(void) { return !dialogs.empty(); }

int X11MessageBoxEvent(XEvent* event) {
    Dialog* d = nullptr;
    for (Dialog* each : dialogs) {
        if (each->xwindow == event->xany.window) {
            d = each;
        }
    }
    if (d == nullptr) {
        return 0;
    }
    switch (event->type) {
    case Expose:
        if (event->xexpose.count == 0) {
            Draw(d);
        }
        break;
    case MapNotify:
        X11FocusIfUnmanaged(d->xwindow, false);
        break;
    case KeyPress: {
        KeySym key = XLookupKeysym(&event->xkey, 0);
        if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space) {
            d->done = true;
        }
        break;
    }
    case ButtonPress:
        if (event->xbutton.button == Button1 && InButton(*d, event->xbutton.x, event->xbutton.y)) {
            d->pressed = true;
            Draw(d);
        }
        break;
    case ButtonRelease:
        if (event->xbutton.button == Button1 && d->pressed) {
            d->pressed = false;
            d->done = InButton(*d, event->xbutton.x, event->xbutton.y);
            Draw(d);
        }
        break;
    case ClientMessage:
        if (event->xclient.message_type == x11Atoms.wmProtocols &&
            static_cast<Atom>(event->xclient.data.l[0]) == x11Atoms.wmDeleteWindow) {
            d->done = true;
        }
        break;
    default:
        break;
    }
    return 1;
}
