// Tests of the rotating calipers: the rectangle holds the polygon and no edge direction gives
// a smaller one (checked edge by edge by brute force).
#include "geometry/min_area_rectangle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "geometry/convex_hull2d.h"

namespace {

// The smallest rectangle with a side along some polygon edge, measured over every vertex.
double bruteForceArea(const std::vector<Point2d>& poly) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const Point2d& a = poly[i];
    const Point2d& b = poly[(i + 1) % poly.size()];
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    const Point2d u{(b.x - a.x) / len, (b.y - a.y) / len};
    double lo[2] = {INFINITY, INFINITY};
    double hi[2] = {-INFINITY, -INFINITY};
    for (const Point2d& p : poly) {
      const double s = p.x * u.x + p.y * u.y;
      const double t = -p.x * u.y + p.y * u.x;
      lo[0] = std::min(lo[0], s);
      hi[0] = std::max(hi[0], s);
      lo[1] = std::min(lo[1], t);
      hi[1] = std::max(hi[1], t);
    }
    best = std::min(best, (hi[0] - lo[0]) * (hi[1] - lo[1]));
  }
  return best;
}

TEST(MinimumAreaRectangle, HoldsThePolygonAndMatchesTheBestEdgeDirection) {
  std::mt19937_64 rng(4);
  std::normal_distribution<double> normal;
  std::vector<Point2d> hull;
  for (int trial = 0; trial < 3000; ++trial) {
    std::vector<Point2d> points(static_cast<std::size_t>(3 + trial % 80));
    const double stretch = 1.0 + trial % 7;
    for (Point2d& p : points)
      p = {stretch * normal(rng), normal(rng)};
    hull.clear();
    for (std::int32_t i : convexHull2dIndices(points))
      hull.push_back(points[static_cast<std::size_t>(i)]);
    if (hull.size() < 3)
      continue;
    SCOPED_TRACE(trial);
    const Rectangle2d r = minimumAreaRectangle(hull);
    ASSERT_NEAR(r.area, bruteForceArea(hull), 1e-12 * r.area);
    ASSERT_NEAR(std::hypot(r.axis.x, r.axis.y), 1.0, 1e-15);
    ASSERT_NEAR(r.area, (r.hi[0] - r.lo[0]) * (r.hi[1] - r.lo[1]), 1e-12 * r.area);
    const Point2d v{-r.axis.y, r.axis.x};
    for (const Point2d& p : points) {
      const double s = p.x * r.axis.x + p.y * r.axis.y;
      const double t = p.x * v.x + p.y * v.y;
      ASSERT_TRUE(s >= r.lo[0] - 1e-12 && s <= r.hi[0] + 1e-12 && t >= r.lo[1] - 1e-12 &&
                  t <= r.hi[1] + 1e-12);
    }
  }
}

TEST(MinimumAreaRectangle, KnownShapes) {
  // A unit square turned by 30 degrees: its own rectangle.
  const double c = std::cos(0.5235987755982988), s = std::sin(0.5235987755982988);
  const std::vector<Point2d> square = {{0, 0}, {c, s}, {c - s, s + c}, {-s, c}};
  EXPECT_NEAR(minimumAreaRectangle(square).area, 1.0, 1e-15);
  // A right triangle with legs 3 and 4: the rectangle on a leg, area 12 (the hypotenuse
  // gives 5 * 2.4 = 12 as well).
  const std::vector<Point2d> triangle = {{0, 0}, {4, 0}, {0, 3}};
  EXPECT_NEAR(minimumAreaRectangle(triangle).area, 12.0, 1e-12);
  // A segment and a point: no area, the axis along the segment.
  const std::vector<Point2d> segment = {{1, 1}, {4, 5}};
  const Rectangle2d r = minimumAreaRectangle(segment);
  EXPECT_EQ(r.area, 0.0);
  EXPECT_NEAR(r.axis.x, 0.6, 1e-15);
  EXPECT_EQ(minimumAreaRectangle(std::vector<Point2d>{{2, 3}}).area, 0.0);
}

}  // namespace
