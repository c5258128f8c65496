// Tests of the planar hulls: the monotone chain against the definition on random sets, and
// Melkman's walk over polygons against the monotone chain.
#include "geometry/convex_hull2d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

// Counterclockwise with strict turns, and every point on or inside every edge.
void expectHullOf(const std::vector<Point2d>& hull, const std::vector<Point2d>& points) {
  const std::size_t n = hull.size();
  ASSERT_GE(n, 3u);
  for (std::size_t i = 0; i < n; ++i) {
    const Point2d& a = hull[i];
    const Point2d& b = hull[(i + 1) % n];
    ASSERT_GT(turn(a, b, hull[(i + 2) % n]), 0.0) << "corner " << i;
    for (const Point2d& p : points)
      ASSERT_GE(turn(a, b, p), -1e-12) << "edge " << i;
  }
}

std::vector<Point2d> gathered(const std::vector<Point2d>& points,
                              const std::vector<std::int32_t>& indices) {
  std::vector<Point2d> out;
  for (std::int32_t i : indices)
    out.push_back(points[static_cast<std::size_t>(i)]);
  return out;
}

bool sameCycle(std::vector<Point2d> a, std::vector<Point2d> b) {
  const auto less = [](const Point2d& p, const Point2d& q) {
    return p.x < q.x || (p.x == q.x && p.y < q.y);
  };
  if (a.size() != b.size())
    return false;
  std::rotate(a.begin(), std::min_element(a.begin(), a.end(), less), a.end());
  std::rotate(b.begin(), std::min_element(b.begin(), b.end(), less), b.end());
  return std::equal(a.begin(), a.end(), b.begin(),
                    [](const Point2d& p, const Point2d& q) { return p.x == q.x && p.y == q.y; });
}

TEST(ConvexHull2d, MonotoneChainHoldsEveryPointWithStrictCorners) {
  std::mt19937_64 rng(1);
  std::uniform_real_distribution<double> coordinate(-1.0, 1.0);
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<Point2d> points(static_cast<std::size_t>(3 + trial % 60));
    for (Point2d& p : points) {
      // Every third set on a coarse grid: repeated and collinear points.
      p = {coordinate(rng), coordinate(rng)};
      if (trial % 3 == 0)
        p = {std::round(4 * p.x), std::round(4 * p.y)};
    }
    const std::vector<std::int32_t> indices = convexHull2dIndices(points);
    if (indices.size() < 3)
      continue;
    SCOPED_TRACE(trial);
    expectHullOf(gathered(points, indices), points);
  }
}

TEST(ConvexHull2d, DegenerateSetsGiveTheirExtremePoints) {
  EXPECT_EQ(convexHull2dIndices(std::vector<Point2d>{{1, 1}, {1, 1}}).size(), 1u);
  const std::vector<Point2d> line = {{0, 0}, {2, 2}, {1, 1}, {-1, -1}};
  const std::vector<std::int32_t> ends = convexHull2dIndices(line);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0], 3);
  EXPECT_EQ(ends[1], 1);
}

// Star-shaped polygons (random radii at increasing angles, no gap of half a turn, so the
// centre sees every edge) are simple; walked from any vertex in either direction, Melkman
// finds the same hull as the monotone chain.
TEST(ConvexHull2d, MelkmanOverSimplePolygonsMatchesTheMonotoneChain) {
  std::mt19937_64 rng(2);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<Point2d> hull;
  for (int trial = 0; trial < 2000; ++trial) {
    const std::size_t n = 4 + static_cast<std::size_t>(trial % 100);
    std::vector<Point2d> polygon;
    for (std::size_t i = 0; i < n; ++i) {
      const double a = 2 * std::numbers::pi * (static_cast<double>(i) + 0.9 * unit(rng)) / n;
      const double r = trial % 2 == 0 ? 1.0 : 0.5 + unit(rng);  // convex or star-shaped
      polygon.push_back({r * std::cos(a), r * std::sin(a)});
    }
    std::rotate(polygon.begin(), polygon.begin() + static_cast<std::ptrdiff_t>(trial % n),
                polygon.end());
    if (trial % 3 == 0)
      std::reverse(polygon.begin(), polygon.end());
    SCOPED_TRACE(trial);
    const std::vector<std::int32_t> reference = convexHull2dIndices(polygon);
    convexHullOfPolygon(polygon, hull);
    ASSERT_TRUE(sameCycle(hull, gathered(polygon, reference)));
  }
}

}  // namespace
