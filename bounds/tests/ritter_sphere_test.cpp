// Tests of Ritter's sphere: it holds every point at every scale and is never smaller than the
// minimal sphere.
#include "volumes/ritter_sphere.h"

#include <gtest/gtest.h>

#include <vector>

#include "bounds/minimal_sphere.h"
#include "hull/tests/hull_test_support.h"
#include "volumes/tests/volume_test_support.h"

namespace {

void expectHolds(const Sphere& sphere, const std::vector<Vector3>& points) {
  for (const Vector3& p : points)
    ASSERT_LE(length(Vector3d(p) - Vector3d(sphere.center)), static_cast<double>(sphere.radius))
        << "point " << p;
}

TEST(RitterSphere, HoldsEveryPointAtEveryScale) {
  for (const double scale : {1e-3, 1.0, 1e3, 1e6}) {
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
      SCOPED_TRACE(hulltest::text("scale ", scale, " seed ", seed));
      const std::vector<Vector3> points = volumetest::transformed(
          hulltest::floatCloud(seed, 200, seed % 2 == 0), volumetest::Rotation::fromAngles(0, 0, 0),
          scale / 100, Vector3d(5, -1, 3) * (20 * scale));
      expectHolds(ritterSphere(points), points);
    }
  }
}

// The minimal sphere computed at working scale, where its tolerances were made for; it may lie
// a little inside its points (see its contract), so Ritter's must be at least as large.
TEST(RitterSphere, IsNeverSmallerThanTheMinimalSphere) {
  double total = 0.0;
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    const std::vector<Vector3> points = hulltest::programCloud(seed);
    const volumetest::WorkingScale w = volumetest::workingScale(points);
    const Sphere minimal = minimalSphere(w.points.data(), static_cast<int>(w.points.size()));
    const Sphere ritter = ritterSphere(points);
    expectHolds(ritter, points);
    EXPECT_GE(ritter.radius, w.lengthToModel(minimal.radius) * (1 - 1e-6)) << "seed " << seed;
    total += ritter.radius / w.lengthToModel(minimal.radius);
  }
  RecordProperty("meanRatioToMinimalSphere", std::to_string(total / 300));
}

TEST(RitterSphere, TwoPointsGiveTheirDiametralSphereAndNoPointsNothing) {
  const std::vector<Vector3> pair = {{-3, 4, 1}, {5, -2, 1}};
  const Sphere sphere = ritterSphere(pair);
  EXPECT_EQ(sphere.center.x, 1.0f);
  EXPECT_EQ(sphere.center.y, 1.0f);
  EXPECT_NEAR(sphere.radius, 5.0, 1e-6);
  EXPECT_EQ(ritterSphere({}).radius, 0.0f);
}

}  // namespace
