// The first tetrahedron: choice of its four points, orientation, links and outside sets.
#include <gtest/gtest.h>

#include <cmath>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"

namespace {

using hulltest::same;

// P0, P1, P2 are facet 0's loop; P3 is the last corner of facet 1 (P1, P0, P3).
void expectSimplex(const ConvexHull& hull, const Vector3& p0, const Vector3& p1, const Vector3& p2,
                   const Vector3& p3) {
  ASSERT_EQ(hull.facets.size(), 4u);
  const auto& base = hull.facets[0].vertices;
  EXPECT_TRUE(same(base[0], p0)) << base[0];
  EXPECT_TRUE(same(base[1], p1)) << base[1];
  EXPECT_TRUE(same(base[2], p2)) << base[2];
  EXPECT_TRUE(same(hull.facets[1].vertices[2], p3)) << hull.facets[1].vertices[2];
}

TEST(InitialSimplex, ExtremePointsWithFallbackToTheLargestOnTheSecondAxis) {
  // Smallest on y is (0, 0, 0) again, so the base falls back to the largest on y; smallest
  // on z is in the base plane, so the apex is the largest on z.
  ConvexHull hull;
  hull.buildInitialSimplex({{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, 3}});
  expectSimplex(hull, {0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, 3});
  EXPECT_TRUE(same(hull.interiorPoint, {2.5f, 1.25f, 0.75f}));
  EXPECT_TRUE(same(hull.facets[0].getPlane().normal, {0, 0, 1}));
  EXPECT_EQ(hull.nextFacetId, 4);
  for (std::int32_t i = 0; i < 4; ++i)
    EXPECT_EQ(hull.facets[i].id, i);
}

TEST(InitialSimplex, ApexBehindTheBaseExchangesP0AndP2) {
  ConvexHull hull;
  hull.buildInitialSimplex({{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, -3}});
  expectSimplex(hull, {0, 5, 0}, {10, 0, 0}, {0, 0, 0}, {0, 0, -3});
  EXPECT_TRUE(same(hull.interiorPoint, {2.5f, 1.25f, -0.75f}));
  EXPECT_TRUE(same(hull.facets[0].getPlane().normal, {0, 0, -1}));
}

TEST(InitialSimplex, TiesGoToTheLowerAxisAndTheEarliestPoint) {
  // Equal extents on all axes choose x; of two points with the smallest x the first is P0,
  // of two with the smallest y and z the first is P2 and the first choice of P3. The apex
  // (1, 0, 4) lies behind the base, so P0 and P2 trade places.
  ConvexHull hull;
  hull.buildInitialSimplex({{0, 4, 1}, {0, 0, 0}, {4, 0, 0}, {1, 0, 4}, {2, 2, 2}});
  expectSimplex(hull, {0, 0, 0}, {4, 0, 0}, {0, 4, 1}, {1, 0, 4});
}

TEST(InitialSimplex, FacetsAreLinkedInwardAndHoldThePointsOutsideThem) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    const auto points = hulltest::programCloud(seed);
    ConvexHull hull;
    hull.buildInitialSimplex(points);
    ASSERT_EQ(hull.facets.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      Facet& f = hull.facets[i];
      EXPECT_EQ(f.id, static_cast<std::int32_t>(i));
      for (const Edge& e : f.edges) {
        EXPECT_TRUE(e.neighbor >= 0 && e.neighbor < 4 && e.neighbor != f.id) << e.neighbor;
      }
      // A cloud of 20 random points is never flat, so the tetrahedron must be proper.
      EXPECT_EQ(classify(f.getPlane(), hull.interiorPoint, HULL_EPSILON), PlaneSide::Front);
      std::vector<Vector3> outside;
      for (const Vector3& p : points) {
        if (classify(f.getPlane(), p, HULL_EPSILON) == PlaneSide::Back)
          outside.push_back(p);
      }
      ASSERT_EQ(f.outsidePoints.size(), outside.size());
      for (std::size_t k = 0; k < outside.size(); ++k) {
        EXPECT_TRUE(same(f.outsidePoints[k], outside[k]));
      }
    }
  }
}

TEST(InitialSimplex, DegenerateBaseLineTakesThePointFarthestFromIt) {
  // (0, 10, 10) is smallest on x and largest on y and z; the smallest on y is P1 itself, so
  // both extremes on y lie on the line P0 P1. (5, 5, 1) is the farthest from that line.
  const std::vector<Vector3> points = {{0, 10, 10}, {20, 0, 5}, {10, 3, 8}, {5, 5, 1}, {10, 5, 0}};
  ConvexHull hull;
  hull.buildInitialSimplex(points);
  const Vector3 p2{5, 5, 1};
  const Vector3 p3{10, 5, 0};  // smallest on z, off the base plane
  const bool exchanged = same(hull.facets[0].vertices[0], p2);
  expectSimplex(hull, exchanged ? p2 : points[0], points[1], exchanged ? points[0] : p2, p3);
  ConvexHull built;
  built.build(points);
  hulltest::expectValidHull(built, points);
}

TEST(InitialSimplex, ApexInTheBasePlaneTakesThePointFarthestFromIt) {
  // The smallest on z is P0 itself and the largest on z is P1: both lie in the base plane.
  const std::vector<Vector3> points = {{0, 0, 0}, {10, 0, 5}, {3, -4, 0}, {2, 1, 1}, {5, 3, 2}};
  ConvexHull hull;
  hull.buildInitialSimplex(points);
  const Vector3 p3{5, 3, 2};
  const bool exchanged = same(hull.facets[0].vertices[0], points[2]);
  expectSimplex(hull, exchanged ? points[2] : points[0], points[1],
                exchanged ? points[0] : points[2], p3);
  ConvexHull built;
  built.build(points);
  hulltest::expectValidHull(built, points);
}

}  // namespace
