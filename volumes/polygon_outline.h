// The convex outline of a simple polygon in linear time (Melkman, 1987), in the terms of
// volumes/outline.h. The silhouette of a convex polyhedron walked along its edges is such a
// polygon, and the minimum box outlines one per direction it tries, so sorting (as
// convexOutline does for arbitrary points) would dominate there.
//
// Contract (stated once, here):
// - polygon: the vertices in order along the boundary, either direction, closing edge implied.
//   For a simple polygon the result equals convexOutline(polygon) up to the starting corner:
//   counter-clockwise, no repeated or collinear corners (by exact sign tests of the double
//   cross product). For a polygon that is not simple the result is a convex polygon that may
//   miss corners of the true outline.
// - Fewer than three points, or a start whose first three points are collinear, are handed to
//   convexOutline.
// - outline is replaced; its storage is reused across calls.
#pragma once

#include <span>
#include <vector>

#include "volumes/outline.h"

void convexOutlineOfPolygon(std::span<const Point2> polygon, std::vector<Point2>& outline);
