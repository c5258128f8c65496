// Tests of rounding from double to float: outward rounding is the tightest bound, and a
// vector's round trip through float really rounds (the optimiser once dropped it).
#include "geometry/float_rounding.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>

#include "geometry/vector3d.h"

namespace {

TEST(FloatRounding, OutwardRoundingGivesTheSmallestFloatNotBelowThenOneStepMore) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-60, 60);
  for (int i = 0; i < 100000; ++i) {
    const double x = std::ldexp(mantissa(rng), exponent(rng));
    const float f = floatNotBelow(x);
    ASSERT_GE(static_cast<double>(f), x);
    ASSERT_LT(static_cast<double>(std::nextafter(f, -std::numeric_limits<float>::infinity())), x);
    ASSERT_EQ(floatAbove(x), std::nextafter(f, std::numeric_limits<float>::infinity()));
  }
  EXPECT_EQ(floatNotBelow(0.5), 0.5f);  // exact values stay
  EXPECT_EQ(floatNotBelow(1e39), std::numeric_limits<float>::infinity());
  EXPECT_EQ(floatNotBelow(static_cast<double>(std::numeric_limits<float>::max())),
            std::numeric_limits<float>::max());
  EXPECT_EQ(roundedToFloat(-1e300), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(floatNotBelow(0.0), 0.0f);
  EXPECT_GT(floatAbove(0.0), 0.0f);
}

// Several vectors rounded and widened again in one loop, the shape in which g++ 12.2's SLP
// vectoriser paired the x and y conversions and kept the unrounded doubles.
TEST(FloatRounding, RoundTripOfVectorsThroughFloatRoundsEveryComponent) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> coordinate(-1.0, 1.0);
  std::array<Vector3d, 3> input;
  std::array<Vector3d, 3> widened;
  for (int trial = 0; trial < 1000; ++trial) {
    for (Vector3d& v : input)
      v = {coordinate(rng), coordinate(rng), coordinate(rng)};
    for (std::size_t k = 0; k < 3; ++k)
      widened[k] = Vector3d(input[k].toFloat());
    for (std::size_t k = 0; k < 3; ++k) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(widened[k][c], static_cast<double>(static_cast<float>(widened[k][c])))
            << "vector " << k << " component " << c;
        ASSERT_NEAR(widened[k][c], input[k][c], 1e-7);
      }
    }
  }
}

}  // namespace
