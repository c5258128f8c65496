// The orientation predicates against the sign of the same determinant in GMP's rationals, on
// points that are exactly coplanar or collinear, or within one ulp of it, at every float scale
// from subnormal to near the float maximum, and with huge and tiny points in one call.
#include "hull/orientation.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>

namespace {

mpq_class q(float v) {
  return mpq_class(static_cast<double>(v));  // exact: every float is a double
}

// The points in hex floats, to be pasted back as they are.
std::string hex(std::initializer_list<Vector3> points) {
  std::ostringstream os;
  for (const Vector3& p : points)
    os << std::hexfloat << '{' << p.x << ", " << p.y << ", " << p.z << "} ";
  return os.str();
}

// The sign of det[b - a, c - a, d - a], exactly.
int rationalOrient3d(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
  const auto m = [&a](const Vector3& p, int k) { return mpq_class(q(p[k]) - q(a[k])); };
  return sgn(m(b, 0) * (m(c, 1) * m(d, 2) - m(c, 2) * m(d, 1)) +
             m(b, 1) * (m(c, 2) * m(d, 0) - m(c, 0) * m(d, 2)) +
             m(b, 2) * (m(c, 0) * m(d, 1) - m(c, 1) * m(d, 0)));
}

// The sign of the `axis` component of (b - a) x (c - a), exactly.
int rationalCross(const Vector3& a, const Vector3& b, const Vector3& c, int axis) {
  const int i = (axis + 1) % 3, j = (axis + 2) % 3;
  return sgn((q(b[i]) - q(a[i])) * (q(c[j]) - q(a[j])) - (q(b[j]) - q(a[j])) * (q(c[i]) - q(a[i])));
}

// N points on a plane (a line when onLine) of lattice points: at one power of two from 2^-141
// to 2^109, on the float grid at 1e6, each at its own power of two (the plane through the
// origin), or float affine combinations of random floats (off it by rounding only). Then, with
// chance 1/2, one coordinate of one point moves by one ulp.
template <std::size_t N>
std::array<Vector3, N> nearlyFlat(std::mt19937& rng, bool onLine) {
  const auto small = [&rng](int half) {
    return static_cast<float>(static_cast<int>(rng() % (2 * half + 1)) - half);
  };
  const Vector3 u{small(16), small(16), small(16)}, v{small(16), small(16), small(16)};
  const unsigned style = rng() % 4;
  const float offset = style == 1 ? 1e6f : 0.0f;
  const int shared = style == 1 ? -4 : static_cast<int>(small(125)) - 16;
  const std::size_t base = onLine ? 2 : 3;
  std::uniform_real_distribution<float> t(-2.0f, 2.0f);
  std::array<Vector3, N> points;
  for (std::size_t p = 0; p < N; ++p) {
    const float i = small(64), j = onLine ? 0.0f : small(64);
    const int e = style == 2 ? static_cast<int>(small(125)) - 16 : shared;
    for (int k = 0; k < 3; ++k) {
      points[p][k] = offset + std::ldexp(i * u[k] + j * v[k], e);
      if (style == 3 && p < base)
        points[p][k] = std::ldexp(t(rng), shared);
    }
    if (style == 3 && p >= base) {
      const float s = t(rng), r = onLine ? 0.0f : t(rng);
      points[p] = points[0] + (points[1] - points[0]) * s + (points[base - 1] - points[0]) * r;
    }
  }
  if (rng() % 2) {
    float& x = points[rng() % N][static_cast<int>(rng() % 3)];
    x = std::nextafter(x, rng() % 2 ? FLOAT_INFINITY : -FLOAT_INFINITY);
  }
  return points;
}

// Every way to orient3d gives the exact sign; the filter alone may only abstain.
TEST(Orientation, Orient3dIsTheRationalSignOfTheDeterminant) {
  std::mt19937 rng(31);
  int zeros = 0;
  for (int n = 0; n < 200000; ++n) {
    const auto [a, b, c, d] = nearlyFlat<4>(rng, rng() % 8 == 0);
    const int expected = rationalOrient3d(a, b, c, d);
    zeros += expected == 0;
    const OrientationPlane plane(a, b, c);
    const int filtered = plane.filteredSide(d);
    ASSERT_TRUE(filtered == 0 || filtered == expected) << hex({a, b, c, d});
    ASSERT_EQ(orient3d(a, b, c, d), expected) << hex({a, b, c, d});
    ASSERT_EQ(orient3dExact(a, b, c, d), expected) << hex({a, b, c, d});
    ASSERT_EQ(plane.side(a, b, c, d), expected) << hex({a, b, c, d});
  }
  EXPECT_GT(zeros, 30000);  // the inputs do hit degeneracy
}

// orient2d is the sign of one component of (b - a) x (c - a), collinear that all three are 0.
// Moving c along one axis keeps the projection along it collinear, but not the others.
TEST(Orientation, Orient2dAndCollinearAreTheRationalCrossProductSigns) {
  std::mt19937 rng(33);
  int lines = 0;
  for (int n = 0; n < 200000; ++n) {
    auto [a, b, c] = nearlyFlat<3>(rng, rng() % 4 != 0);
    if (rng() % 16 == 0)
      (rng() % 2 ? b : c) = a;
    else if (rng() % 2)
      c[static_cast<int>(rng() % 3)] = std::ldexp(static_cast<float>(rng() % 1000), -20);
    int zeros = 0;
    for (int axis = 0; axis < 3; ++axis) {
      const int expected = rationalCross(a, b, c, axis);
      zeros += expected == 0;
      ASSERT_EQ(orient2d(a, b, c, axis), expected) << hex({a, b, c}) << axis;
      ASSERT_EQ(orient2dExact(a, b, c, axis), expected) << hex({a, b, c}) << axis;
      const double component = crossComponent(a, b, c, axis);
      ASSERT_EQ((component > 0) - (component < 0), expected) << hex({a, b, c}) << axis;
    }
    lines += zeros == 3;
    ASSERT_EQ(collinear(a, b, c), zeros == 3) << hex({a, b, c});
  }
  EXPECT_GT(lines, 30000);
}

}  // namespace
