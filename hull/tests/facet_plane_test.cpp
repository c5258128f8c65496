// Facet planes and points against them: the triangle fan, Newell normals, the plane cache,
// classification bounds and outside sets.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"

namespace {

using hulltest::same;

TEST(FacetPlane, SetVerticesFillsTheFanAndKeepsTheRest) {
  Facet f;
  f.id = 12;
  f.outsidePoints.push_back({1, 2, 3});
  const std::array<Vector3, 3> triangle = {Vector3{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  f.setVertices(triangle);
  EXPECT_EQ(f.triangleIndices, (std::vector<std::int32_t>{0, 1, 2}));
  const std::array<Vector3, 5> pentagon = {
      Vector3{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {1, 3, 0}, {-1, 1, 0}};
  f.setVertices(pentagon);
  EXPECT_EQ(f.triangleIndices, (std::vector<std::int32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
  EXPECT_EQ(f.vertices.size(), 5u);
  EXPECT_EQ(f.id, 12);
  EXPECT_EQ(f.outsidePoints.size(), 1u);
}

TEST(FacetPlane, NewellNormalFollowsTheWinding) {
  const std::array<Vector3, 3> loop = {Vector3{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const std::array<Vector3, 3> reversed = {loop[2], loop[1], loop[0]};
  EXPECT_TRUE(same(polygonNormal(loop), {0, 0, 1}));
  EXPECT_TRUE(same(polygonNormal(reversed), {0, 0, -1}));
  EXPECT_EQ(planeOfPolygon(loop).offset, 0.0f);

  // For any proper triangle (a, b, c) the normal is the unit cross(b - a, c - a).
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
  for (int i = 0; i < 500; ++i) {
    std::array<Vector3, 3> t;
    for (Vector3& v : t)
      v = {coord(rng), coord(rng), coord(rng)};
    Vector3 expected = cross(t[1] - t[0], t[2] - t[0]);
    if (length(expected) < 1.0f)
      continue;
    expected.normalize();
    const Plane plane = planeOfPolygon(t);
    EXPECT_GT(dot(plane.normal, expected), 0.9999f);
    EXPECT_EQ(plane.offset, dot(plane.normal, t[0]));
  }
}

TEST(FacetPlane, GetPlaneIsRecomputedAfterNewVertices) {
  Facet f;
  const std::array<Vector3, 3> low = {Vector3{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const std::array<Vector3, 3> high = {Vector3{0, 0, 2}, {0, 1, 2}, {1, 0, 2}};
  f.setVertices(low);
  EXPECT_EQ(f.getPlane().offset, 0.0f);
  f.setVertices(high);
  EXPECT_TRUE(same(f.getPlane().normal, {0, 0, -1}));
  EXPECT_EQ(f.getPlane().offset, -2.0f);
}

TEST(FacetPlane, ClassifyIsClosedOnTheOnSide) {
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
  Facet f;
  const std::array<Vector3, 3> loop = {Vector3{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};  // z up
  f.setVertices(loop);
  f.offerPoint({5, 5, 3});
  f.offerPoint({5, 5, -0.001f});
  EXPECT_TRUE(f.outsidePoints.empty());
  EXPECT_EQ(f.farthestDistance, 0.0f);

  f.offerPoint({1, 1, -2});
  f.offerPoint({2, 2, -2});
  f.offerPoint({3, 3, -1});
  ASSERT_EQ(f.outsidePoints.size(), 3u);
  EXPECT_TRUE(same(f.farthestPoint, {1, 1, -2}));
  EXPECT_EQ(f.farthestDistance, -2.0f);
  f.offerPoint({0, 0, -2.5f});
  EXPECT_TRUE(same(f.farthestPoint, {0, 0, -2.5f}));
  EXPECT_EQ(f.outsidePoints.size(), 4u);
}

}  // namespace
