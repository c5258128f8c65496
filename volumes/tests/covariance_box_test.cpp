// Tests of the covariance box: it holds every point at every scale, finds the axes of a
// stretched cloud, and is tilted by dense interior points that leave the hull-based boxes alone.
#include "volumes/covariance_box.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "hull/tests/hull_test_support.h"
#include "volumes/minimum_box.h"
#include "volumes/tests/volume_test_support.h"

namespace {

using volumetest::Rotation;

TEST(CovarianceBox, HoldsEveryPointAtEveryScaleInTheCanonicalFrame) {
  for (const double scale : {1e-3, 1.0, 1e3, 1e6}) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
      SCOPED_TRACE(hulltest::text("scale ", scale, " seed ", seed));
      const std::vector<Vector3> points =
          volumetest::transformed(hulltest::programCloud(seed), Rotation::fromAngles(seed, 1, 2),
                                  scale, Vector3d(-7, 2, 9) * (30 * scale));
      const OrientedBox box = pointCovarianceBox(points);
      volumetest::expectHoldsEveryPoint(box, points);
      volumetest::expectCanonicalFrame(box);
    }
  }
  EXPECT_EQ(pointCovarianceBox({}).volume, 0.0);
}

TEST(CovarianceBox, FindsThePrincipalAxesOfAStretchedCloud) {
  std::mt19937 rng(17);
  std::normal_distribution<double> normal;
  for (int trial = 0; trial < 20; ++trial) {
    const Rotation r = Rotation::fromAngles(0.3 * trial, 0.7 * trial, 1.1 * trial);
    std::vector<Vector3> points;
    for (int i = 0; i < 5000; ++i) {
      const Vector3d local(30 * normal(rng), 10 * normal(rng), 3 * normal(rng));
      // The rotation's rows are the frame: local axis k lies along rows[k].
      points.push_back((r.rows[0] * local.x + r.rows[1] * local.y + r.rows[2] * local.z).toFloat());
    }
    const BoxAxes axes = pointCovarianceAxes(points);
    for (std::size_t k = 0; k < 3; ++k)
      EXPECT_GT(std::fabs(dot(axes[k], r.rows[k])), 0.99) << "trial " << trial << " axis " << k;
  }
}

// A block's corners plus a dense streak of points inside it, diagonal across the block: the
// hull is the block either way, so the minimum box and the facet-moment box stay the block,
// but the covariance box turns towards the streak and grows.
TEST(CovarianceBox, DenseInteriorPointsTiltItButNotTheHullBasedBoxes) {
  const Vector3d half(60, 30, 20);
  std::vector<Vector3> corners;
  for (int i = 0; i < 8; ++i)
    corners.push_back(
        Vector3d(i & 1 ? half.x : -half.x, i & 2 ? half.y : -half.y, i & 4 ? half.z : -half.z)
            .toFloat());
  std::vector<Vector3> streaked = corners;
  for (int i = 0; i < 400; ++i) {
    const double t = i / 399.0 * 2 - 1;
    streaked.push_back(Vector3d(0.9 * half.x * t, 0.9 * half.y * t, -0.9 * half.z * t).toFloat());
  }
  const double blockVolume = 8 * half.x * half.y * half.z;
  EXPECT_NEAR(pointCovarianceBox(corners).volume / blockVolume, 1.0, 1e-6);
  EXPECT_GT(pointCovarianceBox(streaked).volume / blockVolume, 1.5);
  const ConvexHull hull = volumetest::hullAtWorkingScale(streaked);
  EXPECT_NEAR(minimumVolumeBox(streaked, hull).volume / blockVolume, 1.0, 1e-5);
}

}  // namespace
