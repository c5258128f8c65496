// Tests of enclosingBox: after rounding to float the box still holds every point, at any
// distance from the origin and any size, and it is no larger than the rounding requires.
#include "volumes/oriented_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "volumes/tests/volume_test_support.h"

namespace {

TEST(EnclosingBox, HoldsEveryPointAfterRoundingAndIsOnlyAFewStepsLarger) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int trial = 0; trial < 400; ++trial) {
    const double size = std::pow(10.0, trial % 7 - 3);    // 1e-3 .. 1e3
    const double offset = std::pow(10.0, trial % 5 + 2);  // 1e2 .. 1e6
    const volumetest::Rotation r =
        volumetest::Rotation::fromAngles(3 * unit(rng), 3 * unit(rng), 3 * unit(rng));
    std::vector<Vector3> points;
    for (int i = 0; i < 50; ++i) {
      points.push_back(
          Vector3d(offset + size * unit(rng), -offset + size * unit(rng), size * unit(rng))
              .toFloat());
    }
    const OrientedBox box = enclosingBox(points, {r.rows[0], r.rows[1], r.rows[2]});
    SCOPED_TRACE(trial);
    volumetest::expectHoldsEveryPoint(box, points);
    volumetest::expectCanonicalFrame(box);
    for (int k = 0; k < 3; ++k) {
      double reach = 0.0;
      for (const Vector3& p : points)
        reach = std::max(reach,
                         std::fabs(dot(Vector3d(p) - Vector3d(box.center), Vector3d(box.axes[k]))));
      // Rounded up, then one step: at most two float steps above what the points need.
      float limit = static_cast<float>(reach);
      for (int step = 0; step < 2; ++step)
        limit = std::nextafter(limit, std::numeric_limits<float>::infinity());
      ASSERT_LE(box.halfLengths[k], std::nextafter(limit, std::numeric_limits<float>::infinity()));
    }
  }
}

// A sheet a micrometre thick a unit from the origin, where a float step of a coordinate is a
// tenth of its thickness. The centre is where the extents' middles are along the rounded axes
// (which are orthonormal only to about 1e-7: summing axis times middle would miss it by a
// seventh of the thickness), and of the floats around it the box keeps one that costs it far
// less than the nearest would.
TEST(EnclosingBox, AThinSheetFarFromTheOriginKeepsACentreThatCostsLittleVolume) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  double worst = 0.0, sum = 0.0, sumNearest = 0.0;
  const int trials = 200;
  for (int trial = 0; trial < trials; ++trial) {
    const volumetest::Rotation r =
        volumetest::Rotation::fromAngles(3 * unit(rng), 3 * unit(rng), 3 * unit(rng));
    const BoxAxes axes = {r.rows[0], r.rows[1], r.rows[2]};
    const Vector3d offset(0.7 + 0.1 * unit(rng), -0.4, 0.9);
    std::vector<Vector3> points;
    for (int i = 0; i < 40; ++i)
      points.push_back((offset + axes[0] * (1e-2 * unit(rng)) + axes[1] * (1e-2 * unit(rng)) +
                        axes[2] * (5e-7 * unit(rng)))
                           .toFloat());
    const OrientedBox box = enclosingBox(points, axes);
    volumetest::expectHoldsEveryPoint(box, points);
    // What the points need along the stored axes, and what the nearest float to the true
    // centre (solved from the three middles) would cost.
    Vector3d a[3];
    double middle[3], needed = 1.0, nearest = 1.0;
    for (int k = 0; k < 3; ++k) {
      a[k] = Vector3d(box.axes[k]);
      double low = INFINITY, high = -INFINITY;
      for (const Vector3& p : points) {
        low = std::min(low, dot(Vector3d(p), a[k]));
        high = std::max(high, dot(Vector3d(p), a[k]));
      }
      middle[k] = 0.5 * (low + high);
      needed *= high - low;
    }
    const Vector3d across[3] = {cross(a[1], a[2]), cross(a[2], a[0]), cross(a[0], a[1])};
    Vector3d centre;
    for (int k = 0; k < 3; ++k)
      centre = centre + across[k] * (middle[k] / dot(a[0], across[0]));
    for (int k = 0; k < 3; ++k) {
      double reach = 0.0;
      for (const Vector3& p : points)
        reach = std::max(reach, std::fabs(dot(Vector3d(p) - Vector3d(centre.toFloat()), a[k])));
      nearest *= 2 * reach;
    }
    worst = std::max(worst, box.volume / needed - 1);
    sum += box.volume / needed - 1;
    sumNearest += nearest / needed - 1;
  }
  EXPECT_LT(worst, 0.07);
  EXPECT_LT(sum, sumNearest / 4);
}

TEST(EnclosingBox, NoPointsGiveTheZeroBoxAtTheOrigin) {
  const OrientedBox box =
      enclosingBox({}, {Vector3d(0, 1, 0), Vector3d(0, 0, 1), Vector3d(1, 0, 0)});
  EXPECT_EQ(box.volume, 0.0);
  EXPECT_EQ(box.halfLengths.x, 0.0f);
  EXPECT_EQ(box.center.x, 0.0f);
  EXPECT_GT(dot(cross(Vector3d(box.axes[0]), Vector3d(box.axes[1])), Vector3d(box.axes[2])), 0.0);
}

}  // namespace
