#include "geometry/vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>

namespace {

// Read during static initialisation of this test program, before main: constant
// initialisation must already have given them their values.
const Vector3 kZeroSeenBeforeMain = Vector3::ZERO;
const Vector3 kInfinitySeenBeforeMain = Vector3::POSITIVE_INFINITY;

std::string text(const Vector3& v) {
  std::ostringstream os;
  os << v;
  return os.str();
}

TEST(Vector3, ConstantsAreReadyBeforeMain) {
  EXPECT_EQ(kZeroSeenBeforeMain.x, 0.0f);
  EXPECT_EQ(kZeroSeenBeforeMain.y, 0.0f);
  EXPECT_EQ(kZeroSeenBeforeMain.z, 0.0f);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(kInfinitySeenBeforeMain[k], FLOAT_INFINITY);
    EXPECT_TRUE(std::isinf(FLOAT_INFINITY) && FLOAT_INFINITY > 0);
  }
}

TEST(Vector3, InfinityStartsRunningMinimaAndMaxima) {
  const Vector3 lowest = -Vector3::POSITIVE_INFINITY;
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-1.0e38f, 1.0e38f);
  for (int i = 0; i < 1000; ++i) {
    // The largest finite magnitudes too, not only random ones.
    const float v = i == 0 ? std::numeric_limits<float>::max()
                           : (i == 1 ? std::numeric_limits<float>::lowest() : coord(rng));
    for (int k = 0; k < 3; ++k) {
      EXPECT_LT(v, Vector3::POSITIVE_INFINITY[k]);
      EXPECT_GT(v, lowest[k]);
      EXPECT_TRUE(std::isinf(lowest[k]) && lowest[k] < 0);
    }
  }
}

TEST(Vector3, DefaultIsOriginAndLayoutIsAFloatTriple) {
  const Vector3 v;
  EXPECT_EQ(v.x, 0.0f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_EQ(v.z, 0.0f);
  Vector3 array[2] = {{1, 2, 3}, {4, 5, 6}};
  const float* flat = &array[0].x;  // what glVertex3fv receives
  for (int i = 0; i < 6; ++i) EXPECT_EQ(flat[i], float(i + 1));
}

TEST(Vector3, NearlyEqualIsStrictOnSquaredDifferences) {
  // 0.5^2 equals the tolerance exactly: strict test, so not equal.
  EXPECT_FALSE(nearlyEqual({0, 0, 0}, {0.5f, 0, 0}, 0.25f));
  EXPECT_TRUE(nearlyEqual({0, 0, 0}, {0.25f, 0, 0}, 0.25f));
  // The tolerance bounds squared differences, not distances: 0.001 apart is within 1e-6.
  EXPECT_FALSE(nearlyEqual({0, 0, 0}, {0, 0, 0.001f}, 0.000001f));
  EXPECT_TRUE(nearlyEqual({0, 0, 0}, {0, 0, 0.0009f}, 0.000001f));
  // Every axis counts, not only x.
  EXPECT_FALSE(nearlyEqual({0, 0, 0}, {0, 0.5f, 0}, 0.25f));
  EXPECT_FALSE(nearlyEqual({0, 0, 0}, {0, 0, 0.5f}, 0.25f));
  // Zero tolerance: never equal, not even to itself.
  EXPECT_FALSE(nearlyEqual({1, 2, 3}, {1, 2, 3}, 0.0f));
  // NaN is never nearly equal to anything.
  const float nan = std::nanf("");
  EXPECT_FALSE(nearlyEqual({nan, 0, 0}, {nan, 0, 0}, 1.0f));
  EXPECT_FALSE(nearlyEqual({0, 0, 0}, {0, 0, nan}, 1.0f));
}

TEST(Vector3, TextFormUsesDefaultStreamFormatting) {
  EXPECT_EQ(text({1.5f, -2.0f, 0.25f}), "1.5 -2 0.25");
  EXPECT_EQ(text({}), "0 0 0");
  // Six significant digits, exponent form below 1e-4 and from 1e6 on.
  EXPECT_EQ(text({1234567.0f, 0.00001f, 1.0f / 3.0f}), "1.23457e+06 1e-05 0.333333");
  EXPECT_EQ(text({123456.0f, 0.0001f, -0.0f}), "123456 0.0001 -0");
  EXPECT_EQ(text(Vector3::POSITIVE_INFINITY), "inf inf inf");
}

TEST(Vector3, ArithmeticMatchesComponentFormulas) {
  EXPECT_EQ(text(cross({1, 0, 0}, {0, 1, 0})), "0 0 1");
  EXPECT_EQ(text(cross({0, 1, 0}, {1, 0, 0})), "0 0 -1");
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
  for (int i = 0; i < 500; ++i) {
    const Vector3 a{coord(rng), coord(rng), coord(rng)};
    const Vector3 b{coord(rng), coord(rng), coord(rng)};
    // dot sums z first: compare against that exact order in float.
    const float zyx = (a.z * b.z + a.y * b.y) + a.x * b.x;
    EXPECT_EQ(dot(a, b), zyx);
    const Vector3 c = cross(a, b);
    EXPECT_NEAR(dot(c, a), 0.0f, 1e-2f * length(a) * length(b));
    EXPECT_NEAR(dot(c, b), 0.0f, 1e-2f * length(a) * length(b));
    const Vector3 d = (a + b) - b;
    EXPECT_NEAR(d.x, a.x, 1e-4f);
    Vector3 s = a;
    s *= 2.0f;
    EXPECT_EQ(s.x, (a * 2.0f).x);
    EXPECT_EQ((-a).y, -a.y);
    Vector3 n = a;
    n.normalize();
    EXPECT_NEAR(length(n), 1.0f, 1e-6f);
  }
}

TEST(Vector3, NormalizeOfZeroIsNotANumber) {
  Vector3 v;
  v.normalize();
  EXPECT_TRUE(std::isnan(v.x) && std::isnan(v.y) && std::isnan(v.z));
}

TEST(Vector3, IndexAddressesComponents) {
  Vector3 v{1, 2, 3};
  v[0] = 7;
  v[2] = 9;
  EXPECT_EQ(text(v), "7 2 9");
  EXPECT_EQ(v[1], 2.0f);
}

}  // namespace
