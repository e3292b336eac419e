// Builds one glyph's closed solid: back face, side walls, rounded bevel and front face.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "mesh_types.h"

struct SolidShape {
    double wallTop;     // the walls rise from z = 0 to here
    double front;       // z of the front face
    double bevelRadius; // the bevel's inset and rise, front - wallTop
    double sharpCorner; // turns above this many degrees are creases, not curves
};

// The corner rows already in the mesh, by position and normal, so that equal corners share
// one row.
using VertexRows = std::map<std::array<float, 6>, int32_t>;

// The glyph's contours moved inward to every bevel ring, ring by ring, one point per
// original vertex; ring 0 is the contour itself, the last ring bounds the front face.
struct GlyphRings {
    std::vector<std::vector<std::vector<Point2>>> contours; // [contour][ring][vertex]
};

// The bevel rings' distances from the outline and their heights.
void BevelProfile(const SolidShape& shape, std::vector<double>* inset, std::vector<double>* height,
                  std::vector<double>* tilt);

int InsetGlyph(const Glyph& glyph, const SolidShape& shape, GlyphRings* rings, std::string* error);

// Appends the glyph's triangles to the mesh: side walls, front face, back face, bevel.
int BuildGlyphSolid(const Glyph& glyph, const GlyphRings& rings, const SolidShape& shape,
                    Mesh* mesh, VertexRows* rows, std::string* error);
