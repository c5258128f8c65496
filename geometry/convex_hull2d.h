// Planar convex hulls in double: Andrew's monotone chain for any point set, and Melkman's
// linear-time algorithm for the vertices of a simple polygon given in order (the silhouette of
// a convex polyhedron seen along a direction is one).
//
// Contract (stated once, here):
// - Results are counterclockwise (positive area), without repeated or collinear vertices, as
//   decided by exact sign tests of the double cross product (rounding can keep a vertex that
//   is collinear in exact arithmetic; it never drops a strict corner of more than rounding).
// - convexHull2dIndices returns indices into the input, starting at the lowest x (then lowest
//   y). Fewer than three non-collinear points give the one or two extreme points.
// - convexHullOfPolygon expects the polygon's vertices in order along its boundary, either
//   direction, closing edge implied. For a polygon that is not simple the result is a convex
//   polygon that may miss vertices of the true hull. Degenerate starts (the first three
//   vertices collinear or repeated) are handed to the monotone chain.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct Point2d {
  double x = 0.0;
  double y = 0.0;
};

// (a - o) x (b - o): positive when o, a, b turn counterclockwise.
inline double turn(const Point2d& o, const Point2d& a, const Point2d& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

std::vector<std::int32_t> convexHull2dIndices(std::span<const Point2d> points);
// The hull into `hull` (replacing its contents; its storage is reused across calls).
void convexHullOfPolygon(std::span<const Point2d> polygon, std::vector<Point2d>& hull);
