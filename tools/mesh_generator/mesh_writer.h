// Writes the mesh as the scene's constant tables.
#pragma once

#include <string>

#include "glyph_outlines.h"
#include "mesh_types.h"

struct MeshSource {
    std::string word;
    std::string fontFile; // file name only, so the output does not depend on where it lives
    FontNames font;
};

// Writes a C++ source defining FigureMesh's tables and counts. Returns 1 on success.
int WriteMeshSource(const char* path, const Mesh& mesh, const MeshSource& source,
                    std::string* error);
