// Exact orientation predicates: double filters with Shewchuk's error bounds, and exact stages
// that add up the determinant's products as a nonoverlapping expansion (Shewchuk 1997,
// "Adaptive Precision Floating-Point Arithmetic and Fast Robust Geometric Predicates":
// Two-Sum, Dekker's Split and Two-Product, Grow-Expansion with zero elimination).
#include "hull/orientation.h"

#include <array>
#include <cmath>
#include <span>

namespace {

// x + y = a + b exactly.
inline void twoSum(double a, double b, double& x, double& y) {
  x = a + b;
  const double bVirtual = x - a;
  const double aVirtual = x - bVirtual;
  y = (a - aVirtual) + (b - bVirtual);
}

// Dekker's split of a into two halves of at most 26 significant bits each.
inline void split(double a, double& hi, double& lo) {
  constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
  const double c = SPLITTER * a;
  const double big = c - a;
  hi = c - big;
  lo = a - hi;
}

// x + y = a * b exactly (no overflow or underflow can occur for the values used here).
inline void twoProduct(double a, double b, double& x, double& y) {
  x = a * b;
  double aHi, aLo, bHi, bLo;
  split(a, aHi, aLo);
  split(b, bHi, bLo);
  const double e1 = x - aHi * bHi;
  const double e2 = e1 - aLo * bHi;
  const double e3 = e2 - aHi * bLo;
  y = aLo * bLo - e3;
}

// Grow-Expansion with zero elimination: adds b to the expansion parts[0, size) in place and
// returns the new size (at most one more).
template <class Parts>
std::size_t growExpansion(Parts& parts, std::size_t size, double b) {
  if (b == 0)
    return size;
  double q = b;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < size; ++i) {
    double sum, error;
    twoSum(q, parts[i], sum, error);
    q = sum;
    if (error != 0)
      parts[kept++] = error;
  }
  if (q != 0)
    parts[kept++] = q;
  return kept;
}

// A sum of doubles held exactly: components nonoverlapping, increasing in magnitude, zeros
// dropped. Its sign is that of its largest component.
template <std::size_t CAPACITY>
class ExactSum {
 public:
  void add(double b) { size_ = growExpansion(parts_, size_, b); }
  int sign() const {
    if (size_ == 0)
      return 0;
    return parts_[size_ - 1] > 0 ? 1 : -1;
  }
  std::span<const double> parts() const { return {parts_.data(), size_}; }

 private:
  // Each add keeps at most one more component than before.
  std::array<double, CAPACITY> parts_{};
  std::size_t size_ = 0;
};

// p_x q_y r_z and its kin: the first product is exact in double (two floats), the second
// exact as two doubles.
template <class Sum>
inline void addTriple(Sum& sum, double sign, float p, float q, float r) {
  double hi, lo;
  twoProduct(static_cast<double>(p) * static_cast<double>(q), static_cast<double>(r), hi, lo);
  sum.add(sign * hi);
  sum.add(sign * lo);
}

// sign * det[p, q, r] (rows), as its six triple products.
template <class Sum>
void addDet3(Sum& sum, double sign, const Vector3& p, const Vector3& q, const Vector3& r) {
  addTriple(sum, sign, p.x, q.y, r.z);
  addTriple(sum, -sign, p.x, q.z, r.y);
  addTriple(sum, -sign, p.y, q.x, r.z);
  addTriple(sum, sign, p.y, q.z, r.x);
  addTriple(sum, sign, p.z, q.x, r.y);
  addTriple(sum, -sign, p.z, q.y, r.x);
}

// The two coordinates of a point projected along axis, in the order (axis+1, axis+2).
inline void project(const Vector3& p, int axis, double& u, double& v) {
  u = p[(axis + 1) % 3];
  v = p[(axis + 2) % 3];
}

// x - y of two floats in double, and whether that difference is exact.
inline bool exactDifference(float x, float y, double& difference) {
  const double a = x, b = y;
  difference = a - b;
  // Two-Diff's tail: the rounding error of the difference, recovered exactly.
  const double bVirtual = a - difference;
  const double aVirtual = difference + bVirtual;
  return (a - aVirtual) + (bVirtual - b) == 0;
}

// The sign of p * q - r * t exactly, for doubles.
inline int crossSign(double p, double q, double r, double t) {
  double hi, lo;
  ExactSum<8> sum;
  twoProduct(p, q, hi, lo);
  sum.add(hi);
  sum.add(lo);
  twoProduct(r, t, hi, lo);
  sum.add(-hi);
  sum.add(-lo);
  return sum.sign();
}

// The determinant of three rows of doubles exactly: 2x2 minors of two products each (four
// doubles), scaled by the third row (eight), 24 doubles added up.
int det3Sign(const double (&u)[3], const double (&v)[3], const double (&w)[3]) {
  ExactSum<32> sum;
  for (int k = 0; k < 3; ++k) {
    const int i = (k + 1) % 3, j = (k + 2) % 3;
    if (w[k] == 0)
      continue;
    double terms[4];
    twoProduct(u[i], v[j], terms[0], terms[1]);
    twoProduct(-u[j], v[i], terms[2], terms[3]);
    for (double term : terms) {
      double hi, lo;
      twoProduct(term, w[k], hi, lo);
      sum.add(hi);
      sum.add(lo);
    }
  }
  return sum.sign();
}

}  // namespace

int orient3dExact(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
  // Where the three differences from a are exact in double (floats of nearby exponents, the
  // usual case), the determinant of those differences is summed from 24 products; a face
  // of constant coordinate k (b_k = c_k = a_k, as on axis-aligned faces) reduces it to the
  // sign of d_k - a_k times that of the face's 2D cross product.
  double u[3], v[3], w[3];
  bool exact = true;
  for (int k = 0; k < 3; ++k) {
    exact = exactDifference(b[k], a[k], u[k]) && exact;
    exact = exactDifference(c[k], a[k], v[k]) && exact;
    exact = exactDifference(d[k], a[k], w[k]) && exact;
  }
  if (exact) {
    for (int k = 0; k < 3; ++k) {
      if (u[k] == 0 && v[k] == 0) {
        const int i = (k + 1) % 3, j = (k + 2) % 3;
        const int face = crossSign(u[i], v[j], u[j], v[i]);
        return w[k] == 0 ? 0 : (w[k] > 0 ? face : -face);
      }
    }
    return det3Sign(u, v, w);
  }
  // Otherwise det[b - a, c - a, d - a] = det[b, c, d] - det[a, c, d] + det[a, b, d] -
  // det[a, b, c]: the 4x4 determinant with a column of ones, expanded along that column.
  ExactSum<64> sum;
  addDet3(sum, 1.0, b, c, d);
  addDet3(sum, -1.0, a, c, d);
  addDet3(sum, 1.0, a, b, d);
  addDet3(sum, -1.0, a, b, c);
  return sum.sign();
}

int orient3d(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
  return OrientationPlane(a, b, c).side(a, b, c, d);
}

namespace {

// (b - a) x (c - a) = a x b + b x c + c x a in the plane; each product of two floats is
// exact in double.
ExactSum<8> projectedCross(const Vector3& a, const Vector3& b, const Vector3& c, int axis) {
  double au, av, bu, bv, cu, cv;
  project(a, axis, au, av);
  project(b, axis, bu, bv);
  project(c, axis, cu, cv);
  ExactSum<8> sum;
  sum.add(au * bv);
  sum.add(-(av * bu));
  sum.add(bu * cv);
  sum.add(-(bv * cu));
  sum.add(cu * av);
  sum.add(-(cv * au));
  return sum;
}

// An expansion rounded to double with its sign kept. Smallest first: the components do not
// overlap, so the others add up to less than the largest component's last place.
double roundedSum(std::span<const double> parts) {
  double total = 0;
  for (double part : parts)
    total += part;
  // Only a long run of one-bit components can round the sum away from its sign.
  if (!parts.empty() && !(total * parts.back() > 0))
    total = std::nextafter(0.0, parts.back());
  return total;
}

}  // namespace

int orient2dExact(const Vector3& a, const Vector3& b, const Vector3& c, int axis) {
  return projectedCross(a, b, c, axis).sign();
}

double crossComponent(const Vector3& a, const Vector3& b, const Vector3& c, int axis) {
  return roundedSum(projectedCross(a, b, c, axis).parts());
}

int orient2d(const Vector3& a, const Vector3& b, const Vector3& c, int axis) {
  double au, av, bu, bv, cu, cv;
  project(a, axis, au, av);
  project(b, axis, bu, bv);
  project(c, axis, cu, cv);
  const double left = (bu - au) * (cv - av);
  const double right = (bv - av) * (cu - au);
  const double det = left - right;
  const double bound = ORIENT2D_FILTER_BOUND * (std::fabs(left) + std::fabs(right));
  if (det > bound)
    return 1;
  if (det < -bound)
    return -1;
  return orient2dExact(a, b, c, axis);
}

bool collinear(const Vector3& a, const Vector3& b, const Vector3& c) {
  // The cross product (b - a) x (c - a) vanishes exactly when each of its components does,
  // and its components are the three projected orientations.
  return orient2d(a, b, c, 0) == 0 && orient2d(a, b, c, 1) == 0 && orient2d(a, b, c, 2) == 0;
}

OrientationPlane::OrientationPlane(const Vector3& a, const Vector3& b, const Vector3& c)
    : ax(a.x), ay(a.y), az(a.z) {
  const double ux = static_cast<double>(b.x) - ax;
  const double uy = static_cast<double>(b.y) - ay;
  const double uz = static_cast<double>(b.z) - az;
  const double vx = static_cast<double>(c.x) - ax;
  const double vy = static_cast<double>(c.y) - ay;
  const double vz = static_cast<double>(c.z) - az;
  const double yz = uy * vz, zy = uz * vy;
  const double zx = uz * vx, xz = ux * vz;
  const double xy = ux * vy, yx = uy * vx;
  nx = yz - zy;
  ny = zx - xz;
  nz = xy - yx;
  px = std::fabs(yz) + std::fabs(zy);
  py = std::fabs(zx) + std::fabs(xz);
  pz = std::fabs(xy) + std::fabs(yx);
}

namespace {

// The same expansion growing in a vector, for sums of any length.
struct GrowingSum {
  std::vector<double>& parts;
  void add(double b) {
    parts.push_back(0);
    parts.resize(growExpansion(parts, parts.size() - 1, b));
  }
};

}  // namespace

void DeterminantSum::add(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
  GrowingSum sum{parts_};
  addDet3(sum, 1.0, b, c, d);
  addDet3(sum, -1.0, a, c, d);
  addDet3(sum, 1.0, a, b, d);
  addDet3(sum, -1.0, a, b, c);
}

double DeterminantSum::value() const {
  return roundedSum(parts_);
}
