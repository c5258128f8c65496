// Facet planes and points against them: the triangle fan, Newell normals and their cache,
// classification bounds and outside sets.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"

namespace {

using hulltest::key;

TEST(FacetPlane, SetVerticesFansTheLoopAndThePlaneFollowsItsWinding) {
  Facet f = triangleFacet(12, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  EXPECT_EQ(f.triangleIndices, (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(key(f.getPlane().normal), key({0, 0, 1}));
  EXPECT_EQ(f.getPlane().offset, 0.0f);
  // A clockwise pentagon at z = 2: five vertices fan into three triangles, the cached plane
  // is replaced, and the other fields stay.
  f.outsidePoints.push_back({1, 2, 3});
  const std::array<Vector3, 5> pentagon = {
      Vector3{0, 0, 2}, {-1, 1, 2}, {1, 3, 2}, {3, 1, 2}, {2, 0, 2}};
  f.setVertices(pentagon);
  EXPECT_EQ(f.triangleIndices, (std::vector<std::int32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
  EXPECT_EQ(key(f.getPlane().normal), key({0, 0, -1}));
  EXPECT_EQ(f.getPlane().offset, -2.0f);
  EXPECT_EQ(f.id, 12);
  EXPECT_EQ(f.outsidePoints.size(), 1u);
}

TEST(FacetPlane, ClassifyIsClosedOnTheOnSideAndNeverSeesThroughNaN) {
  const Plane plane{{0, 0, 1}, 0};
  EXPECT_EQ(classify(plane, {0, 0, -0.002f}, HULL_EPSILON), PlaneSide::Back);
  EXPECT_EQ(classify(plane, {0, 0, -0.001f}, HULL_EPSILON), PlaneSide::On);
  EXPECT_EQ(classify(plane, {0, 0, 0.001f}, HULL_EPSILON), PlaneSide::On);
  EXPECT_EQ(classify(plane, {0, 0, 0.002f}, HULL_EPSILON), PlaneSide::Front);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(classify(plane, {0, 0, nan}, HULL_EPSILON), PlaneSide::On);
  EXPECT_EQ(classify({{nan, nan, nan}, nan}, {0, 0, 5}, HULL_EPSILON), PlaneSide::On);
}

TEST(FacetPlane, OfferPointKeepsPointsBehindAndTheFirstOfTheFarthest) {
  Facet f = triangleFacet(0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});  // normal +z
  for (const Vector3 p : {Vector3{5, 5, 3}, {5, 5, -0.001f}, {1, 1, -2}, {2, 2, -2}, {3, 3, -1}})
    f.offerPoint(p);
  EXPECT_EQ(f.outsidePoints.size(), 3u);
  EXPECT_EQ(key(f.farthestPoint), key({1, 1, -2}));
  EXPECT_EQ(f.farthestDistance, -2.0f);
  f.offerPoint({0, 0, -2.5f});
  EXPECT_EQ(key(f.farthestPoint), key({0, 0, -2.5f}));
  EXPECT_EQ(f.outsidePoints.size(), 4u);
}

}  // namespace
