// The message box on X: a small dialog with the caption, the text and an OK button, laid out
// by the core. Return, Escape, Space, a click on OK or the window manager's close answer it;
// the core runs the modal loop meanwhile. On a scaled desktop the layout's units become pixels
// at the desktop's scale, and the text is set in the largest "fixed" font that fits the line.
#include <X11/Xatom.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "core_events.h"
#include "keysym_keys.h"
#include "x11.h"

namespace {

struct Dialog {
    Window xwindow = 0;
    Window owner = 0;
    XFontStruct* font = nullptr;       // the layout's, at 100 %
    bool fontLoaded = false;           // loaded by name (else only queried from the default GC)
    XFontStruct* scaledFont = nullptr; // the text's on a scaled desktop, else none
    int scale = 4;                     // the desktop's when it opened, at least 100 %, in quarters
    int At(int units) const { return units * scale / 4; }
    GC gc = nullptr;
    MessageBoxLayout layout;
};

std::vector<Dialog*> dialogs; // nested boxes, innermost last

int TextWidth(const std::string& s, void* font) {
    return XTextWidth(static_cast<XFontStruct*>(font), s.data(), static_cast<int>(s.size()));
}

// The largest misc-fixed font no taller than `pixels`, down to the 13 pixels of "fixed".
XFontStruct* FixedFontOf(int pixels) {
    for (int size = pixels; size > 13; --size) {
        char name[80];
        std::snprintf(name, sizeof name, "-misc-fixed-medium-r-*--%d-*-*-*-c-*-iso8859-1", size);
        if (XFontStruct* font = XLoadQueryFont(x11Display, name)) {
            return font;
        }
    }
    return nullptr;
}

// Also on an event that came before another client destroyed the box's window.
void Draw(Dialog* d) {
    unsigned long trap = X11TrapErrors();
    Window w = d->xwindow;
    XFontStruct* font = d->scaledFont != nullptr ? d->scaledFont : d->font;
    XClearWindow(x11Display, w);
    XSetForeground(x11Display, d->gc, BlackPixel(x11Display, x11Screen));
    const MessageBoxLayout& l = d->layout;
    int y = d->At(l.textY) + font->ascent;
    for (const std::string& line : l.lines) {
        XDrawString(x11Display, w, d->gc, d->At(l.textX), y, line.data(),
                    static_cast<int>(line.size()));
        y += d->At(l.lineHeight);
    }
    XRectangle b{static_cast<short>(d->At(l.button.left)), static_cast<short>(d->At(l.button.top)),
                 static_cast<unsigned short>(d->At(l.button.right - l.button.left)),
                 static_cast<unsigned short>(d->At(l.button.bottom - l.button.top))};
    XSetForeground(x11Display, d->gc,
                   d->layout.pressed ? BlackPixel(x11Display, x11Screen)
                                     : X11Pixel(RGB(0xF0, 0xF0, 0xF0)));
    XFillRectangle(x11Display, w, d->gc, b.x, b.y, b.width, b.height);
    XSetForeground(x11Display, d->gc,
                   d->layout.pressed ? WhitePixel(x11Display, x11Screen)
                                     : BlackPixel(x11Display, x11Screen));
    XDrawRectangle(x11Display, w, d->gc, b.x, b.y, b.width - 1, b.height - 1);
    const char* label = "OK";
    int labelWidth = XTextWidth(font, label, 2);
    XDrawString(x11Display, w, d->gc, b.x + (b.width - labelWidth) / 2,
                b.y + (b.height + font->ascent - font->descent) / 2, label, 2);
    X11ReleaseErrors(trap);
    XFlush(x11Display);
}

void Place(Dialog* d, HWND owner, int* x, int* y) {
    int cx = DisplayWidth(x11Display, x11Screen) / 2, cy = DisplayHeight(x11Display, x11Screen) / 2;
    RECT client{};
    if (CoreVisibleClientArea(owner, &client)) {
        cx = (client.left + client.right) / 2;
        cy = (client.top + client.bottom) / 2;
    }
    *x = std::max(cx - d->At(d->layout.width) / 2, 0);
    *y = std::max(cy - d->At(d->layout.height) / 2, 0);
}

} // namespace

void* X11OpenMessageBox(HWND owner, const char* text, const char* caption, UINT) {
    Dialog* d = new Dialog;
    d->font = XLoadQueryFont(x11Display, "fixed");
    d->fontLoaded = d->font != nullptr;
    if (d->font == nullptr) {
        d->font = XQueryFont(x11Display, XGContextFromGC(DefaultGC(x11Display, x11Screen)));
    }
    d->layout =
        CoreLayOutMessageBox(text, d->font->ascent + d->font->descent + 2, TextWidth, d->font);
    d->scale = std::max(x11Scale, 4);
    const int width = d->At(d->layout.width), height = d->At(d->layout.height);
    if (d->scale != 4) {
        d->scaledFont = FixedFontOf(d->At(d->font->ascent + d->font->descent));
    }
    int x = 0, y = 0;
    Place(d, owner, &x, &y);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = X11Pixel(RGB(0xD8, 0xD8, 0xD8));
    attributes.border_pixel = BlackPixel(x11Display, x11Screen);
    attributes.event_mask =
        ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    Window root = RootWindow(x11Display, x11Screen);
    d->xwindow =
        XCreateWindow(x11Display, root, x, y, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 1, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    X11SetTitle(d->xwindow, caption);
    XSizeHints size{};
    size.flags = USPosition | PPosition | PMinSize | PMaxSize;
    size.x = x;
    size.y = y;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(x11Display, d->xwindow, &size);
    std::string instance = CoreProgramName(), className = "MessageBox";
    XClassHint classHint{instance.data(), className.data()};
    XSetClassHint(x11Display, d->xwindow, &classHint);
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
    if (d->scaledFont != nullptr || d->fontLoaded) {
        XSetFont(x11Display, d->gc, (d->scaledFont != nullptr ? d->scaledFont : d->font)->fid);
    }
    XMapRaised(x11Display, d->xwindow);
    XFlush(x11Display);
    dialogs.push_back(d);
    return d;
}

void X11CloseMessageBox(void* box) {
    Dialog* d = static_cast<Dialog*>(box);
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), d), dialogs.end());
    XFreeGC(x11Display, d->gc);
    XDestroyWindow(x11Display, d->xwindow);
    if (d->scaledFont != nullptr) {
        XFreeFont(x11Display, d->scaledFont);
    }
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
    delete d;
}

int X11BoxesOpen(void) { return !dialogs.empty(); }

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
    case KeyPress:
        CoreMessageBoxKey(
            d, KeysymVirtualKey(static_cast<uint32_t>(XLookupKeysym(&event->xkey, 0)), 0));
        break;
    case ButtonPress:
    case ButtonRelease:
        if (event->xbutton.button == Button1 &&
            CoreMessageBoxButton(d, &d->layout, event->type == ButtonPress,
                                 event->xbutton.x * 4 / d->scale,
                                 event->xbutton.y * 4 / d->scale)) {
            Draw(d);
        }
        break;
    case ClientMessage:
        if (event->xclient.message_type == x11Atoms.wmProtocols &&
            static_cast<Atom>(event->xclient.data.l[0]) == x11Atoms.wmDeleteWindow) {
            CoreNotifyMessageBoxAnswer(d, IDOK);
        }
        break;
    default:
        break;
    }
    return 1;
}
