// Finished hulls: their invariants over many seeded clouds, degenerate input, and the
// stitching of facets by shared sides.
#include "hull/convex_hull.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "hull/tests/hull_test_support.h"

namespace {

using hulltest::expectValidHull;

TEST(ConvexHull, ProgramCloudsGiveValidHulls) {
  for (std::uint32_t seed = 1; seed <= 1000; ++seed) {
    SCOPED_TRACE(seed);
    const auto points = hulltest::programCloud(seed);
    ConvexHull hull;
    hull.build(points);
    expectValidHull(hull, points);
    if (HasFailure())
      return;
  }
}

TEST(ConvexHull, FloatCloudsGiveValidHulls) {
  struct Case {
    int count;
    std::uint32_t seeds;
  };
  for (const Case c : {Case{100, 10}, Case{250, 5}, Case{500, 2}, Case{1000, 1}}) {
    for (std::uint32_t seed = 1; seed <= c.seeds; ++seed) {
      SCOPED_TRACE(testing::Message() << c.count << " points, seed " << seed);
      const auto inCube = hulltest::cubeCloud(seed, c.count, 100.0f);
      ConvexHull cubeHull;
      cubeHull.build(inCube);
      expectValidHull(cubeHull, inCube);

      // On a sphere neighbouring facets are nearly coplanar, and the odd sliver tilts past
      // a neighbouring vertex (see expectValidHull); they stay rare.
      const auto onSphere = hulltest::sphereCloud(seed, c.count, 100.0f);
      ConvexHull sphereHull;
      sphereHull.build(onSphere);
      int verticesBehind = 0;
      expectValidHull(sphereHull, onSphere, &verticesBehind);
      EXPECT_LE(verticesBehind, c.count / 50);
      if (HasFailure())
        return;
    }
  }
}

// Degenerate clouds: no error, four facets on the extreme points, nothing outside.
void expectFourFlatFacets(const std::vector<Vector3>& points) {
  ConvexHull hull;
  hull.build(points);
  ASSERT_EQ(hull.facets.size(), 4u);
  EXPECT_EQ(hull.nextFacetId, 4);
  EXPECT_EQ(hull.expansionSteps, 0);
  for (Facet& f : hull.facets) {
    EXPECT_TRUE(f.outsidePoints.empty());
    for (const Vector3& p : points)
      EXPECT_EQ(classify(f.getPlane(), p, HULL_EPSILON), PlaneSide::On);
  }
}

TEST(ConvexHull, EmptyInputOrCopiesOfOnePointGiveFourFacetsAtThatPoint) {
  const Vector3 p{3, -7, 11};
  for (const auto& points :
       {std::vector<Vector3>{}, std::vector<Vector3>(1, p), std::vector<Vector3>(50, p)}) {
    expectFourFlatFacets(points);
    ConvexHull hull;
    hull.build(points);
    for (Facet& f : hull.facets) {
      for (const Vector3& v : f.vertices)
        EXPECT_TRUE(hulltest::same(v, points.empty() ? Vector3::ZERO : p));
      EXPECT_TRUE(std::isnan(f.getPlane().normal.x));
    }
  }
}

TEST(ConvexHull, CollinearAndCoplanarCloudsEndWithoutOutsidePoints) {
  std::vector<Vector3> line;
  std::vector<Vector3> plane;
  std::vector<Vector3> tiltedPlane;
  for (int i = 0; i < 30; ++i) {
    const auto t = static_cast<float>((i * 37) % 30 - 15);
    const auto s = static_cast<float>((i * 11) % 7 - 3);
    line.push_back({2 * t, -t, 0.5f * t});
    plane.push_back({t, s, 4});
    tiltedPlane.push_back({t, s, t + s});  // the plane z = x + y
  }
  expectFourFlatFacets(line);
  expectFourFlatFacets(plane);
  expectFourFlatFacets(tiltedPlane);
}

TEST(ConvexHull, PointsWithinToleranceOfAFacetStayOff) {
  std::vector<Vector3> points = {{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, 3}};
  points.push_back({1, 1, -0.0009f});  // just below the base z = 0
  // Off the middle of the slanted face x / 10 + y / 5 + z / 3 = 1, outward.
  Vector3 outward{0.1f, 0.2f, 1.0f / 3.0f};
  outward.normalize();
  const Vector3 middle{10.0f / 3.0f, 5.0f / 3.0f, 1.0f};
  points.push_back(middle + outward * 0.0009f);
  ConvexHull near;
  near.build(points);
  EXPECT_EQ(near.facets.size(), 4u);
  EXPECT_EQ(near.expansionSteps, 0);

  const Vector3 beyondPoint = middle + outward * 0.002f;
  points.push_back(beyondPoint);
  ConvexHull beyond;
  beyond.build(points);
  EXPECT_EQ(beyond.expansionSteps, 1);
  EXPECT_TRUE(hulltest::distinctVertices(beyond).contains(hulltest::key(beyondPoint)));
  expectValidHull(beyond, points);
}

Facet triangle(std::int32_t id, const Vector3& a, const Vector3& b, const Vector3& c) {
  Facet f;
  f.id = id;
  const std::array<Vector3, 3> loop = {a, b, c};
  f.setVertices(loop);
  f.edges = {Edge{a, b, -1}, Edge{b, c, -1}, Edge{c, a, -1}};
  return f;
}

TEST(ConvexHull, LinkNeighborsMatchesASideInEitherDirectionWithinTolerance) {
  const Vector3 a{0, 0, 0};
  const Vector3 b{1, 0, 0};
  for (const bool reversed : {true, false}) {
    for (const float shift : {0.0f, 0.0009f, 0.002f}) {
      SCOPED_TRACE(testing::Message() << "reversed " << reversed << " shift " << shift);
      const Vector3 a2{shift, 0, -shift};
      ConvexHull hull;
      hull.facets.push_back(triangle(7, a, b, {0, 1, 0}));
      hull.facets.push_back(reversed ? triangle(9, b, a2, {0, -1, 0})
                                     : triangle(9, a2, b, {0, -1, 0}));
      hull.linkNeighbors(7);
      const bool match = shift < 0.001f;
      EXPECT_EQ(hull.facets[0].edges[0].neighbor, match ? 9 : -1);
      EXPECT_EQ(hull.facets[1].edges[0].neighbor, match ? 7 : -1);
      EXPECT_EQ(hull.facets[0].edges[1].neighbor, -1);
      EXPECT_EQ(hull.facets[0].edges[2].neighbor, -1);
    }
  }
}

TEST(ConvexHull, LinkNeighborsTakesTheFirstMatchInListOrderAndOverwrites) {
  const Vector3 a{0, 0, 0};
  const Vector3 b{1, 0, 0};
  ConvexHull hull;
  hull.facets.push_back(triangle(3, {0, -1, 0}, b, a));
  hull.facets.push_back(triangle(5, a, b, {0, 1, 0}));
  hull.facets.push_back(triangle(8, b, a, {0, 0, 1}));
  hull.facets[1].edges[0].neighbor = 42;
  hull.facets[2].edges[0].neighbor = 42;
  hull.linkNeighbors(5);
  EXPECT_EQ(hull.facets[1].edges[0].neighbor, 3);
  EXPECT_EQ(hull.facets[0].edges[1].neighbor, 5);
  EXPECT_EQ(hull.facets[2].edges[0].neighbor, 42);  // the later match is left alone
  hull.linkNeighbors(8);
  EXPECT_EQ(hull.facets[2].edges[0].neighbor, 3);
  EXPECT_EQ(hull.facets[0].edges[1].neighbor, 8);
}

}  // namespace
