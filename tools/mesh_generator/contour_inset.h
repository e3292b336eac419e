// Moves a contour inward by given distances, keeping one point per original vertex.
#pragma once

#include <string>
#include <vector>

#include "mesh_types.h"

// For each distance (ascending, the first may be 0) gives a ring: the contour's edges moved
// into the filled region by that distance, with one point per original vertex, so that rings
// can be joined vertex for vertex. Edges that shrink to nothing on the way are dropped and
// their two ends become one point (both original vertices then share it). Returns 1 on
// success, 0 with error filled in when the contour would vanish.
int InsetContour(const Contour& contour, const std::vector<double>& distances,
                 std::vector<std::vector<Point2>>* rings, std::string* error);
