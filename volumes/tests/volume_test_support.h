// Shapes, rotations, the hull at any scale and containment checks shared by the tests of the
// bounding volumes.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"
#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"
#include "volumes/oriented_box.h"

namespace volumetest {

// The hull and the minimal sphere work with absolute tolerances made for coordinates up to
// about 100: the points moved to their bounding box's centre and scaled by a power of two
// (exact) so the largest coordinate lands in [64, 128).
struct WorkingScale {
  Vector3 shift;
  int exponent = 0;
  std::vector<Vector3> points;
  double lengthToModel(double length) const { return std::ldexp(length, exponent); }
};

inline WorkingScale workingScale(std::span<const Vector3> points) {
  Vector3 lo = Vector3::POSITIVE_INFINITY;
  Vector3 hi = -Vector3::POSITIVE_INFINITY;
  for (const Vector3& p : points) {
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::fmin(lo[k], p[k]);
      hi[k] = std::fmax(hi[k], p[k]);
    }
  }
  WorkingScale w;
  w.shift = (lo + hi) * 0.5f;
  float largest = 0.0f;
  for (const Vector3& p : points) {
    for (int k = 0; k < 3; ++k)
      largest = std::fmax(largest, std::fabs(p[k] - w.shift[k]));
  }
  if (largest > 0.0f) {
    std::frexp(largest, &w.exponent);  // largest in [2^(e-1), 2^e)
    w.exponent -= 7;                   // scaled by 2^-exponent: [64, 128)
  }
  for (const Vector3& p : points)
    w.points.push_back((p - w.shift) * std::ldexp(1.0f, -w.exponent));
  return w;
}

// The hull of the points at working scale; only directions are taken from it.
inline ConvexHull hullAtWorkingScale(std::span<const Vector3> points) {
  ConvexHull hull;
  hull.build(workingScale(points).points);
  return hull;
}

// A rotation matrix (rows) from Euler-like angles, applied in double and rounded to float.
struct Rotation {
  Vector3d rows[3];
  static Rotation fromAngles(double a, double b, double c) {
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b),
                 cc = std::cos(c), sc = std::sin(c);
    // Rz(a) * Ry(b) * Rx(c)
    return {{{ca * cb, ca * sb * sc - sa * cc, ca * sb * cc + sa * sc},
             {sa * cb, sa * sb * sc + ca * cc, sa * sb * cc - ca * sc},
             {-sb, cb * sc, cb * cc}}};
  }
  Vector3 apply(const Vector3& p) const {
    const Vector3d q(p);
    return Vector3d(dot(rows[0], q), dot(rows[1], q), dot(rows[2], q)).toFloat();
  }
};

inline std::vector<Vector3> transformed(std::span<const Vector3> points, const Rotation& r,
                                        double scale = 1.0, Vector3d offset = {}) {
  std::vector<Vector3> out;
  for (const Vector3& p : points)
    out.push_back((Vector3d(r.apply(p)) * scale + offset).toFloat());
  return out;
}

// Points of a box [-h, h] (corners and random interior points), rotated.
inline std::vector<Vector3> rotatedBlock(std::uint32_t seed, const Vector3d& h, int count) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<Vector3> points;
  for (int i = 0; i < 8; ++i)
    points.push_back(
        Vector3d(i & 1 ? h.x : -h.x, i & 2 ? h.y : -h.y, i & 4 ? h.z : -h.z).toFloat());
  for (int i = 8; i < count; ++i)
    points.push_back(Vector3d(unit(rng) * h.x, unit(rng) * h.y, unit(rng) * h.z).toFloat());
  return transformed(points, Rotation::fromAngles(unit(rng) * 3, unit(rng) * 3, unit(rng) * 3));
}

// Every point inside the box, tested in double on its float fields, with an orthonormal,
// right-handed frame in canonical order.
inline void expectHoldsEveryPoint(const OrientedBox& box, std::span<const Vector3> points) {
  for (int k = 0; k < 3; ++k) {
    const Vector3d a(box.axes[k]);
    for (const Vector3& p : points) {
      ASSERT_LE(std::fabs(dot(Vector3d(p) - Vector3d(box.center), a)),
                static_cast<double>(box.halfLengths[k]))
          << "axis " << k << " point " << p;
    }
  }
}

inline void expectCanonicalFrame(const OrientedBox& box) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      EXPECT_NEAR(dot(Vector3d(box.axes[i]), Vector3d(box.axes[j])), i == j ? 1.0 : 0.0, 1e-6);
  }
  EXPECT_GT(dot(cross(Vector3d(box.axes[0]), Vector3d(box.axes[1])), Vector3d(box.axes[2])), 0.0);
  EXPECT_GE(box.halfLengths[0], box.halfLengths[1]);
  EXPECT_GE(box.halfLengths[1], box.halfLengths[2]);
  EXPECT_NEAR(
      box.volume,
      8.0 * box.halfLengths[0] * static_cast<double>(box.halfLengths[1]) * box.halfLengths[2],
      1e-12 * box.volume);
}

}  // namespace volumetest
