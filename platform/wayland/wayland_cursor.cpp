// The class's arrow on Wayland: a compositor shows whatever image a client sets when the
// pointer enters its surface, and leaves it undefined (a border's resize arrow, or nothing)
// if the client sets none. The image comes from the user's cursor theme (XCURSOR_THEME, and
// XCURSOR_SIZE in logical pixels) at the surface's scale, rounded up to a whole one on a
// fractional scale: a cursor surface takes an integer buffer scale, and a larger image
// shrunk by the compositor stays sharper than a smaller one enlarged.
#include <wayland-cursor.h>

#include <cstdlib>

#include "wayland.h"

namespace {

struct Theme {
    int scale;
    wl_cursor_theme* theme;
    wl_cursor* arrow;
};

std::vector<Theme> themes; // one per scale met
wl_surface* arrowSurface = nullptr;

int ThemeSize(void) {
    const char* size = std::getenv("XCURSOR_SIZE");
    int pixels = size != nullptr ? std::atoi(size) : 0;
    return pixels > 0 && pixels <= 256 ? pixels : 24;
}

wl_cursor* ArrowAt(int scale) {
    for (const Theme& t : themes) {
        if (t.scale == scale) {
            return t.arrow;
        }
    }
    // Without the named theme libwayland-cursor falls back to the default and then to images
    // of its own.
    wl_cursor_theme* theme =
        wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), ThemeSize() * scale, waylandShm);
    wl_cursor* arrow = nullptr;
    if (theme != nullptr) {
        arrow = wl_cursor_theme_get_cursor(theme, "left_ptr");
        if (arrow == nullptr) {
            arrow = wl_cursor_theme_get_cursor(theme, "default");
        }
    }
    themes.push_back(Theme{scale, theme, arrow});
    return arrow;
}

} // namespace

void WaylandShowArrow(wl_pointer* pointer, uint32_t serial, wl_surface* surface) {
    WaylandWindow* native = WaylandFindSurface(surface);
    if (native == nullptr && !WaylandIsBox(surface)) {
        return; // libdecor's frame sets its own
    }
    int scale = native != nullptr ? (native->scale + 119) / 120 : 1;
    wl_cursor* arrow = ArrowAt(scale);
    if (arrow == nullptr || arrow->image_count == 0) {
        return;
    }
    wl_cursor_image* image = arrow->images[0];
    wl_buffer* buffer = wl_cursor_image_get_buffer(image);
    if (buffer == nullptr) {
        return;
    }
    if (arrowSurface == nullptr) {
        arrowSurface = wl_compositor_create_surface(waylandCompositor);
    }
    wl_surface_set_buffer_scale(arrowSurface, scale);
    wl_surface_attach(arrowSurface, buffer, 0, 0);
    wl_surface_damage(arrowSurface, 0, 0, static_cast<int32_t>(image->width),
                      static_cast<int32_t>(image->height));
    wl_surface_commit(arrowSurface);
    wl_pointer_set_cursor(pointer, serial, arrowSurface,
                          static_cast<int32_t>(image->hotspot_x) / scale,
                          static_cast<int32_t>(image->hotspot_y) / scale);
}
