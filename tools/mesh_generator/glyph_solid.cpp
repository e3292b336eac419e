#include "glyph_solid.h"

#include <cmath>
#include <numbers>

#include "cap_tessellation.h"
#include "contour_inset.h"

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// The bevel is a rounded edge drawn as five bands whose faces tilt 15, 30, 45, 60 and 75
// degrees towards +z; its rings sit on a circle arc at 7.5, 22.5, ... 82.5 degrees, so the
// walls and the front face meet it at a crease of 7.5 degrees.
constexpr int kBevelRings = 6;
constexpr double kFirstRingTilt = 7.5;
constexpr double kRingTiltStep = 15.0;

struct Vec3 {
    double x, y, z;
};

// Outward horizontal normals of a contour at each vertex: the one used by the edge that ends
// there and the one used by the edge that starts there. On a curve both are the mean of the
// two edges' normals; at a crease each edge keeps its own.
struct CornerNormals {
    std::vector<Point2> ending;
    std::vector<Point2> starting;
};

Point2 EdgeNormal(const std::vector<Point2>& p, size_t k) {
    const Point2& a = p[k];
    const Point2& b = p[(k + 1) % p.size()];
    double dx = b.x - a.x, dy = b.y - a.y;
    double length = std::hypot(dx, dy);
    return Point2{dy / length, -dx / length};
}

CornerNormals ContourNormals(const std::vector<Point2>& p, double sharpCorner) {
    size_t n = p.size();
    CornerNormals result;
    result.ending.resize(n);
    result.starting.resize(n);
    double cosLimit = std::cos(sharpCorner * kDegree);
    for (size_t i = 0; i < n; ++i) {
        Point2 before = EdgeNormal(p, (i + n - 1) % n);
        Point2 after = EdgeNormal(p, i);
        double cosTurn = before.x * after.x + before.y * after.y;
        Point2 mean{before.x + after.x, before.y + after.y};
        double meanLength = std::hypot(mean.x, mean.y);
        if (cosTurn < cosLimit || meanLength < 1e-9) {
            result.ending[i] = before;
            result.starting[i] = after;
        } else {
            result.ending[i] = result.starting[i] =
                Point2{mean.x / meanLength, mean.y / meanLength};
        }
    }
    return result;
}

float Quantize(double v) {
    // Six decimals, as the table is written; adding 0.0 turns -0 into 0.
    return static_cast<float>(std::round(v * 1e6) / 1e6 + 0.0);
}

int32_t AddVertex(Mesh* mesh, VertexRows* rows, Point2 p, double z, Vec3 n) {
    double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    std::array<float, 6> key{Quantize(p.x),
                             Quantize(p.y),
                             Quantize(z),
                             static_cast<float>(n.x / length + 0.0),
                             static_cast<float>(n.y / length + 0.0),
                             static_cast<float>(n.z / length + 0.0)};
    auto found = rows->find(key);
    if (found != rows->end()) {
        return found->second;
    }
    int32_t row = static_cast<int32_t>(mesh->vertices.size());
    mesh->vertices.push_back(MeshVertex{{key[0], key[1], key[2]}, {key[3], key[4], key[5]}});
    rows->emplace(key, row);
    return row;
}

Vec3 BevelNormal(Point2 horizontal, double tilt) {
    return Vec3{horizontal.x * std::cos(tilt * kDegree), horizontal.y * std::cos(tilt * kDegree),
                std::sin(tilt * kDegree)};
}

// A flat face in the plane z: the ring's contours without repeated points, triangulated.
int AddCap(const std::vector<std::vector<Point2>>& ringContours, double z, bool facingUp,
           Mesh* mesh, VertexRows* rows, std::string* error) {
    std::vector<std::vector<Point2>> contours;
    for (const auto& ring : ringContours) {
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
        if (points.size() < 3) {
            *error = "a contour of a face has fewer than three points";
            return 0;
        }
        contours.push_back(points);
    }
    std::vector<std::array<int, 3>> triangles;
    if (!TessellateCap(contours, &triangles, error)) {
        return 0;
    }
    std::vector<Point2> all;
    for (const auto& c : contours) {
        all.insert(all.end(), c.begin(), c.end());
    }
    Vec3 normal{0, 0, facingUp ? 1.0 : -1.0};
    for (const auto& t : triangles) {
        int32_t a = AddVertex(mesh, rows, all[t[0]], z, normal);
        int32_t b = AddVertex(mesh, rows, all[t[1]], z, normal);
        int32_t c = AddVertex(mesh, rows, all[t[2]], z, normal);
        if (facingUp) {
            mesh->triangles.push_back({a, b, c});
        } else {
            mesh->triangles.push_back({a, c, b});
        }
    }
    return 1;
}

} // namespace

void BevelProfile(const SolidShape& shape, std::vector<double>* inset, std::vector<double>* height,
                  std::vector<double>* tilt) {
    double first = kFirstRingTilt * kDegree;
    double last = (kFirstRingTilt + kRingTiltStep * (kBevelRings - 1)) * kDegree;
    double radius = shape.bevelRadius / (std::cos(first) - std::cos(last));
    inset->clear();
    height->clear();
    tilt->clear();
    for (int m = 0; m < kBevelRings; ++m) {
        double degrees = kFirstRingTilt + kRingTiltStep * m;
        double a = degrees * kDegree;
        tilt->push_back(degrees);
        if (m == 0) {
            inset->push_back(0);
            height->push_back(shape.wallTop);
        } else if (m == kBevelRings - 1) {
            inset->push_back(shape.bevelRadius);
            height->push_back(shape.front);
        } else {
            inset->push_back(radius * (std::cos(first) - std::cos(a)));
            height->push_back(shape.wallTop + radius * (std::sin(a) - std::sin(first)));
        }
    }
}

int InsetGlyph(const Glyph& glyph, const SolidShape& shape, GlyphRings* rings, std::string* error) {
    std::vector<double> inset, height, tilt;
    BevelProfile(shape, &inset, &height, &tilt);
    rings->contours.clear();
    for (const Contour& c : glyph.contours) {
        std::vector<std::vector<Point2>> contourRings;
        if (!InsetContour(c, inset, &contourRings, error)) {
            *error = std::string("'") + glyph.character + "': " + *error;
            return 0;
        }
        rings->contours.push_back(contourRings);
    }
    return 1;
}

int BuildGlyphSolid(const Glyph& glyph, const GlyphRings& rings, const SolidShape& shape,
                    Mesh* mesh, VertexRows* rows, std::string* error) {
    std::vector<double> inset, height, tilt;
    BevelProfile(shape, &inset, &height, &tilt);
    std::vector<CornerNormals> normals;
    for (const Contour& c : glyph.contours) {
        normals.push_back(ContourNormals(c.points, shape.sharpCorner));
    }

    // Side walls, one quad per edge, from the back face up to the bevel.
    for (size_t c = 0; c < glyph.contours.size(); ++c) {
        const std::vector<Point2>& p = glyph.contours[c].points;
        const CornerNormals& cn = normals[c];
        for (size_t i = 0; i < p.size(); ++i) {
            size_t j = (i + 1) % p.size();
            Vec3 ni{cn.starting[i].x, cn.starting[i].y, 0};
            Vec3 nj{cn.ending[j].x, cn.ending[j].y, 0};
            int32_t b0 = AddVertex(mesh, rows, p[i], 0, ni);
            int32_t b1 = AddVertex(mesh, rows, p[j], 0, nj);
            int32_t t1 = AddVertex(mesh, rows, p[j], shape.wallTop, nj);
            int32_t t0 = AddVertex(mesh, rows, p[i], shape.wallTop, ni);
            mesh->triangles.push_back({b0, b1, t1});
            mesh->triangles.push_back({b0, t1, t0});
        }
    }

    std::vector<std::vector<Point2>> frontContours, backContours;
    for (const auto& contourRings : rings.contours) {
        frontContours.push_back(contourRings.back());
        backContours.push_back(contourRings.front());
    }
    std::string faceError;
    if (!AddCap(frontContours, shape.front, true, mesh, rows, &faceError)) {
        *error = std::string("'") + glyph.character + "' front face: " + faceError;
        return 0;
    }
    if (!AddCap(backContours, 0, false, mesh, rows, &faceError)) {
        *error = std::string("'") + glyph.character + "' back face: " + faceError;
        return 0;
    }

    // The bevel: bands between neighbouring rings, one quad per edge and band. Where an
    // edge has shrunk to nothing on the inner ring, its quad is a triangle and the second
    // half has no area.
    for (size_t c = 0; c < glyph.contours.size(); ++c) {
        const auto& r = rings.contours[c];
        const CornerNormals& cn = normals[c];
        size_t n = glyph.contours[c].points.size();
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            for (size_t m = 0; m + 1 < r.size(); ++m) {
                int32_t a =
                    AddVertex(mesh, rows, r[m][i], height[m], BevelNormal(cn.starting[i], tilt[m]));
                int32_t b =
                    AddVertex(mesh, rows, r[m][j], height[m], BevelNormal(cn.ending[j], tilt[m]));
                int32_t cc = AddVertex(mesh, rows, r[m + 1][j], height[m + 1],
                                       BevelNormal(cn.ending[j], tilt[m + 1]));
                int32_t d = AddVertex(mesh, rows, r[m + 1][i], height[m + 1],
                                      BevelNormal(cn.starting[i], tilt[m + 1]));
                mesh->triangles.push_back({a, b, cc});
                mesh->triangles.push_back({a, cc, d});
            }
        }
    }
    return 1;
}
