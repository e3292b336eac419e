// Invariants of the generated lettering mesh, checked on the tables as built in.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <vector>

#include "figure_mesh.h"

using namespace FigureMesh;

namespace {

using Key = std::array<float, 3>;

Key PositionKey(int32_t row) {
    return Key{positions[row][0], positions[row][1], positions[row][2]};
}

// Twice the area vector of triangle t, in double.
std::array<double, 3> AreaVector(int32_t t) {
    const float* a = positions[positionIndex[t][0]];
    const float* b = positions[positionIndex[t][1]];
    const float* c = positions[positionIndex[t][2]];
    double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

double Length(const std::array<double, 3>& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

bool HasArea(int32_t t) { return Length(AreaVector(t)) > 1e-12; }

bool AllCornersAtZ(int32_t t, float z) {
    for (int k = 0; k < 3; ++k) {
        if (positions[positionIndex[t][k]][2] != z) {
            return false;
        }
    }
    return true;
}

// Groups corner rows into solids: rows at the same point belong together (creases give a
// point several rows), and so do the corners of one triangle.
struct Solids {
    std::vector<int32_t> parent;
};

int32_t Find(Solids* s, int32_t i) {
    while (s->parent[i] != i) {
        s->parent[i] = s->parent[s->parent[i]];
        i = s->parent[i];
    }
    return i;
}

void Join(Solids* s, int32_t a, int32_t b) {
    a = Find(s, a);
    b = Find(s, b);
    if (a != b) {
        s->parent[std::max(a, b)] = std::min(a, b);
    }
}

Solids GroupSolids() {
    Solids s;
    s.parent.resize(positionCount);
    std::iota(s.parent.begin(), s.parent.end(), 0);
    std::map<Key, int32_t> firstAt;
    for (int32_t r = 0; r < positionCount; ++r) {
        auto [it, inserted] = firstAt.emplace(PositionKey(r), r);
        if (!inserted) {
            Join(&s, r, it->second);
        }
    }
    for (int32_t t = 0; t < triangleCount; ++t) {
        Join(&s, positionIndex[t][0], positionIndex[t][1]);
        Join(&s, positionIndex[t][0], positionIndex[t][2]);
    }
    return s;
}

} // namespace

TEST(FigureMeshTables, IndicesAreInRangeAndEveryRowIsUsed) {
    ASSERT_GT(positionCount, 0);
    ASSERT_GT(triangleCount, 0);
    std::vector<int> usedPosition(positionCount, 0), usedNormal(positionCount, 0);
    for (int32_t t = 0; t < triangleCount; ++t) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(positionIndex[t][k], 0) << "triangle " << t;
            ASSERT_LT(positionIndex[t][k], positionCount) << "triangle " << t;
            ASSERT_GE(normalIndex[t][k], 0) << "triangle " << t;
            ASSERT_LT(normalIndex[t][k], positionCount) << "triangle " << t;
            usedPosition[positionIndex[t][k]] = 1;
            usedNormal[normalIndex[t][k]] = 1;
        }
    }
    EXPECT_EQ(std::count(usedPosition.begin(), usedPosition.end(), 0), 0);
    EXPECT_EQ(std::count(usedNormal.begin(), usedNormal.end(), 0), 0);
}

TEST(FigureMeshTables, NormalIndexEqualsPositionIndex) {
    for (int32_t t = 0; t < triangleCount; ++t) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(normalIndex[t][k], positionIndex[t][k])
                << "triangle " << t << " corner " << k;
        }
    }
}

TEST(FigureMeshTables, NormalsHaveUnitLength) {
    for (int32_t r = 0; r < positionCount; ++r) {
        double length = std::sqrt(double(normals[r][0]) * normals[r][0] +
                                  double(normals[r][1]) * normals[r][1] +
                                  double(normals[r][2]) * normals[r][2]);
        ASSERT_NEAR(length, 1.0, 1e-6) << "normal " << r;
    }
}

TEST(FigureMeshShape, EveryTriangleWithAreaIsCounterClockwiseFromOutside) {
    int withArea = 0;
    for (int32_t t = 0; t < triangleCount; ++t) {
        if (!HasArea(t)) {
            continue;
        }
        ++withArea;
        std::array<double, 3> n = AreaVector(t);
        for (int k = 0; k < 3; ++k) {
            const float* c = normals[normalIndex[t][k]];
            // Seen from where the corner normal points, the corners run counter-clockwise.
            ASSERT_GT(n[0] * c[0] + n[1] * c[1] + n[2] * c[2], 0.0)
                << "triangle " << t << " corner " << k;
        }
    }
    EXPECT_GT(withArea, triangleCount / 2);
}

TEST(FigureMeshShape, BoundsAreCentredOnTheOriginWithTheBackFaceAtZeroDepth) {
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (int32_t r = 0; r < positionCount; ++r) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], positions[r][k]);
            hi[k] = std::max(hi[k], positions[r][k]);
        }
    }
    EXPECT_NEAR(lo[0], -3.5, 0.01);
    EXPECT_NEAR(hi[0], 3.5, 0.01);
    EXPECT_NEAR(lo[1], -0.487435, 0.001);
    EXPECT_NEAR(hi[1], 0.487435, 0.001);
    EXPECT_EQ(lo[2], 0.0f);
    EXPECT_EQ(hi[2], 0.25f);
    // After the drawing scale of 0.4 no corner is farther than 1.42 from the origin.
    for (int32_t r = 0; r < positionCount; ++r) {
        double d = 0.4 * std::sqrt(double(positions[r][0]) * positions[r][0] +
                                   double(positions[r][1]) * positions[r][1] +
                                   double(positions[r][2]) * positions[r][2]);
        ASSERT_LE(d, 1.42) << "row " << r;
    }
}

TEST(FigureMeshShape, BackFaceFacesMinusZAndFrontFacePlusZ) {
    int back = 0, front = 0;
    for (int32_t t = 0; t < triangleCount; ++t) {
        if (!HasArea(t)) {
            continue;
        }
        float expected = 0;
        if (AllCornersAtZ(t, 0.0f)) {
            expected = -1;
            ++back;
        } else if (AllCornersAtZ(t, 0.25f)) {
            expected = 1;
            ++front;
        } else {
            continue;
        }
        EXPECT_GT(AreaVector(t)[2] * expected, 0.0) << "triangle " << t;
        for (int k = 0; k < 3; ++k) {
            const float* n = normals[normalIndex[t][k]];
            EXPECT_EQ(n[0], 0.0f);
            EXPECT_EQ(n[1], 0.0f);
            EXPECT_EQ(n[2], expected) << "triangle " << t;
        }
    }
    EXPECT_GT(back, 8);
    EXPECT_GT(front, 8);
}

TEST(FigureMeshShape, SideWallsStandUpright) {
    int walls = 0;
    for (int32_t t = 0; t < triangleCount; ++t) {
        const float* n0 = normals[normalIndex[t][0]];
        if (n0[2] != 0.0f || !HasArea(t)) {
            continue;
        }
        ++walls;
        // A wall runs from the back face up to where the bevel begins, and faces sideways.
        for (int k = 0; k < 3; ++k) {
            float z = positions[positionIndex[t][k]][2];
            EXPECT_TRUE(z == 0.0f || z == 0.225f) << "triangle " << t;
            EXPECT_EQ(normals[normalIndex[t][k]][2], 0.0f);
        }
        EXPECT_NEAR(AreaVector(t)[2], 0.0, 1e-9) << "triangle " << t;
    }
    EXPECT_GT(walls, 100);
}

TEST(FigureMeshShape, EightSeparateGlyphSolidsFromLeftToRight) {
    Solids s = GroupSolids();
    // Solids in the order their first triangle comes in the table.
    std::vector<int32_t> order;
    std::vector<int32_t> solidOfTriangle(triangleCount);
    for (int32_t t = 0; t < triangleCount; ++t) {
        int32_t root = Find(&s, positionIndex[t][0]);
        solidOfTriangle[t] = root;
        if (std::find(order.begin(), order.end(), root) == order.end()) {
            order.push_back(root);
        }
    }
    ASSERT_EQ(order.size(), 8u);
    // Grouped glyph by glyph: each solid's triangles are one run of the table.
    int runs = 1;
    for (int32_t t = 1; t < triangleCount; ++t) {
        runs += solidOfTriangle[t] != solidOfTriangle[t - 1] ? 1 : 0;
    }
    EXPECT_EQ(runs, 8);
    std::vector<double> left(8, 1e9), centre(8, 0);
    std::vector<int> count(8, 0);
    for (int32_t r = 0; r < positionCount; ++r) {
        size_t g = std::find(order.begin(), order.end(), Find(&s, r)) - order.begin();
        ASSERT_LT(g, 8u);
        left[g] = std::min(left[g], double(positions[r][0]));
        centre[g] += positions[r][0];
        ++count[g];
    }
    for (size_t g = 1; g < 8; ++g) {
        EXPECT_LT(left[g - 1], left[g]) << "glyph " << g;
        EXPECT_LT(centre[g - 1] / count[g - 1], centre[g] / count[g]) << "glyph " << g;
    }
}

TEST(FigureMeshShape, EverySolidIsClosed) {
    // Each edge of a triangle with area is met by the reverse edge of another, by point.
    std::map<std::pair<Key, Key>, int> edges;
    for (int32_t t = 0; t < triangleCount; ++t) {
        if (!HasArea(t)) {
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            Key a = PositionKey(positionIndex[t][k]);
            Key b = PositionKey(positionIndex[t][(k + 1) % 3]);
            if (a == b) {
                continue;
            }
            edges[{a, b}] += 1;
            edges[{b, a}] -= 1;
        }
    }
    int open = 0;
    for (const auto& [edge, balance] : edges) {
        open += balance != 0 ? 1 : 0;
    }
    EXPECT_EQ(open, 0);
}
