#include "mesh_checks.h"

#include <algorithm>
#include <cmath>

namespace {

struct Segment {
    Point2 a, b;
    int contour;
    size_t index; // position along its contour, to skip neighbours
    size_t count; // segments in its contour
};

double Cross(Point2 o, Point2 a, Point2 b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double PointSegmentDistance(Point2 p, Point2 a, Point2 b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

double SegmentDistance(const Segment& s, const Segment& t) {
    double d1 = Cross(s.a, s.b, t.a), d2 = Cross(s.a, s.b, t.b);
    double d3 = Cross(t.a, t.b, s.a), d4 = Cross(t.a, t.b, s.b);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) {
        return 0;
    }
    return std::min({PointSegmentDistance(s.a, t.a, t.b), PointSegmentDistance(s.b, t.a, t.b),
                     PointSegmentDistance(t.a, s.a, s.b), PointSegmentDistance(t.b, s.a, s.b)});
}

// The ring's segments, leaving out the ones that have shrunk to nothing.
void AddSegments(const std::vector<Point2>& ring, int contour, std::vector<Segment>* out) {
    std::vector<Point2> points;
    for (const Point2& p : ring) {
        if (points.empty() || p.x != points.back().x || p.y != points.back().y) {
            points.push_back(p);
        }
    }
    while (points.size() > 1 && points.front().x == points.back().x &&
           points.front().y == points.back().y) {
        points.pop_back();
    }
    for (size_t i = 0; i < points.size(); ++i) {
        out->push_back(
            Segment{points[i], points[(i + 1) % points.size()], contour, i, points.size()});
    }
}

bool Neighbours(const Segment& s, const Segment& t) {
    if (s.contour != t.contour) {
        return false;
    }
    size_t d = s.index > t.index ? s.index - t.index : t.index - s.index;
    return d <= 1 || d == s.count - 1;
}

int FirstClash(const std::vector<Segment>& segments, double margin, std::string* where) {
    for (size_t i = 0; i < segments.size(); ++i) {
        for (size_t j = i + 1; j < segments.size(); ++j) {
            if (Neighbours(segments[i], segments[j])) {
                continue;
            }
            if (SegmentDistance(segments[i], segments[j]) <= margin) {
                const Segment& s = segments[i];
                const Segment& t = segments[j];
                *where = "near (" + std::to_string(s.a.x) + ", " + std::to_string(s.a.y) +
                         "): segment " + std::to_string(s.index) + " of contour " +
                         std::to_string(s.contour) + " and segment " + std::to_string(t.index) +
                         " of contour " + std::to_string(t.contour);
                return 1;
            }
        }
    }
    return 0;
}

} // namespace

int CheckRingsSimple(const std::vector<GlyphRings>& glyphs, std::string* error) {
    std::string where;
    std::vector<Segment> outlines;
    for (size_t g = 0; g < glyphs.size(); ++g) {
        const auto& contours = glyphs[g].contours;
        size_t ringCount = contours.empty() ? 0 : contours[0].size();
        for (size_t m = 0; m < ringCount; ++m) {
            std::vector<Segment> segments;
            for (size_t c = 0; c < contours.size(); ++c) {
                AddSegments(contours[c][m], static_cast<int>(c), &segments);
            }
            if (FirstClash(segments, 1e-7, &where)) {
                *error = "glyph " + std::to_string(g) + ", ring " + std::to_string(m) +
                         " crosses itself " + where;
                return 0;
            }
        }
        for (size_t c = 0; c < contours.size(); ++c) {
            // Contour numbers that differ between glyphs, so nothing counts as neighbours.
            AddSegments(contours[c][0], static_cast<int>(g * 1000 + c), &outlines);
        }
    }
    if (FirstClash(outlines, 1e-3, &where)) {
        *error = "two glyphs touch " + where;
        return 0;
    }
    return 1;
}

int CheckWinding(const Mesh& mesh, std::string* error) {
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& tri = mesh.triangles[t];
        const float* p0 = mesh.vertices[tri[0]].position;
        const float* p1 = mesh.vertices[tri[1]].position;
        const float* p2 = mesh.vertices[tri[2]].position;
        double u[3] = {double(p1[0]) - p0[0], double(p1[1]) - p0[1], double(p1[2]) - p0[2]};
        double v[3] = {double(p2[0]) - p0[0], double(p2[1]) - p0[1], double(p2[2]) - p0[2]};
        double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
        double area = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2;
        if (area == 0) {
            continue;
        }
        double facing = 0;
        for (int k = 0; k < 3; ++k) {
            const float* nk = mesh.vertices[tri[k]].normal;
            facing += n[0] * nk[0] + n[1] * nk[1] + n[2] * nk[2];
        }
        if (!(facing > 0)) {
            *error = "triangle " + std::to_string(t) + " is wound against its normals near (" +
                     std::to_string(p0[0]) + ", " + std::to_string(p0[1]) + ", " +
                     std::to_string(p0[2]) + "), area " + std::to_string(area);
            return 0;
        }
    }
    return 1;
}
