// Tests of enclosingBox: after rounding to float the box still holds every point, at any
// distance from the origin and any size, and it is no larger than the rounding requires.
#include "volumes/oriented_box.h"

#include <gtest/gtest.h>

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

TEST(EnclosingBox, NoPointsGiveTheZeroBoxAtTheOrigin) {
  const OrientedBox box =
      enclosingBox({}, {Vector3d(0, 1, 0), Vector3d(0, 0, 1), Vector3d(1, 0, 0)});
  EXPECT_EQ(box.volume, 0.0);
  EXPECT_EQ(box.halfLengths.x, 0.0f);
  EXPECT_EQ(box.center.x, 0.0f);
  EXPECT_GT(dot(cross(Vector3d(box.axes[0]), Vector3d(box.axes[1])), Vector3d(box.axes[2])), 0.0);
}

}  // namespace
