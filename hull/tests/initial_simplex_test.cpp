// The first tetrahedron on literal clouds: which points it takes, and its inward winding.
#include <gtest/gtest.h>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"

namespace {

using namespace hulltest;

TEST(InitialSimplex, TakesExtremePointsWithTheirFallbacksAndWindsInward) {
  struct Case {
    const char* why;
    std::vector<Vector3> points;
    const char* base;  // facet 0: P0, P1, P2
    const char* apex;  // P3, the last corner of facet 1 (P1, P0, P3)
  };
  const Case cases[] = {
      {"smallest on y is P0 again: largest on y; smallest on z in the base: largest on z",
       {{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, 3}},
       "0: (0 0 0) (10 0 0) (0 5 0) -> 1 2 3",
       "0 0 3"},
      {"apex behind the base: P0 and P2 exchanged",
       {{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, -3}},
       "0: (0 5 0) (10 0 0) (0 0 0) -> 1 2 3",
       "0 0 -3"},
      {"equal extents choose x, the first of equal extremes wins; apex behind",
       {{0, 4, 1}, {0, 0, 0}, {4, 0, 0}, {1, 0, 4}, {2, 2, 2}},
       "0: (0 0 0) (4 0 0) (0 4 1) -> 1 2 3",
       "1 0 4"},
      {"both extremes on y on the line P0 P1: P2 is the point farthest from it",
       {{0, 10, 10}, {20, 0, 5}, {10, 3, 8}, {5, 5, 1}, {10, 5, 0}},
       "0: (0 10 10) (20 0 5) (5 5 1) -> 1 2 3",
       "10 5 0"},
      {"P0 and P1 are the extremes on y too: of two points equally far from their line, the first",
       {{0, 0, 0}, {20, 10, 0}, {11, 3, 2}, {10, 5, -3}},
       "0: (0 0 0) (20 10 0) (11 3 2) -> 1 2 3",
       "10 5 -3"},
      {"both extremes on z in the base plane: P3 is the point farthest from it",
       {{0, 0, 0}, {10, 0, 5}, {3, -4, 0}, {2, 1, 1}, {5, 3, 2}},
       "0: (0 0 0) (10 0 5) (3 -4 0) -> 1 2 3",
       "5 3 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ConvexHull hull;
    hull.buildInitialSimplex(c.points);
    ASSERT_EQ(hull.facets.size(), 4u);
    EXPECT_EQ(describe(hull.facets[0]), c.base);
    EXPECT_EQ(text(hull.facets[1].vertices[2]), c.apex);
    ConvexHull built;
    built.build(c.points);
    expectValidHull(built, c.points);
  }
  // The simplex (0, 0, 0), (10, 0, 0), (0, 5, 0), (0, 0, 3) and its mirror image in z.
  for (const float side : {1.0f, -1.0f}) {
    ConvexHull hull;
    hull.buildInitialSimplex({{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, 3 * side}});
    EXPECT_EQ(text(hull.interiorPoint), text(Vector3{2.5f, 1.25f, 0.75f * side}));
    EXPECT_EQ(text(hull.facets[0].getPlane().normal), text(Vector3{0, 0, side}));
  }
}

}  // namespace
