#include "cap_tessellation.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>

#ifndef CALLBACK
#define CALLBACK
#endif

namespace {

struct TessState {
    std::vector<std::array<int, 3>>* triangles;
    int corner[3];
    int cornerCount;
    bool failed;
    std::string message;
};

void CALLBACK OnBegin(GLenum type, void* data) {
    TessState* s = static_cast<TessState*>(data);
    if (type != GL_TRIANGLES) {
        s->failed = true;
        s->message = "the tessellator gave something other than separate triangles";
    }
    s->cornerCount = 0;
}

void CALLBACK OnVertex(void* vertex, void* data) {
    TessState* s = static_cast<TessState*>(data);
    s->corner[s->cornerCount++] = static_cast<int>(reinterpret_cast<intptr_t>(vertex));
    if (s->cornerCount == 3) {
        s->triangles->push_back({s->corner[0], s->corner[1], s->corner[2]});
        s->cornerCount = 0;
    }
}

// Having this callback makes the tessellator give separate triangles only.
void CALLBACK OnEdgeFlag(GLboolean, void*) {}

void CALLBACK OnCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* data) {
    TessState* s = static_cast<TessState*>(data);
    s->failed = true;
    s->message = "the face's contours cross near (" + std::to_string(coords[0]) + ", " +
                 std::to_string(coords[1]) + ")";
    *out = nullptr;
}

void CALLBACK OnError(GLenum code, void* data) {
    TessState* s = static_cast<TessState*>(data);
    if (!s->failed) { // a refused combine comes first and says more
        s->message = "the tessellator failed with error " + std::to_string(code);
    }
    s->failed = true;
}

} // namespace

int TessellateCap(const std::vector<std::vector<Point2>>& contours,
                  std::vector<std::array<int, 3>>* triangles, std::string* error) {
    GLUtesselator* tess = gluNewTess();
    if (tess == nullptr) {
        *error = "cannot create a tessellator";
        return 0;
    }
    TessState state{triangles, {0, 0, 0}, 0, false, ""};
    using Callback = void(CALLBACK*)();
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(OnBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(OnVertex));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(OnEdgeFlag));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(OnCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(OnError));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
    gluTessNormal(tess, 0, 0, 1);

    // The tessellator keeps pointers to the coordinates until the polygon ends.
    std::vector<std::array<GLdouble, 3>> coords;
    size_t total = 0;
    for (const auto& c : contours) {
        total += c.size();
    }
    coords.reserve(total);
    triangles->clear();
    gluTessBeginPolygon(tess, &state);
    int number = 0;
    for (const auto& c : contours) {
        gluTessBeginContour(tess);
        for (const Point2& p : c) {
            coords.push_back({p.x, p.y, 0.0});
            gluTessVertex(tess, coords.back().data(),
                          reinterpret_cast<void*>(static_cast<intptr_t>(number)));
            ++number;
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (state.failed) {
        *error = state.message;
        return 0;
    }
    return 1;
}
