// Triangulates a flat face bounded by contours, with GLU's tessellator.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "mesh_types.h"

// contours: closed polylines, outer ones counter-clockwise and holes clockwise.
// Gives triangles as (contour, point) pairs flattened to point numbers: point p of
// contour c is number offset[c] + p, where offset counts the points of earlier contours.
// Triangles come counter-clockwise seen from +z. The tessellator must not need new
// points: an intersection between the contours is an error. Returns 1 on success.
int TessellateCap(const std::vector<std::vector<Point2>>& contours,
                  std::vector<std::array<int, 3>>* triangles, std::string* error);
