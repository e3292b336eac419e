// mesh_generator FONT OUTPUT [BEVEL_RADIUS]
// Builds the figure's lettering mesh from FONT's outlines and writes it to OUTPUT as the
// scene's constant tables (scene/generated/figure_mesh_data.cpp, which
// scene/generated/regenerate.sh rewrites). BEVEL_RADIUS (default 0.025) is there to try how
// the bevel holds up when it is wide against the strokes.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "glyph_outlines.h"
#include "glyph_solid.h"
#include "mesh_checks.h"
#include "mesh_writer.h"

namespace {

constexpr const char* kWord = "Vorlanth";

int Fail(const std::string& message) {
    std::fprintf(stderr, "mesh_generator: %s\n", message.c_str());
    return 1;
}

std::string FileName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void PrintSummary(const Mesh& mesh) {
    size_t degenerate = 0;
    float lo[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF}, hi[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
    for (const auto& t : mesh.triangles) {
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) {
            ++degenerate;
        }
    }
    for (const MeshVertex& v : mesh.vertices) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::fmin(lo[k], v.position[k]);
            hi[k] = std::fmax(hi[k], v.position[k]);
        }
    }
    std::printf("%zu corner rows, %zu triangles (%zu repeat a corner)\n", mesh.vertices.size(),
                mesh.triangles.size(), degenerate);
    std::printf("bounds x %.6f .. %.6f, y %.6f .. %.6f, z %.6f .. %.6f\n", double(lo[0]),
                double(hi[0]), double(lo[1]), double(hi[1]), double(lo[2]), double(hi[2]));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: mesh_generator FONT OUTPUT [BEVEL_RADIUS]\n");
        return 2;
    }
    double bevel = 0.025;
    if (argc == 4) {
        char* end = nullptr;
        bevel = std::strtod(argv[3], &end);
        if (end == argv[3] || *end != '\0' || !(bevel > 0 && bevel < 0.25)) {
            std::fprintf(stderr, "mesh_generator: the bevel radius must lie between 0 and 0.25\n");
            return 2;
        }
    }
    // x -3.5 ... 3.5 and y -0.487435 ... 0.487435, flattened to within 0.0015 units
    // (a tenth of a pixel at the largest size drawn) and 6 degrees per segment.
    const OutlineSettings outline{3.5, 0.487435, 0.0015, 6.0};
    const SolidShape shape{0.25 - bevel, 0.25, bevel, 30.0};

    std::string error;
    std::vector<Glyph> glyphs;
    MeshSource source{kWord, FileName(argv[1]), FontNames{}};
    if (!ReadWordOutlines(argv[1], kWord, outline, &glyphs, &source.font, &error)) {
        return Fail(error);
    }
    std::vector<GlyphRings> rings(glyphs.size());
    for (size_t g = 0; g < glyphs.size(); ++g) {
        if (!InsetGlyph(glyphs[g], shape, &rings[g], &error)) {
            return Fail(error);
        }
    }
    if (!CheckRingsSimple(rings, &error)) {
        return Fail(error);
    }
    Mesh mesh;
    VertexRows rows;
    for (size_t g = 0; g < glyphs.size(); ++g) {
        if (!BuildGlyphSolid(glyphs[g], rings[g], shape, &mesh, &rows, &error)) {
            return Fail(error);
        }
    }
    if (!CheckWinding(mesh, &error)) {
        return Fail(error);
    }
    if (!WriteMeshSource(argv[2], mesh, source, &error)) {
        return Fail(error);
    }
    PrintSummary(mesh);
    return 0;
}
