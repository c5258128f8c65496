// Tests of the plane geometry for flat shapes, each against a brute-force oracle over many
// seeded point sets: the outline holds every point and turns left at every corner, the
// rectangle is the smallest over all edge directions, the circle the smallest over all pairs
// and triples.
#include "volumes/outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

double cross(const Point2& o, const Point2& a, const Point2& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double distance(const Point2& a, const Point2& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// count points: uniform in a square, on a circle, or on a coarse grid (duplicates and
// collinear runs), by seed.
std::vector<Point2> pointSet(std::uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> coordinate(-100, 100);
  std::uniform_int_distribution<int> cell(-3, 3);
  std::vector<Point2> points(static_cast<std::size_t>(count));
  for (Point2& p : points) {
    switch (seed % 3) {
      case 0:
        p = {coordinate(rng), coordinate(rng)};
        break;
      case 1: {
        const double angle = coordinate(rng);
        p = {50 * std::cos(angle), 50 * std::sin(angle)};
        break;
      }
      default:
        p = {10.0 * cell(rng), 10.0 * cell(rng)};
    }
  }
  return points;
}

TEST(Outline, HoldsEveryPointAndTurnsLeftAtEveryCornerOfInputPoints) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    const std::vector<Point2> points = pointSet(seed, 3 + static_cast<int>(seed % 40));
    const std::vector<Point2> outline = convexOutline(points);
    ASSERT_GE(outline.size(), 3u);
    const std::size_t n = outline.size();
    for (std::size_t i = 0; i < n; ++i) {
      const Point2& a = outline[i];
      const Point2& b = outline[(i + 1) % n];
      ASSERT_GT(cross(a, b, outline[(i + 2) % n]), 0) << "corner " << i;
      ASSERT_TRUE(std::any_of(points.begin(), points.end(),
                              [&a](const Point2& p) { return p.x == a.x && p.y == a.y; }));
      for (const Point2& p : points)
        ASSERT_GE(cross(a, b, p), -1e-9) << "edge " << i;
    }
    EXPECT_GT(outlineArea(outline), 0);
  }
}

TEST(Outline, ToleranceDropsNearlyCollinearCornersAndCollinearSetsKeepTheirEnds) {
  // A square whose edges carry midpoints bulging out by 0.01.
  const std::vector<Point2> square = {{0, 0},     {5, -0.01}, {10, 0},    {10.01, 5}, {10, 10},
                                      {5, 10.01}, {0, 10},    {-0.01, 5}, {4, 4}};
  EXPECT_EQ(convexOutline(square).size(), 8u);
  EXPECT_EQ(convexOutline(square, 0.02).size(), 4u);
  const std::vector<Point2> line = {{3, 3}, {1, 1}, {2, 2}, {0, 0}, {1, 1}};
  const std::vector<Point2> ends = convexOutline(line);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_TRUE(ends[0].x == 0 && ends[1].x == 3);
  EXPECT_EQ(convexOutline(std::vector<Point2>{{1, 2}, {1, 2}}).size(), 1u);
}

TEST(Outline, RectangleIsTheSmallestOverEveryEdgeDirection) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    const std::vector<Point2> outline =
        convexOutline(pointSet(seed, 3 + static_cast<int>(seed % 60)));
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < outline.size(); ++i) {
      const Point2& a = outline[i];
      const Point2& b = outline[(i + 1) % outline.size()];
      const double len = distance(a, b);
      const Point2 d{(b.x - a.x) / len, (b.y - a.y) / len};
      double lo[2] = {1e300, 1e300};
      double hi[2] = {-1e300, -1e300};
      for (const Point2& p : outline) {
        const double t[2] = {p.x * d.x + p.y * d.y, -p.x * d.y + p.y * d.x};
        for (int k = 0; k < 2; ++k) {
          lo[k] = std::min(lo[k], t[k]);
          hi[k] = std::max(hi[k], t[k]);
        }
      }
      best = std::min(best, (hi[0] - lo[0]) * (hi[1] - lo[1]));
    }
    const Rectangle2 rectangle = smallestRectangle(outline);
    EXPECT_NEAR(rectangle.area, best, 1e-9 * best);
    EXPECT_NEAR(rectangle.length * rectangle.width, rectangle.area, 1e-9 * best);
    EXPECT_NEAR(std::hypot(rectangle.direction.x, rectangle.direction.y), 1.0, 1e-12);
  }
}

TEST(Outline, CircleIsTheSmallestThroughTwoOrThreeOfThePoints) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    const std::vector<Point2> points = pointSet(seed, 1 + static_cast<int>(seed % 12));
    const Circle2 circle = smallestCircle(points);
    for (const Point2& p : points)
      ASSERT_LE(distance(p, circle.center), circle.radius * (1 + 1e-12));
    // Oracle: the smallest circle on a pair (as diameter) or through a triple that holds all.
    const auto holdsAll = [&points](const Point2& c, double r) {
      return std::all_of(points.begin(), points.end(),
                         [&](const Point2& p) { return distance(p, c) <= r * (1 + 1e-9); });
    };
    double best = points.size() == 1 ? 0 : std::numeric_limits<double>::infinity();
    for (const Point2& a : points) {
      for (const Point2& b : points) {
        const Point2 m{(a.x + b.x) / 2, (a.y + b.y) / 2};
        if (holdsAll(m, distance(a, b) / 2))
          best = std::min(best, distance(a, b) / 2);
        for (const Point2& c : points) {
          const double d = 2 * cross(a, b, c);
          if (std::abs(d) < 1e-9)
            continue;
          const double b2 = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
          const double c2 = (c.x - a.x) * (c.x - a.x) + (c.y - a.y) * (c.y - a.y);
          const Point2 o{a.x + ((c.y - a.y) * b2 - (b.y - a.y) * c2) / d,
                         a.y + ((b.x - a.x) * c2 - (c.x - a.x) * b2) / d};
          if (holdsAll(o, distance(o, a)))
            best = std::min(best, distance(o, a));
        }
      }
    }
    EXPECT_NEAR(circle.radius, best, 1e-9 * std::max(best, 1.0));
  }
}

}  // namespace
