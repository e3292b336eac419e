// Shared records of the mesh generator: outlines, rings and the growing mesh.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct Point2 {
    double x, y;
};

// A closed polyline; the filled region lies on its left (outer contours run
// counter-clockwise, holes clockwise, seen from +z with +y up).
struct Contour {
    std::vector<Point2> points;
};

struct Glyph {
    char character;
    std::vector<Contour> contours;
};

struct MeshVertex {
    float position[3];
    float normal[3];
};

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<std::array<int32_t, 3>> triangles;
};
