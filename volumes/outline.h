// Plane geometry in double for flat point sets: the convex outline (Andrew's monotone
// chain), the smallest-area enclosing rectangle (rotating calipers over the outline's edges:
// one side of the optimum lies on an edge) and the smallest enclosing circle (Welzl's
// randomised incremental construction, iterative form).
//
// Contract (stated once, here):
// - Everything is double; nothing here touches the process's rand(): the circle's shuffle
//   uses its own generator with a fixed seed, so results are reproducible.
// - convexOutline returns the corners counter-clockwise, starting at the lexicographically
//   smallest point, without repeated points and without a corner that lies within
//   `tolerance` of the line through its neighbours (0 drops exactly collinear corners only).
//   Points so dropped may lie outside the outline by up to about the tolerance. Fewer than
//   three distinct points give the distinct points only (sorted); more that are all collinear
//   give the two ends.
// - smallestRectangle takes such an outline with at least three corners; smallestCircle any
//   non-empty point set. The circle holds every point within a relative 1e-12 of its radius.
#pragma once

#include <span>
#include <vector>

struct Point2 {
  double x = 0;
  double y = 0;
};

std::vector<Point2> convexOutline(std::span<const Point2> points, double tolerance = 0);

// Signed area (positive for a counter-clockwise outline).
double outlineArea(std::span<const Point2> outline);

struct Rectangle2 {
  Point2 direction;   // unit direction of the sides parallel to the chosen outline edge
  double length = 0;  // extent along direction
  double width = 0;   // extent across it
  double area = 0;
};

Rectangle2 smallestRectangle(std::span<const Point2> outline);

struct Circle2 {
  Point2 center;
  double radius = 0;
};

Circle2 smallestCircle(std::span<const Point2> points);
