// Tests of the canonical box frame: whatever order and signs a construction hands its axes
// in, the same box comes out, sorted, signed by the rule and right-handed.
#include "volumes/box_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "geometry/vector3d.h"
#include "volumes/tests/volume_test_support.h"

namespace {

bool leadsPositive(const Vector3& v) {
  int lead = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(v[k]) > std::fabs(v[lead]))
      lead = k;
  }
  return v[lead] > 0.0f;
}

TEST(BoxFrame, EveryOrderAndSignOfTheSameBoxGivesOneCanonicalFrame) {
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int trial = 0; trial < 2000; ++trial) {
    const volumetest::Rotation r =
        volumetest::Rotation::fromAngles(3 * unit(rng), 3 * unit(rng), 3 * unit(rng));
    const Vector3 baseAxes[3] = {r.rows[0].toFloat(), r.rows[1].toFloat(), r.rows[2].toFloat()};
    const Vector3 baseHalf(1 + std::fabs(static_cast<float>(unit(rng))), 3.0f, 2.0f);
    std::array<int, 3> order = {0, 1, 2};
    Vector3 first[3];
    Vector3 firstHalf;
    bool haveFirst = false;
    do {
      for (int signs = 0; signs < 8; ++signs) {
        Vector3 axes[3];
        Vector3 half;
        for (int k = 0; k < 3; ++k) {
          const int from = order[static_cast<std::size_t>(k)];
          axes[k] = (signs >> k) & 1 ? -baseAxes[from] : baseAxes[from];
          half[k] = baseHalf[from];
        }
        canonicaliseBoxFrame(axes, half);
        ASSERT_TRUE(half[0] >= half[1] && half[1] >= half[2]);
        ASSERT_TRUE(leadsPositive(axes[0]) && leadsPositive(axes[1]));
        ASSERT_GT(dot(cross(Vector3d(axes[0]), Vector3d(axes[1])), Vector3d(axes[2])), 0.0);
        if (!haveFirst) {
          std::copy(axes, axes + 3, first);
          firstHalf = half;
          haveFirst = true;
        }
        for (int k = 0; k < 3; ++k) {
          ASSERT_TRUE(axes[k].x == first[k].x && axes[k].y == first[k].y &&
                      axes[k].z == first[k].z && half[k] == firstHalf[k])
              << "trial " << trial << " axis " << k;
        }
      }
    } while (std::next_permutation(order.begin(), order.end()));
  }
}

TEST(BoxFrame, EqualHalfLengthsKeepTheOrderTheyCameIn) {
  Vector3 axes[3] = {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}};
  Vector3 half(2.0f, 5.0f, 2.0f);
  canonicaliseBoxFrame(axes, half);
  EXPECT_EQ(half[0], 5.0f);
  EXPECT_EQ(axes[0].x, 1.0f);   // the longest first
  EXPECT_EQ(axes[1].z, 1.0f);   // then the first of the two equal ones
  EXPECT_EQ(axes[2].y, -1.0f);  // x, z, y is left-handed: the last axis is negated
}

}  // namespace
