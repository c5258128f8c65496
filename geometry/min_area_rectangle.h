// Minimum-area enclosing rectangle of a convex polygon by rotating calipers (Toussaint): the
// optimal rectangle has a side flush with an edge of the polygon, so it suffices to try every
// edge direction; the three other supporting vertices only move forward as the edge turns.
//
// Contract (stated once, here):
// - The polygon is convex, counterclockwise, without repeated vertices (as convexHull2d*
//   returns it). One vertex gives a zero rectangle along x; two give a zero-width rectangle
//   along the segment.
// - Result: unit direction `axis` (u) of one side; the other is v = (-u.y, u.x). Every polygon
//   vertex p satisfies lo[0] <= dot(p, u) <= hi[0] and lo[1] <= dot(p, v) <= hi[1] as the
//   calipers measured them (on a slightly non-convex input a vertex can stick out by its
//   dent); area = (hi[0] - lo[0]) * (hi[1] - lo[1]). Of equal areas the first edge wins.
#pragma once

#include <span>

#include "geometry/convex_hull2d.h"

struct Rectangle2d {
  Point2d axis{1.0, 0.0};
  double lo[2] = {0.0, 0.0};
  double hi[2] = {0.0, 0.0};
  double area = 0.0;
};

Rectangle2d minimumAreaRectangle(std::span<const Point2d> convexPolygon);
