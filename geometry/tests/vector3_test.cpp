// Tests of Vector3: the tolerance rule of nearlyEqual, the text form, the order of dot's sum,
// and the shared constants.
#include "geometry/vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

// Copied during static initialisation of this test program, before main: constant
// initialisation must already have given the constants their values.
const Vector3 ZERO_BEFORE_MAIN = Vector3::ZERO;
const Vector3 INFINITY_BEFORE_MAIN = Vector3::POSITIVE_INFINITY;

std::string text(const Vector3& v) {
  std::ostringstream os;
  os << v;
  return os.str();
}

TEST(Vector3, ConstantsAreReadyBeforeMain) {
  EXPECT_EQ(text(ZERO_BEFORE_MAIN), "0 0 0");
  EXPECT_EQ(text(INFINITY_BEFORE_MAIN), "inf inf inf");
  EXPECT_EQ(text(-INFINITY_BEFORE_MAIN), "-inf -inf -inf");
}

TEST(Vector3, NearlyEqualIsStrictOnSquaredDifferencesOnEveryAxis) {
  // 0.5^2 equals the tolerance 0.25 exactly: the strict test fails; 0.25^2 passes.
  for (int k = 0; k < 3; ++k) {
    Vector3 half;
    Vector3 quarter;
    half[k] = 0.5f;
    quarter[k] = 0.25f;
    EXPECT_FALSE(nearlyEqual(Vector3::ZERO, half, 0.25f)) << k;
    EXPECT_TRUE(nearlyEqual(Vector3::ZERO, quarter, 0.25f)) << k;
  }
  // The tolerance bounds squared differences, not distances: 0.0009 apart is within 1e-6.
  EXPECT_TRUE(nearlyEqual({0, 0, 0}, {0, 0, 0.0009f}, 0.000001f));
  // Zero tolerance: never equal, not even to itself; not-a-number never.
  EXPECT_FALSE(nearlyEqual({1, 2, 3}, {1, 2, 3}, 0.0f));
  EXPECT_FALSE(nearlyEqual({0, 0, std::nanf("")}, {0, 0, 0}, 1.0f));
}

TEST(Vector3, TextFormUsesTheStreamsDefaultFormatting) {
  EXPECT_EQ(text({1.5f, -2.0f, 0.25f}), "1.5 -2 0.25");
  EXPECT_EQ(text({}), "0 0 0");
  // Six significant digits, exponent notation below 1e-4 and from 1e6 on.
  EXPECT_EQ(text({1234567.0f, 0.00001f, 1.0f / 3.0f}), "1.23457e+06 1e-05 0.333333");
}

TEST(Vector3, ArithmeticOnLiteralCases) {
  // dot sums z first, then y, then x: in any other order 1 is lost beside 1e8.
  EXPECT_EQ(dot({1, 1e8f, -1e8f}, {1, 1, 1}), 1.0f);
  EXPECT_EQ(text(cross({1, 0, 0}, {0, 1, 0})), "0 0 1");
  EXPECT_EQ(text(cross({0, 1, 0}, {1, 0, 0})), "0 0 -1");
  EXPECT_EQ(text((Vector3{1, 2, 3} - Vector3{4, 6, 8}) * 2.0f + -Vector3{1, 1, 1}), "-7 -9 -11");
  // (6, 3, 2) has length 7. normalize multiplies by r = 1/7 rounded to float, which puts 6r
  // and 3r one ulp above 6/7 and 3/7: a division by the length, or r in double, would not.
  Vector3 v{6, 3, 2};
  EXPECT_EQ(length(v), 7.0f);
  v.normalize();
  v[2] = 7;
  EXPECT_EQ(text(v), text({0x1.b6db7p-1f, 0x1.b6db7p-2f, 7}));
  EXPECT_TRUE(v.x == 0x1.b6db7p-1f && v.y == 0x1.b6db7p-2f);
  Vector3 zero;
  zero.normalize();
  EXPECT_TRUE(std::isnan(zero.x) && std::isnan(zero.y) && std::isnan(zero.z));
}

}  // namespace
