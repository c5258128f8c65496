// Exact orientation predicates on float points, in the manner of Shewchuk's adaptive
// predicates and CGAL's filtered kernels: a double-precision evaluation with a proven error
// bound decides almost every call; only where the bound cannot decide is the sign computed
// exactly, as a sum of doubles kept without rounding error (expansion arithmetic).
//
// Why float input makes the exact stage simple and safe: the product of two floats is exact
// in double (24 + 24 significant bits <= 53), and the product of that with a third float is
// exact as the sum of two doubles (Dekker's product). The determinant is then a signed sum of
// 48 doubles, added up exactly. Every such product of finite floats lies between 2^-447 and
// 2^384 or is zero, so neither overflow nor underflow can occur anywhere in double, from the
// largest float coordinates to the smallest subnormal ones. The same holds for the filters:
// every difference, product and error term stays inside the normal double range, which is
// what their error bounds assume.
//
// Contract (stated once, here):
// - Inputs are finite floats; a NaN or infinite coordinate is the caller's error (the sign
//   returned is then unspecified, but the call ends and touches nothing else).
// - orient3d(a, b, c, d) is the sign (-1, 0, +1) of det[b - a, c - a, d - a] evaluated
//   exactly: +1 when d lies on the side of the plane through a, b, c towards which
//   (b - a) x (c - a) points, 0 exactly when the four points are coplanar.
// - orient2d(a, b, c, axis) is the exact sign of the same determinant in 2D for the points
//   projected along `axis` (0 drops x and uses (y, z), 1 uses (z, x), 2 uses (x, y)): the
//   sign of the `axis` component of (b - a) x (c - a).
// - OrientationPlane caches the filter's part of orient3d for a fixed triangle, so that many
//   points can be tested against it at the cost of a dot product each; side() gives exactly
//   orient3d(a, b, c, p).
#pragma once

#include <cmath>
#include <vector>

#include "geometry/vector3.h"

int orient3d(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d);
int orient2d(const Vector3& a, const Vector3& b, const Vector3& c, int axis);

// The exact stages alone, without the filters: for tests and for callers that know the
// filter will fail (exactly coplanar input).
int orient3dExact(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d);
int orient2dExact(const Vector3& a, const Vector3& b, const Vector3& c, int axis);

// A sum of determinants det[b - a, c - a, d - a] of float points kept exactly, for a
// measurement that must not lose its sign to rounding (the volume of a sliver of a solid).
class DeterminantSum {
 public:
  void add(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d);
  // The sum rounded to double (its sign exact, its magnitude within a few units of the last
  // place); 0 exactly when the sum is.
  double value() const;

 private:
  std::vector<double> parts_;  // nonoverlapping, increasing in magnitude, no zeros
};

// The `axis` component of (b - a) x (c - a), rounded once from its exact value: a sliver's
// normal keeps its true direction and nonzero length.
double crossComponent(const Vector3& a, const Vector3& b, const Vector3& c, int axis);

// True when the three points lie on one line (including equal points), decided exactly.
bool collinear(const Vector3& a, const Vector3& b, const Vector3& c);

// Relative error bounds of the double evaluations (Shewchuk's errboundA, rounded up to a
// power of two): |computed - exact| <= bound * permanent.
inline constexpr double ORIENT3D_FILTER_BOUND = 0x1p-50;  // 8 eps >= (7 + 56 eps) eps
inline constexpr double ORIENT2D_FILTER_BOUND = 0x1p-51;  // 4 eps >= (3 + 16 eps) eps

struct OrientationPlane {
  double ax = 0, ay = 0, az = 0;  // the triangle's first vertex
  double nx = 0, ny = 0, nz = 0;  // (b - a) x (c - a) in double
  double px = 0, py = 0, pz = 0;  // the same with every product's magnitude added up

  OrientationPlane() = default;
  OrientationPlane(const Vector3& a, const Vector3& b, const Vector3& c);

  // The double evaluation of det[b - a, c - a, p - a] and its permanent.
  double evaluate(const Vector3& p, double& permanent) const {
    const double wx = static_cast<double>(p.x) - ax;
    const double wy = static_cast<double>(p.y) - ay;
    const double wz = static_cast<double>(p.z) - az;
    permanent = (px * std::fabs(wx) + py * std::fabs(wy)) + pz * std::fabs(wz);
    return (nx * wx + ny * wy) + nz * wz;
  }
  // The filter's verdict: +1 or -1 when the bound decides, 0 when it cannot.
  int filteredSide(const Vector3& p) const {
    double permanent = 0;
    const double det = evaluate(p, permanent);
    const double bound = ORIENT3D_FILTER_BOUND * permanent;
    return det > bound ? 1 : (det < -bound ? -1 : 0);
  }
  // orient3d(a, b, c, p), exactly; a, b, c must be the points the plane was made from.
  int side(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& p) const {
    const int s = filteredSide(p);
    return s != 0 ? s : orient3dExact(a, b, c, p);
  }
};
