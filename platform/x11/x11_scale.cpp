// The desktop's scale on X11, which X itself does not know: the dpi the user's desktop sets
// for every program, XSETTINGS' Xft/DPI where a settings manager runs (GNOME's), otherwise
// Xft.dpi in the root window's resources (RESOURCE_MANAGER, which xrdb and the desktops
// set). Windows open at that scale; a change while they run resizes them.
#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core_events.h"
#include "x11.h"

int x11Scale = 4;

namespace {

Window settingsOwner = None; // the XSETTINGS manager's window, while one runs

// Xft/DPI from the XSETTINGS manager's settings, in 1024ths of a dot per inch; 0 when absent.
// The settings: byte order, serial, count, then each as type (0 integer, 1 string, 2 colour),
// name, serial and value, padded to 4 bytes.
long SettingsDpi(const std::string& s) {
    auto card = [&s](size_t at, size_t bytes) -> unsigned long {
        unsigned long value = 0;
        for (size_t i = 0; i < bytes; ++i) {
            size_t k = s[0] == 0 ? at + bytes - 1 - i : at + i; // LSBFirst: the last byte leads
            value = value << 8 | static_cast<unsigned char>(s[k]);
        }
        return value;
    };
    auto pad = [](size_t n) { return (n + 3) & ~static_cast<size_t>(3); };
    if (s.size() < 12) {
        return 0;
    }
    unsigned long count = card(8, 4);
    size_t at = 12;
    for (unsigned long i = 0; i < count && at + 8 <= s.size(); ++i) {
        int type = static_cast<unsigned char>(s[at]);
        size_t nameLength = card(at + 2, 2);
        size_t name = at + 4;
        at = name + pad(nameLength) + 4; // the name, its serial
        if (at > s.size()) {
            return 0;
        }
        std::string settingName = s.substr(name, nameLength);
        if (type == 0 && at + 4 <= s.size()) {
            if (settingName == "Xft/DPI") {
                return static_cast<long>(static_cast<int32_t>(card(at, 4)));
            }
            at += 4;
        } else if (type == 1 && at + 4 <= s.size()) {
            at += 4 + pad(card(at, 4));
        } else if (type == 2) {
            at += 8;
        } else {
            return 0;
        }
    }
    return 0;
}

// Xft.dpi from the root window's resources (Xlib's copy from the connection's start, or the
// property read anew after a change); 0 when absent.
double ResourceDpi(bool changed) {
    const char* start = XResourceManagerString(x11Display);
    std::string resources =
        changed ? X11Property(RootWindow(x11Display, x11Screen), XA_RESOURCE_MANAGER, XA_STRING, 8)
                : std::string(start != nullptr ? start : "");
    if (resources.empty()) {
        return 0;
    }
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources.c_str());
    char* type = nullptr;
    XrmValue value{};
    double dpi = 0;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
        dpi = std::atof(value.addr);
    }
    XrmDestroyDatabase(database);
    return dpi;
}

// Finds the settings manager, if one runs, and watches its settings and its going.
void FindSettingsManager(void) {
    settingsOwner = XGetSelectionOwner(x11Display, x11Atoms.settingsSelection);
    if (settingsOwner != None) {
        unsigned long trap = X11TrapErrors(); // it may have gone meanwhile: the resources say
        XSelectInput(x11Display, settingsOwner, PropertyChangeMask | StructureNotifyMask);
        X11ReleaseErrors(trap);
    }
}

// The scale in quarters: dpi / 96, rounded to a quarter; 100 % where nothing says.
int ReadScale(bool changed) {
    double dpi = 0;
    if (settingsOwner != None) {
        Atom settings = x11Atoms.settingsProperty;
        dpi = SettingsDpi(X11Property(settingsOwner, settings, settings, 8)) / 1024.0;
    }
    if (dpi <= 0) {
        dpi = ResourceDpi(changed);
    }
    int quarters = dpi > 0 ? static_cast<int>(std::lround(dpi * 4 / 96)) : 4;
    return std::clamp(quarters, 1, 32);
}

// A new scale: every window keeps its place and takes the size it has at the new scale.
void Rescale(int scale) {
    if (scale == x11Scale) {
        return;
    }
    int from = x11Scale;
    x11Scale = scale;
    for (X11Window* native : x11Windows) {
        native->width =
            std::max(static_cast<int>(std::lround(1.0 * native->width * scale / from)), 1);
        native->height =
            std::max(static_cast<int>(std::lround(1.0 * native->height * scale / from)), 1);
        unsigned long trap = X11TrapErrors();
        XResizeWindow(x11Display, native->xwindow, X11Side(native->width), X11Side(native->height));
        X11ResizeGl(native);
        X11ReleaseErrors(trap);
        CoreNotifyResize(native->window, native->width, native->height);
    }
    XFlush(x11Display);
}

} // namespace

void X11WatchScale(void) {
    // The resources' changes, and a settings manager's start, announced to the root.
    XSelectInput(x11Display, RootWindow(x11Display, x11Screen),
                 PropertyChangeMask | StructureNotifyMask);
    FindSettingsManager();
    x11Scale = ReadScale(false);
}

int X11ScaleEvent(XEvent* event) {
    Window root = RootWindow(x11Display, x11Screen);
    Window window = event->xany.window;
    if (window != root && (window != settingsOwner || settingsOwner == None)) {
        return 0;
    }
    bool changed = false;
    if (event->type == PropertyNotify) {
        changed = window == root ? event->xproperty.atom == XA_RESOURCE_MANAGER
                                 : event->xproperty.atom == x11Atoms.settingsProperty;
    } else if (event->type == ClientMessage && window == root &&
               event->xclient.message_type == x11Atoms.manager &&
               static_cast<Atom>(event->xclient.data.l[1]) == x11Atoms.settingsSelection) {
        FindSettingsManager(); // a manager started
        changed = true;
    } else if (event->type == DestroyNotify && window == settingsOwner &&
               event->xdestroywindow.window == settingsOwner) {
        settingsOwner = None; // the manager ended: the resources say again
        changed = true;
    }
    if (changed) {
        Rescale(ReadScale(true));
    }
    return 1;
}
