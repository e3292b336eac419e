// Display-list cache of shapes, one linked list per shape kind, newest first.
#pragma once

#include <cstdint>

enum : int32_t { SHAPE_KIND_COUNT = 25, SHAPE_SOLID_SPHERE = 10 };

struct ShapeNode {
    uint32_t listId;
    ShapeNode* next;
    int32_t paramCount;
    double* params; // owned by the node
};

extern ShapeNode* ShapeCache[SHAPE_KIND_COUNT];

uint32_t ShapeCacheFind(int32_t kind, const double* params, int32_t count);
uint32_t ShapeCacheAdd(int32_t kind, double* params, int32_t count);
int32_t ShapeParamsEqual(const double* first, const double* second, int32_t count);
