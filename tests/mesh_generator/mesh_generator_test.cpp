// The generator's geometry on shapes small enough to work out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "cap_tessellation.h"
#include "contour_inset.h"
#include "glyph_solid.h"
#include "mesh_checks.h"

namespace {

Contour UnitSquare() { return Contour{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}; }

const SolidShape kShape{0.225, 0.25, 0.025, 30.0};

double TriangleArea2d(const std::vector<Point2>& all, const std::array<int, 3>& t) {
    const Point2 &a = all[t[0]], &b = all[t[1]], &c = all[t[2]];
    return ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / 2;
}

} // namespace

TEST(ContourInset, MovesEveryEdgeOfASquareInwardByTheDistance) {
    std::vector<std::vector<Point2>> rings;
    std::string error;
    ASSERT_EQ(InsetContour(UnitSquare(), {0.0, 0.1, 0.25}, &rings, &error), 1) << error;
    ASSERT_EQ(rings.size(), 3u);
    const double expected[3][4][2] = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                                      {{0.1, 0.1}, {0.9, 0.1}, {0.9, 0.9}, {0.1, 0.9}},
                                      {{0.25, 0.25}, {0.75, 0.25}, {0.75, 0.75}, {0.25, 0.75}}};
    for (int m = 0; m < 3; ++m) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(rings[m][i].x, expected[m][i][0], 1e-12) << m << "," << i;
            EXPECT_NEAR(rings[m][i].y, expected[m][i][1], 1e-12) << m << "," << i;
        }
    }
}

TEST(ContourInset, AShortEdgeShrinksAwayAndItsEndsBecomeOnePoint) {
    // The square with its top right corner cut by an edge 0.01 long: moved in by 0.1 the cut
    // is gone and both its ends sit where the moved top and right edges meet, (0.9, 0.9).
    double leg = 0.01 / std::sqrt(2.0);
    Contour cut{{{0, 0}, {1, 0}, {1, 1 - leg}, {1 - leg, 1}, {0, 1}}};
    std::vector<std::vector<Point2>> rings;
    std::string error;
    ASSERT_EQ(InsetContour(cut, {0.0, 0.1}, &rings, &error), 1) << error;
    EXPECT_NEAR(rings[1][2].x, 0.9, 1e-9);
    EXPECT_NEAR(rings[1][2].y, 0.9, 1e-9);
    EXPECT_EQ(rings[1][2].x, rings[1][3].x);
    EXPECT_EQ(rings[1][2].y, rings[1][3].y);
    EXPECT_NEAR(rings[1][0].x, 0.1, 1e-9);
    EXPECT_NEAR(rings[1][4].y, 0.9, 1e-9);
}

TEST(ContourInset, HoldsBackANarrowNotchInsteadOfShootingAcrossTheShape) {
    // A slit 0.02 wide cut 0.5 deep into the square's top: where the slit meets the top edge
    // the corners are reflex, and once the slit's floor has shrunk away its two walls meet
    // head on. No point of the ring may run farther than 4 x the distance.
    Contour slit{{{0, 0}, {1, 0}, {1, 1}, {0.51, 1}, {0.51, 0.5}, {0.49, 0.5}, {0.49, 1}, {0, 1}}};
    std::vector<std::vector<Point2>> rings;
    std::string error;
    ASSERT_EQ(InsetContour(slit, {0.0, 0.05}, &rings, &error), 1) << error;
    for (size_t i = 0; i < slit.points.size(); ++i) {
        double moved =
            std::hypot(rings[1][i].x - slit.points[i].x, rings[1][i].y - slit.points[i].y);
        EXPECT_LE(moved, 4 * 0.05 + 1e-9) << i;
    }
}

TEST(ContourInset, ReportsAContourThatVanishes) {
    Contour tiny{{{0, 0}, {0.1, 0}, {0, 0.1}}};
    std::vector<std::vector<Point2>> rings;
    std::string error;
    EXPECT_EQ(InsetContour(tiny, {0.0, 0.2}, &rings, &error), 0);
    EXPECT_FALSE(error.empty());
    Contour repeated{{{0, 0}, {1, 0}, {1, 0}, {0, 1}}};
    EXPECT_EQ(InsetContour(repeated, {0.0}, &rings, &error), 0);
}

TEST(CapTessellation, FillsASquareAroundASquareHoleCounterClockwise) {
    std::vector<std::vector<Point2>> contours = {
        {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
        {{0.25, 0.25}, {0.25, 0.75}, {0.75, 0.75}, {0.75, 0.25}}}; // the hole runs clockwise
    std::vector<std::array<int, 3>> triangles;
    std::string error;
    ASSERT_EQ(TessellateCap(contours, &triangles, &error), 1) << error;
    std::vector<Point2> all = contours[0];
    all.insert(all.end(), contours[1].begin(), contours[1].end());
    double area = 0;
    for (const auto& t : triangles) {
        double a = TriangleArea2d(all, t);
        EXPECT_GT(a, 0) << "clockwise triangle";
        area += a;
    }
    EXPECT_EQ(triangles.size(), 8u); // 8 points, one hole: 8 + 2 x 1 - 2
    EXPECT_NEAR(area, 1.0 - 0.25, 1e-12);
}

TEST(CapTessellation, RefusesContoursThatCross) {
    std::vector<std::vector<Point2>> bowTie = {{{0, 0}, {1, 1}, {1, 0}, {0, 1}}};
    std::vector<std::array<int, 3>> triangles;
    std::string error;
    EXPECT_EQ(TessellateCap(bowTie, &triangles, &error), 0);
    EXPECT_NE(error.find("cross"), std::string::npos) << error;
}

TEST(GlyphSolid, BevelRingsLieOnARoundedEdgeBetweenWallTopAndFront) {
    std::vector<double> inset, height, tilt;
    BevelProfile(kShape, &inset, &height, &tilt);
    ASSERT_EQ(inset.size(), 6u);
    // Arc radius 0.025 / (cos 7.5 - cos 82.5) = 0.0290389; ring 1 sits at 22.5 degrees.
    const double expectedTilt[6] = {7.5, 22.5, 37.5, 52.5, 67.5, 82.5};
    for (int m = 0; m < 6; ++m) {
        EXPECT_DOUBLE_EQ(tilt[m], expectedTilt[m]);
    }
    EXPECT_EQ(inset[0], 0.0);
    EXPECT_EQ(height[0], 0.225);
    EXPECT_NEAR(inset[1], 0.0019620, 1e-6);
    EXPECT_NEAR(height[1], 0.2323225, 1e-6);
    EXPECT_EQ(inset[5], 0.025);
    EXPECT_EQ(height[5], 0.25);
    // The profile is symmetric about 45 degrees: what ring m has still to rise, ring 5 - m
    // has still to move in.
    for (int m = 0; m < 6; ++m) {
        EXPECT_NEAR(0.25 - height[m], inset[5 - m], 1e-12) << m;
    }
}

TEST(GlyphSolid, ASquareGlyphBecomesAClosedCreasedSolid) {
    Glyph square{'x', {UnitSquare()}};
    GlyphRings rings;
    std::string error;
    ASSERT_EQ(InsetGlyph(square, kShape, &rings, &error), 1) << error;
    Mesh mesh;
    VertexRows rows;
    ASSERT_EQ(BuildGlyphSolid(square, rings, kShape, &mesh, &rows, &error), 1) << error;
    // Walls 4 x 2, front 2, back 2, bevel 4 edges x 5 bands x 2.
    EXPECT_EQ(mesh.triangles.size(), 8u + 2 + 2 + 40);
    // Every corner is a crease: 2 normals per corner at each wall height and each of the
    // 6 rings, plus 4 back and 4 front corners.
    EXPECT_EQ(mesh.vertices.size(), 4u * 2 * 2 + 4 * 2 * 6 + 4 + 4);
    EXPECT_EQ(CheckWinding(mesh, &error), 1) << error;
    // Closed: every directed edge is matched by its reverse, comparing by position.
    std::map<std::array<float, 6>, int> balance;
    for (const auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            const float* a = mesh.vertices[t[k]].position;
            const float* b = mesh.vertices[t[(k + 1) % 3]].position;
            balance[{a[0], a[1], a[2], b[0], b[1], b[2]}] += 1;
            balance[{b[0], b[1], b[2], a[0], a[1], a[2]}] -= 1;
        }
    }
    for (const auto& [edge, count] : balance) {
        EXPECT_EQ(count, 0);
    }
    // The front face is the square inset by the bevel radius.
    for (const MeshVertex& v : mesh.vertices) {
        if (v.normal[2] == 1.0f) {
            EXPECT_EQ(v.position[2], 0.25f);
            EXPECT_NEAR(std::fabs(v.position[0] - 0.5), 0.475, 1e-6);
            EXPECT_NEAR(std::fabs(v.position[1] - 0.5), 0.475, 1e-6);
        }
    }
}

TEST(MeshChecks, FindCrossingRingsAndBackwardTriangles) {
    GlyphRings crossing;
    crossing.contours = {{{{0, 0}, {1, 1}, {1, 0}, {0, 1}}}};
    std::string error;
    EXPECT_EQ(CheckRingsSimple({crossing}, &error), 0);
    GlyphRings a, b;
    a.contours = {{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}};
    b.contours = {{{{1.0005, 0}, {2, 0}, {2, 1}, {1.0005, 1}}}};
    EXPECT_EQ(CheckRingsSimple({a}, &error), 1) << error;
    EXPECT_EQ(CheckRingsSimple({a, b}, &error), 0) << "glyphs 0.0005 apart count as touching";

    Mesh mesh;
    mesh.vertices = {{{0, 0, 0}, {0, 0, 1}}, {{1, 0, 0}, {0, 0, 1}}, {{0, 1, 0}, {0, 0, 1}}};
    mesh.triangles = {{0, 1, 2}};
    EXPECT_EQ(CheckWinding(mesh, &error), 1) << error;
    mesh.triangles = {{0, 2, 1}};
    EXPECT_EQ(CheckWinding(mesh, &error), 0);
}
