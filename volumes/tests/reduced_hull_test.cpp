// Tests of the reduced hull: at most N vertices, every point of the exact hull within every
// face's plane, never smaller than the hull, and its corners and faces one closed polytope.
#include "volumes/reduced_hull.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hull/tests/hull_test_support.h"
#include "volumes/tests/volumes_test_support.h"

namespace {

void expectHoldsTheHull(const std::vector<Vector3>& points, const ExactHull& hull,
                        const ReducedHull& reduced) {
  ASSERT_LE(reduced.vertices.size(), static_cast<std::size_t>(reduced.maxVertices));
  for (const ReducedHullFace& face : reduced.faces) {
    for (const Vector3& p : points)
      ASSERT_LE(dot(face.normal, Vector3d(p)), face.offset);
  }
  if (hull.dimension != HullDimension::Solid)
    return;
  EXPECT_GE(reduced.volume, hull.volume * (1 - 1e-9));
  EXPECT_NEAR(reduced.volume / volumestest::qhullVolume(reduced.vertices), 1.0, 1e-9);
  double magnitude = 0;
  for (const Vector3d& v : reduced.vertices)
    magnitude = std::max({magnitude, std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
  for (const Vector3d& v : reduced.vertices) {
    for (const ReducedHullFace& face : reduced.faces)
      ASSERT_LE(dot(face.normal, v), face.offset + 1e-10 * magnitude);
  }
}

TEST(ReducedHull, HoldsTheHullWithAtMostNVerticesAtEveryScale) {
  for (const double scale : {0x1p-20, 1.0, 0x1p20}) {
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
      SCOPED_TRACE(hulltest::text("scale ", scale, " seed ", seed));
      const std::vector<Vector3> points = volumestest::cloud(seed, scale, 400);
      const ExactHull hull = buildExactHull(points);
      for (int n : {8, 32, 64, 255})
        expectHoldsTheHull(points, hull, reducedHull(points, hull, n));
    }
  }
}

TEST(ReducedHull, SmallAndDegenerateHulls) {
  std::vector<Vector3> cube;
  for (int i = 0; i < 8; ++i)
    cube.emplace_back(i & 1 ? 2.0f : -2.0f, i & 2 ? 2.0f : -2.0f, i & 4 ? 2.0f : -2.0f);
  const ReducedHull itself = reducedHull(cube, buildExactHull(cube), 32);
  EXPECT_EQ(itself.vertices.size(), 8u);
  EXPECT_EQ(itself.volume, 64.0);
  std::vector<Vector3> flat;
  for (const Vector3& p : volumestest::cloud(4, 1.0, 200))
    flat.push_back({p.x, p.y, 0.5f * p.x - 0.25f * p.y});
  const std::vector<std::vector<Vector3>> awkward = {flat, hulltest::programCloud(3), {{1, 2, 3}}};
  for (const std::vector<Vector3>& points : awkward) {
    const ExactHull hull = buildExactHull(points);
    expectHoldsTheHull(points, hull, reducedHull(points, hull, 8));
  }
}

}  // namespace
