// Growth of the hull step by step on worked examples, and the guarantee that every build ends.
#include <gtest/gtest.h>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"

namespace {

using namespace hulltest;

const std::vector<Vector3> SIMPLEX = {{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, 3}};

TEST(HullExpansion, PointsWithinToleranceOfAFacetStayOffAndOneBeyondIsAdded) {
  // Off the middle of the slanted face x / 10 + y / 5 + z / 3 = 1, outward.
  Vector3 outward{0.1f, 0.2f, 1.0f / 3.0f};
  outward.normalize();
  const Vector3 middle{10.0f / 3.0f, 5.0f / 3.0f, 1.0f};
  auto points = SIMPLEX;
  points.insert(points.end(), {{1, 1, 1}, {1, 1, -0.0009f}, middle + outward * 0.0009f});
  ConvexHull near;
  near.build(points);
  EXPECT_EQ(near.facets.size(), 4u);
  EXPECT_EQ(near.expansionSteps, 0);

  points.push_back(middle + outward * 0.002f);
  ConvexHull beyond;
  beyond.build(points);
  EXPECT_EQ(beyond.expansionSteps, 1);
  EXPECT_TRUE(distinctVertices(beyond).contains(key(points.back())));
  expectValidHull(beyond, points);
}

TEST(HullExpansion, OnePointBeyondTheSlantedFaceReplacesItByThreeLinkedFacets) {
  auto points = SIMPLEX;
  points.push_back({5, 4, 2});
  ConvexHull hull;
  hull.build(points);
  EXPECT_EQ(hull.expansionSteps, 1);
  std::vector<std::string> facets;
  for (const Facet& f : hull.facets)
    facets.push_back(describe(f));
  EXPECT_EQ(facets,
            (std::vector<std::string>{
                "0: (0 0 0) (10 0 0) (0 5 0) -> 1 4 3", "1: (10 0 0) (0 0 0) (0 0 3) -> 0 3 5",
                "3: (0 0 0) (0 5 0) (0 0 3) -> 0 6 1", "4: (0 5 0) (10 0 0) (5 4 2) -> 0 5 6",
                "5: (10 0 0) (0 0 3) (5 4 2) -> 1 6 4", "6: (0 0 3) (0 5 0) (5 4 2) -> 3 4 5"}));
  expectValidHull(hull, points);
}

TEST(HullExpansion, CubeCornersGiveTwoTrianglesPerFaceInFourSteps) {
  std::vector<Vector3> corners;
  for (int i = 0; i < 8; ++i)
    corners.push_back({i & 4 ? 10.0f : 0.0f, i & 2 ? 10.0f : 0.0f, i & 1 ? 10.0f : 0.0f});
  ConvexHull hull;
  hull.build(corners);
  EXPECT_EQ(hull.expansionSteps, 4);
  EXPECT_EQ(hull.facets.size(), 12u);
  // Every facet lies in a face of the cube; with 12 facets on a valid hull, two per face.
  for (const Facet& f : hull.facets) {
    const auto& v = f.vertices;
    EXPECT_TRUE((v[0].x == v[1].x && v[0].x == v[2].x) || (v[0].y == v[1].y && v[0].y == v[2].y) ||
                (v[0].z == v[1].z && v[0].z == v[2].z))
        << describe(f);
  }
  expectValidHull(hull, corners);
}

TEST(HullExpansion, LargeCoordinatesStillEnd) {
  // Rounding at these magnitudes puts an eye point behind some of the facets it spans; the
  // build must end all the same, after at most one step per point.
  for (const float scale : {1e2f, 1e3f, 1e4f, 1e5f}) {
    for (const float shift : {0.0f, 1e4f, 1e5f, 1e6f, 1e7f}) {
      for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE(text("scale ", scale, " shift ", shift, " seed ", seed));
        auto points = floatCloud(seed, 40, false, 1.0f);
        for (Vector3& p : points)
          p = p * scale + Vector3{shift, -shift, shift};
        ConvexHull hull;
        hull.build(points);
        EXPECT_LE(hull.expansionSteps, 40);
        for (const Facet& f : hull.facets) {
          EXPECT_EQ(f.vertices.size(), 3u);
          EXPECT_TRUE(f.outsidePoints.empty());
        }
      }
    }
  }
}

}  // namespace
