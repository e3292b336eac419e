#include "glyph_outlines.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Flattening state while FreeType walks one glyph's outline (font units).
struct Flattener {
    std::vector<Contour>* contours;
    Point2 pen;      // the glyph's origin in the laid-out word
    Point2 current;  // the outline's current point, glyph coordinates
    double flatness; // font units
    double maxTurn;  // radians
    double scaleX, scaleY;
};

Point2 Place(const Flattener* f, double x, double y) { return Point2{f->pen.x + x, f->pen.y + y}; }

void AddPoint(Flattener* f, Point2 p) {
    std::vector<Point2>& points = f->contours->back().points;
    if (!points.empty() && points.back().x == p.x && points.back().y == p.y) {
        return;
    }
    points.push_back(p);
}

double TurnAngle(const Flattener* f, double ax, double ay, double bx, double by) {
    // Measured in figure proportions, since x and y are scaled differently.
    ax *= f->scaleX;
    bx *= f->scaleX;
    ay *= f->scaleY;
    by *= f->scaleY;
    double cross = ax * by - ay * bx;
    double dot = ax * bx + ay * by;
    return std::fabs(std::atan2(cross, dot));
}

int SegmentCount(const Flattener* f, double bendLength, double turn) {
    // A parabola arc of parameter length h deviates from its chord by |P0 - 2 P1 + P2| h^2 / 4.
    double byError = std::sqrt(bendLength / (4.0 * f->flatness));
    double byTurn = turn / f->maxTurn;
    int count = static_cast<int>(std::ceil(std::max(byError, byTurn)));
    return std::clamp(count, 1, 256);
}

int MoveTo(const FT_Vector* to, void* user) {
    Flattener* f = static_cast<Flattener*>(user);
    f->contours->push_back(Contour{});
    f->current = Point2{static_cast<double>(to->x), static_cast<double>(to->y)};
    AddPoint(f, Place(f, f->current.x, f->current.y));
    return 0;
}

int LineTo(const FT_Vector* to, void* user) {
    Flattener* f = static_cast<Flattener*>(user);
    f->current = Point2{static_cast<double>(to->x), static_cast<double>(to->y)};
    AddPoint(f, Place(f, f->current.x, f->current.y));
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    Flattener* f = static_cast<Flattener*>(user);
    Point2 p0 = f->current;
    Point2 p1{static_cast<double>(control->x), static_cast<double>(control->y)};
    Point2 p2{static_cast<double>(to->x), static_cast<double>(to->y)};
    double bend = std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y);
    double turn = TurnAngle(f, p1.x - p0.x, p1.y - p0.y, p2.x - p1.x, p2.y - p1.y);
    int n = SegmentCount(f, bend, turn);
    for (int k = 1; k <= n; ++k) {
        double t = static_cast<double>(k) / n;
        double a = (1 - t) * (1 - t), b = 2 * (1 - t) * t, c = t * t;
        AddPoint(f, Place(f, a * p0.x + b * p1.x + c * p2.x, a * p0.y + b * p1.y + c * p2.y));
    }
    f->current = p2;
    return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    Flattener* f = static_cast<Flattener*>(user);
    Point2 p0 = f->current;
    Point2 p1{static_cast<double>(c1->x), static_cast<double>(c1->y)};
    Point2 p2{static_cast<double>(c2->x), static_cast<double>(c2->y)};
    Point2 p3{static_cast<double>(to->x), static_cast<double>(to->y)};
    // The larger second difference bounds the deviation like a parabola's, times 3/2.
    double bend = 1.5 * std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                 std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
    double turn = TurnAngle(f, p1.x - p0.x, p1.y - p0.y, p2.x - p1.x, p2.y - p1.y) +
                  TurnAngle(f, p2.x - p1.x, p2.y - p1.y, p3.x - p2.x, p3.y - p2.y);
    int n = SegmentCount(f, bend, turn);
    for (int k = 1; k <= n; ++k) {
        double t = static_cast<double>(k) / n, s = 1 - t;
        double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
        AddPoint(f, Place(f, a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                          a * p0.y + b * p1.y + c * p2.y + d * p3.y));
    }
    f->current = p3;
    return 0;
}

double SignedArea(const std::vector<Point2>& points) {
    double area = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point2& a = points[i];
        const Point2& b = points[(i + 1) % points.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

struct FontSession {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

void CloseFont(FontSession* s) {
    if (s->face != nullptr) {
        FT_Done_Face(s->face);
    }
    if (s->library != nullptr) {
        FT_Done_FreeType(s->library);
    }
}

int LoadGlyph(FT_Face face, FT_UInt index, std::string* error) {
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        *error = "cannot load the outline of glyph " + std::to_string(index);
        return 0;
    }
    return 1;
}

} // namespace

int ReadWordOutlines(const char* fontPath, const char* word, const OutlineSettings& settings,
                     std::vector<Glyph>* glyphs, FontNames* names, std::string* error) {
    FontSession font;
    if (FT_Init_FreeType(&font.library) != 0) {
        *error = "cannot start FreeType";
        return 0;
    }
    if (FT_New_Face(font.library, fontPath, 0, &font.face) != 0) {
        *error = std::string("cannot open the font ") + fontPath;
        CloseFont(&font);
        return 0;
    }
    FT_Face face = font.face;
    if (!FT_IS_SCALABLE(face)) {
        *error = std::string("the font has no outlines: ") + fontPath;
        CloseFont(&font);
        return 0;
    }
    names->family = face->family_name != nullptr ? face->family_name : "";
    names->style = face->style_name != nullptr ? face->style_name : "";

    // Layout: glyph indices and pen positions from the advances and the kerning pairs.
    size_t count = std::strlen(word);
    std::vector<FT_UInt> indices(count);
    std::vector<double> penX(count);
    double pen = 0;
    double xMin = HUGE_VAL, xMax = -HUGE_VAL, yMin = HUGE_VAL, yMax = -HUGE_VAL;
    for (size_t i = 0; i < count; ++i) {
        indices[i] = FT_Get_Char_Index(face, static_cast<unsigned char>(word[i]));
        if (indices[i] == 0) {
            *error = std::string("the font has no glyph for '") + word[i] + "'";
            CloseFont(&font);
            return 0;
        }
        if (i > 0 && FT_HAS_KERNING(face)) {
            FT_Vector kern{0, 0};
            if (FT_Get_Kerning(face, indices[i - 1], indices[i], FT_KERNING_UNSCALED, &kern) == 0) {
                pen += static_cast<double>(kern.x);
            }
        }
        if (!LoadGlyph(face, indices[i], error)) {
            CloseFont(&font);
            return 0;
        }
        FT_BBox box;
        FT_Outline_Get_BBox(&face->glyph->outline, &box);
        penX[i] = pen;
        xMin = std::min(xMin, pen + static_cast<double>(box.xMin));
        xMax = std::max(xMax, pen + static_cast<double>(box.xMax));
        yMin = std::min(yMin, static_cast<double>(box.yMin));
        yMax = std::max(yMax, static_cast<double>(box.yMax));
        pen += static_cast<double>(face->glyph->advance.x);
    }
    if (count == 0 || !(xMax > xMin) || !(yMax > yMin)) {
        *error = "the word has no outline to draw";
        CloseFont(&font);
        return 0;
    }

    // Flatten in font units, with the tolerance the final scale calls for.
    double scaleX = 2 * settings.halfWidth / (xMax - xMin);
    double scaleY = 2 * settings.halfHeight / (yMax - yMin);
    FT_Outline_Funcs funcs;
    funcs.move_to = MoveTo;
    funcs.line_to = LineTo;
    funcs.conic_to = ConicTo;
    funcs.cubic_to = CubicTo;
    funcs.shift = 0;
    funcs.delta = 0;
    glyphs->clear();
    for (size_t i = 0; i < count; ++i) {
        if (!LoadGlyph(face, indices[i], error)) {
            CloseFont(&font);
            return 0;
        }
        Glyph glyph;
        glyph.character = word[i];
        Flattener f{&glyph.contours,
                    Point2{penX[i], 0},
                    Point2{0, 0},
                    settings.flatness / std::max(scaleX, scaleY),
                    settings.maxTurn * std::numbers::pi / 180,
                    scaleX,
                    scaleY};
        FT_Outline* outline = &face->glyph->outline;
        if (FT_Outline_Decompose(outline, &funcs, &f) != 0) {
            *error = std::string("cannot walk the outline of '") + word[i] + "'";
            CloseFont(&font);
            return 0;
        }
        // TrueType outlines keep the filled region on the right; ours keep it on the left.
        bool reverse = FT_Outline_Get_Orientation(outline) == FT_ORIENTATION_TRUETYPE;
        for (Contour& c : glyph.contours) {
            std::vector<Point2>& p = c.points;
            if (p.size() > 1 && p.front().x == p.back().x && p.front().y == p.back().y) {
                p.pop_back();
            }
            if (reverse) {
                std::reverse(p.begin(), p.end());
            }
        }
        std::erase_if(glyph.contours, [](const Contour& c) { return c.points.size() < 3; });
        double area = 0;
        for (const Contour& c : glyph.contours) {
            area += SignedArea(c.points);
        }
        if (glyph.contours.empty() || !(area > 0)) {
            *error = std::string("the outline of '") + word[i] + "' encloses no area";
            CloseFont(&font);
            return 0;
        }
        glyphs->push_back(glyph);
    }
    CloseFont(&font);

    // Scale and centre on the flattened points, so the bounds hold exactly.
    xMin = HUGE_VAL, xMax = -HUGE_VAL, yMin = HUGE_VAL, yMax = -HUGE_VAL;
    for (const Glyph& g : *glyphs) {
        for (const Contour& c : g.contours) {
            for (const Point2& p : c.points) {
                xMin = std::min(xMin, p.x);
                xMax = std::max(xMax, p.x);
                yMin = std::min(yMin, p.y);
                yMax = std::max(yMax, p.y);
            }
        }
    }
    double cx = (xMin + xMax) / 2, cy = (yMin + yMax) / 2;
    scaleX = 2 * settings.halfWidth / (xMax - xMin);
    scaleY = 2 * settings.halfHeight / (yMax - yMin);
    for (Glyph& g : *glyphs) {
        for (Contour& c : g.contours) {
            for (Point2& p : c.points) {
                p = Point2{(p.x - cx) * scaleX, (p.y - cy) * scaleY};
            }
        }
    }
    return 1;
}
