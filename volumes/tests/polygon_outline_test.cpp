// Tests of Melkman's outline of a simple polygon: on star-shaped polygons, walked from any
// corner in either direction, it finds the same outline as convexOutline.
#include "volumes/polygon_outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

bool sameCycle(std::vector<Point2> a, std::vector<Point2> b) {
  const auto less = [](const Point2& p, const Point2& q) {
    return p.x < q.x || (p.x == q.x && p.y < q.y);
  };
  if (a.size() != b.size())
    return false;
  std::rotate(a.begin(), std::min_element(a.begin(), a.end(), less), a.end());
  std::rotate(b.begin(), std::min_element(b.begin(), b.end(), less), b.end());
  return std::equal(a.begin(), a.end(), b.begin(),
                    [](const Point2& p, const Point2& q) { return p.x == q.x && p.y == q.y; });
}

// Random radii at increasing angles with no gap of half a turn: the centre sees every edge, so
// the polygon is simple; every other one is convex, the rest have reflex corners. Some are cut
// to a coarse grid, for repeated and collinear corners.
TEST(PolygonOutline, MatchesTheSortedOutlineOnSimplePolygons) {
  std::mt19937_64 rng(2);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<Point2> outline;
  for (int trial = 0; trial < 3000; ++trial) {
    const std::size_t n = 4 + static_cast<std::size_t>(trial % 100);
    std::vector<Point2> polygon;
    for (std::size_t i = 0; i < n; ++i) {
      const double a = 2 * std::numbers::pi * (static_cast<double>(i) + 0.9 * unit(rng)) / n;
      const double r = trial % 2 == 0 ? 1.0 : 0.5 + unit(rng);
      polygon.push_back({r * std::cos(a), r * std::sin(a)});
    }
    std::rotate(polygon.begin(), polygon.begin() + static_cast<std::ptrdiff_t>(trial % n),
                polygon.end());
    if (trial % 3 == 0)
      std::reverse(polygon.begin(), polygon.end());
    SCOPED_TRACE(trial);
    convexOutlineOfPolygon(polygon, outline);
    ASSERT_TRUE(sameCycle(outline, convexOutline(polygon)));
  }
}

TEST(PolygonOutline, DegenerateStartsAndSmallPolygonsFallBackToTheSortedOutline) {
  std::vector<Point2> outline;
  const std::vector<Point2> collinearStart = {{0, 0}, {1, 0}, {2, 0}, {1, 1}};
  convexOutlineOfPolygon(collinearStart, outline);
  EXPECT_TRUE(sameCycle(outline, {{0, 0}, {2, 0}, {1, 1}}));
  const std::vector<Point2> two = {{0, 0}, {1, 1}};
  convexOutlineOfPolygon(two, outline);
  EXPECT_EQ(outline.size(), 2u);
}

}  // namespace
