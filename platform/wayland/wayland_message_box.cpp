// The message box on Wayland: a toplevel, the owner's child, with the caption in its title
// bar, the text and an OK button as the core lays them out, drawn with FreeType (a
// sans-serif font that fontconfig finds) into a shared-memory buffer. Return, Escape, Space,
// a click on OK or the compositor's close answer it; the core runs the modal loop meanwhile.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <sys/mman.h>

#include <algorithm>
#include <string>

#include "core_events.h"
#include "keysym_keys.h"
#include "viewporter-client-protocol.h"
#include "wayland.h"

namespace {

struct Dialog {
    wl_surface* surface = nullptr;
    libdecor_frame* frame = nullptr;
    wl_buffer* buffer = nullptr;
    wp_viewport* viewport = nullptr; // on the owner's fractional path
    uint32_t* pixels = nullptr;
    FT_Face face = nullptr;
    MessageBoxLayout layout;
    int width = 0, height = 0, ascent = 12; // the buffer's size and the font's, in its pixels
    int scale = 120; // buffer pixels per unit of the layout (the desktop's), in 120ths
    bool configured = false;
};

std::vector<Dialog*> dialogs; // nested boxes, innermost last
FT_Library library = nullptr;

const int fontPixels = 14;

// The file of the font fontconfig picks for "sans-serif", opened at the box's size.
FT_Face OpenFont(void) {
    if (library == nullptr && FT_Init_FreeType(&library) != 0) {
        return nullptr;
    }
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    FT_Face face = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0) {
            face = nullptr;
        }
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    if (face != nullptr) {
        FT_Set_Pixel_Sizes(face, 0, fontPixels);
    }
    return face;
}

// Draws (pixels set) or measures (pixels null) a line of ANSI text; returns its width.
int Text(Dialog* d, const std::string& s, int x, int baseline, uint32_t colour) {
    int start = x;
    for (unsigned char c : s) {
        if (d->face == nullptr || FT_Load_Char(d->face, c, d->pixels ? FT_LOAD_RENDER : 0) != 0) {
            continue;
        }
        FT_GlyphSlot g = d->face->glyph;
        for (unsigned row = 0; d->pixels != nullptr && row < g->bitmap.rows; ++row) {
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                int px = x + g->bitmap_left + static_cast<int>(col);
                int py = baseline - g->bitmap_top + static_cast<int>(row);
                if (px < 0 || py < 0 || px >= d->width || py >= d->height) {
                    continue;
                }
                unsigned a = g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col];
                uint32_t& p = d->pixels[py * d->width + px];
                uint32_t mixed = 0xFF000000u;
                for (int shift = 0; shift < 24; shift += 8) {
                    unsigned from = (p >> shift) & 0xFF, to = (colour >> shift) & 0xFF;
                    mixed |= ((from * (255 - a) + to * a) / 255) << shift;
                }
                p = mixed;
            }
        }
        x += static_cast<int>(g->advance.x >> 6);
    }
    return x - start;
}

void Fill(Dialog* d, int x, int y, int w, int h, uint32_t colour) {
    for (int row = std::max(y, 0); row < std::min(y + h, d->height); ++row) {
        std::fill(d->pixels + row * d->width + std::max(x, 0),
                  d->pixels + row * d->width + std::min(x + w, d->width), colour);
    }
}

int Measure(const std::string& line, void* dialog) {
    return Text(static_cast<Dialog*>(dialog), line, 0, 0, 0);
}

// On a scaled output the layout's units become buffer pixels at the scale and the text is set
// at the scaled size, so that the box is as sharp as the output.
void Draw(Dialog* d) {
    auto at = [d](int units) { return WaylandBufferSize(units, d->scale); };
    const int line = std::max(at(1), 1); // the button's outline
    Fill(d, 0, 0, d->width, d->height, 0xFFD8D8D8);
    const MessageBoxLayout& l = d->layout;
    for (size_t i = 0; i < l.lines.size(); ++i) {
        int top = l.textY + static_cast<int>(i) * l.lineHeight;
        Text(d, l.lines[i], at(l.textX), at(top) + d->ascent, 0xFF000000);
    }
    uint32_t face = l.pressed ? 0xFF000000 : 0xFFF0F0F0;
    uint32_t ink = l.pressed ? 0xFFFFFFFF : 0xFF000000;
    const RECT& b = l.button;
    int left = at(b.left), top = at(b.top);
    int buttonWidth = at(b.right) - left, buttonHeight = at(b.bottom) - top;
    Fill(d, left, top, buttonWidth, buttonHeight, ink);
    Fill(d, left + line, top + line, buttonWidth - 2 * line, buttonHeight - 2 * line, face);
    int labelWidth = Text(d, "OK", 0, 0, 0);
    Text(d, "OK", left + (buttonWidth - labelWidth) / 2,
         top + (buttonHeight + d->ascent) / 2 - line, ink);
    wl_surface_attach(d->surface, d->buffer, 0, 0);
    wl_surface_damage(d->surface, 0, 0, d->layout.width, d->layout.height);
    wl_surface_commit(d->surface);
}

Dialog* Of(void* user) { return static_cast<Dialog*>(user); }

void Configure(libdecor_frame* frame, libdecor_configuration* configuration, void* user) {
    Dialog* d = Of(user);
    libdecor_state* state = libdecor_state_new(d->layout.width, d->layout.height); // fixed
    libdecor_frame_commit(frame, state, configuration);
    libdecor_state_free(state);
    d->configured = true;
    Draw(d);
}

void Close(libdecor_frame*, void* user) { CoreNotifyMessageBoxAnswer(user, IDOK); }

void Commit(libdecor_frame*, void* user) { wl_surface_commit(Of(user)->surface); }

void DismissPopup(libdecor_frame*, const char*, void*) {}

libdecor_frame_interface boxHandlers = {Configure, Close, Commit, DismissPopup, {}, {}, {},
                                        {},        {},    {},     {},           {}, {}, {}};

Dialog* Find(wl_surface* surface) {
    for (Dialog* d : dialogs) {
        if (d->surface == surface) {
            return d;
        }
    }
    return nullptr;
}

} // namespace

void* WaylandOpenMessageBox(HWND owner, const char* text, const char* caption, UINT) {
    Dialog* d = new Dialog;
    d->face = OpenFont();
    int lineHeight = 16;
    if (d->face != nullptr) {
        lineHeight = static_cast<int>(d->face->size->metrics.height >> 6) + 2;
        d->ascent = static_cast<int>(d->face->size->metrics.ascender >> 6);
    }
    d->layout = CoreLayOutMessageBox(text, lineHeight, Measure, d);
    // The box opens beside its owner, on the owner's outputs: it takes the owner's scale.
    WaylandWindow* parent = WaylandNative(CoreNativeWindow(owner));
    d->scale = parent != nullptr ? std::max(parent->scale, 120) : 120;
    d->width = WaylandBufferSize(d->layout.width, d->scale);
    d->height = WaylandBufferSize(d->layout.height, d->scale);
    if (d->face != nullptr && d->scale != 120) {
        FT_Set_Pixel_Sizes(d->face, 0,
                           static_cast<FT_UInt>(WaylandBufferSize(fontPixels, d->scale)));
        d->ascent = static_cast<int>(d->face->size->metrics.ascender >> 6);
    }
    d->buffer = WaylandShmBuffer(d->width, d->height, &d->pixels);
    if (d->buffer == nullptr) {
        FT_Done_Face(d->face); // a null face (no font found) it refuses harmlessly
        delete d;
        return nullptr; // the core says the text instead
    }
    dialogs.push_back(d);
    d->surface = wl_compositor_create_surface(waylandCompositor);
    if (parent != nullptr && parent->viewport != nullptr) {
        d->viewport = wp_viewporter_get_viewport(waylandViewporter, d->surface);
    }
    WaylandScaleSurface(d->surface, d->viewport, d->scale, d->layout.width, d->layout.height);
    d->frame = WaylandDecorate(d->surface, &boxHandlers, d, caption, "messagebox",
                               parent != nullptr ? parent->frame : nullptr, &d->configured);
    libdecor_frame_set_min_content_size(d->frame, d->layout.width, d->layout.height);
    libdecor_frame_set_max_content_size(d->frame, d->layout.width, d->layout.height);
    libdecor_frame_unset_capabilities(
        d->frame,
        static_cast<libdecor_capabilities>(LIBDECOR_ACTION_RESIZE | LIBDECOR_ACTION_MINIMIZE |
                                           LIBDECOR_ACTION_FULLSCREEN));
    return d;
}

void WaylandCloseMessageBox(void* box) {
    Dialog* d = static_cast<Dialog*>(box);
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), d), dialogs.end());
    WaylandForgetSurface(d->surface);
    libdecor_frame_unref(d->frame);
    if (d->viewport != nullptr) {
        wp_viewport_destroy(d->viewport);
    }
    wl_surface_destroy(d->surface);
    wl_buffer_destroy(d->buffer);
    munmap(d->pixels, static_cast<size_t>(d->width) * 4 * static_cast<size_t>(d->height));
    FT_Done_Face(d->face);
    wl_display_flush(waylandDisplay);
    delete d;
}

int WaylandBoxesOpen(void) { return !dialogs.empty(); }

bool WaylandIsBox(wl_surface* surface) { return Find(surface) != nullptr; }

int WaylandBoxKey(wl_surface* surface, uint32_t keysym) {
    Dialog* d = Find(surface);
    if (d == nullptr) {
        return 0;
    }
    CoreMessageBoxKey(d, KeysymVirtualKey(keysym, 0));
    return 1;
}

int WaylandBoxButton(wl_surface* surface, int down, int x, int y) {
    Dialog* d = Find(surface);
    if (d == nullptr) {
        return 0;
    }
    if (CoreMessageBoxButton(d, &d->layout, down, x, y)) {
        Draw(d);
    }
    return 1;
}
