// Display lists of solid spheres, one per distinct radius, compiled on first use and
// replayed afterwards. One linked list per shape kind, newest first.
#include "shape_cache.h"

#include <new>

#include "appkit.h"
#include "gl.h"

ShapeNode* ShapeCache[SHAPE_KIND_COUNT];

int32_t ShapeParamsEqual(const double* first, const double* second, int32_t count) {
    for (int32_t i = 0; i < count; i++) {
        // Only an ordered difference fails: NaN matches anything, +0 matches -0.
        if (first[i] < second[i] || first[i] > second[i]) return 0;
    }
    return 1;
}

uint32_t ShapeCacheFind(int32_t kind, const double* params, int32_t count) {
    if (kind < 0 || kind >= SHAPE_KIND_COUNT) return 0;
    for (const ShapeNode* node = ShapeCache[kind]; node; node = node->next) {
        if (ShapeParamsEqual(node->params, params, count)) return node->listId;
    }
    return 0;
}

uint32_t ShapeCacheAdd(int32_t kind, double* params, int32_t count) {
    if (kind < 0 || kind >= SHAPE_KIND_COUNT) return 0;
    // Without a list name the node could never be found again: add none.
    GLuint name = glGenLists(1);
    if (name == 0) return 0;
    ShapeNode* node = new (std::nothrow) ShapeNode;
    if (!node) {
        glDeleteLists(name, 1);
        return 0;
    }
    node->listId = name;
    node->paramCount = count;
    node->params = params;
    node->next = ShapeCache[kind];
    ShapeCache[kind] = node;
    return node->listId;
}

static void TessellateSphere(double radius) {
    GLUquadric* quadric = gluNewQuadric();
    if (!quadric) return;
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluSphere(quadric, radius, 16, 16);
    gluDeleteQuadric(quadric);
}

void AppSolidSphere(double radius) {
    // The lookup reads the radius in place, so a hit allocates nothing.
    uint32_t id = ShapeCacheFind(SHAPE_SOLID_SPHERE, &radius, 1);
    if (id != 0) {
        glCallList(id);
        return;
    }
    double* params = new (std::nothrow) double[1];
    if (params) {
        params[0] = radius;
        id = ShapeCacheAdd(SHAPE_SOLID_SPHERE, params, 1);
    }
    if (id == 0) {
        // No memory, list name or node: draw uncached and add nothing.
        delete[] params;
        TessellateSphere(radius);
        return;
    }
    glNewList(id, GL_COMPILE_AND_EXECUTE);
    TessellateSphere(radius);
    glEndList();
}
