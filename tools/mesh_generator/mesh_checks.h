// Checks the generator runs on its own results before writing anything.
#pragma once

#include <string>
#include <vector>

#include "glyph_solid.h"
#include "mesh_types.h"

// No ring of a glyph crosses or touches itself or another of the glyph's rings at the same
// level, and no glyph's outline comes near another glyph's. Returns 1 when all hold.
int CheckRingsSimple(const std::vector<GlyphRings>& glyphs, std::string* error);

// Every triangle with area is wound counter-clockwise seen from the side its corner
// normals point to. Returns 1 when it holds.
int CheckWinding(const Mesh& mesh, std::string* error);
