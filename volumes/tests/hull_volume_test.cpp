// Tests of the hull volume: known solids, far from the origin as near it, the same from any
// reference point, and never more than any box around the points.
#include "volumes/hull_volume.h"

#include <gtest/gtest.h>

#include <vector>

#include "hull/tests/hull_test_support.h"
#include "volumes/minimum_box.h"
#include "volumes/tests/volume_test_support.h"

namespace {

// The hull with every stored vertex moved by the same offset.
ConvexHull shifted(ConvexHull hull, const Vector3& offset) {
  for (Facet& f : hull.facets) {
    for (Vector3& v : f.vertices)
      v = v + offset;
  }
  return hull;
}

TEST(HullVolume, MatchesKnownSolidsNearAndFarFromTheOrigin) {
  std::vector<Vector3> cube;
  for (int i = 0; i < 8; ++i)
    cube.emplace_back(i & 1 ? 50.0f : -50.0f, i & 2 ? 50.0f : -50.0f, i & 4 ? 50.0f : -50.0f);
  cube.emplace_back(10.0f, -20.0f, 30.0f);  // inside: no effect
  ConvexHull cubeHull;
  cubeHull.build(cube);
  const std::vector<Vector3> corner = {{0, 0, 0}, {60, 0, 0}, {0, 60, 0}, {0, 0, 60}};
  ConvexHull tetrahedron;
  tetrahedron.build(corner);
  for (const Vector3& offset : {Vector3(0, 0, 0), Vector3(1e5f, -3e5f, 2e5f)}) {
    EXPECT_NEAR(hullVolume(shifted(cubeHull, offset)), 1e6, 1e-9 * 1e6);
    EXPECT_NEAR(hullVolume(shifted(tetrahedron, offset)), 60.0 * 60 * 60 / 6, 1e-9 * 36000);
  }
  EXPECT_EQ(hullVolume(ConvexHull()), 0.0);
}

TEST(HullVolume, IsNeverMoreThanTheMinimumBox) {
  for (std::uint32_t seed = 1; seed <= 100; ++seed) {
    const std::vector<Vector3> points = hulltest::programCloud(seed);
    ConvexHull hull;
    hull.build(points);
    const double volume = hullVolume(hull);
    EXPECT_GT(volume, 0.0);
    EXPECT_LE(volume, minimumVolumeBox(points, hull).volume) << "seed " << seed;
  }
}

// A closed surface encloses the same volume seen from anywhere: only the rounding of the
// signed tetrahedra depends on the reference point.
TEST(HullVolume, DoesNotDependOnTheReferencePoint) {
  for (std::uint32_t seed = 1; seed <= 100; ++seed) {
    ConvexHull hull;
    hull.build(hulltest::programCloud(seed));
    const double volume = hullVolume(hull);
    for (const Vector3d& reference :
         {Vector3d(), Vector3d(hull.interiorPoint), Vector3d(3e3, -2e3, 1e3)})
      EXPECT_NEAR(hullVolume(hull, reference), volume, 1e-9 * volume) << "seed " << seed;
  }
}

}  // namespace
