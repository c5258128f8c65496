// Vector3d: a double-precision point and direction for the constructions that must not lose
// accuracy at any scale (the bounding volumes beside the float box fit). Input points stay
// Vector3 (float); widening a float to double is exact, so a Vector3d made from a Vector3
// holds the same point.
#pragma once

#include <cmath>

#include "geometry/float_rounding.h"
#include "geometry/vector3.h"

struct Vector3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  constexpr Vector3d() = default;
  constexpr Vector3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
  constexpr explicit Vector3d(const Vector3& v) : x(v.x), y(v.y), z(v.z) {}

  // Component by index: 0 is x, 1 is y, 2 is z.
  constexpr double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  constexpr double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

  // Each component rounded to the nearest float (see roundedToFloat for why not a plain cast).
  Vector3 toFloat() const { return {roundedToFloat(x), roundedToFloat(y), roundedToFloat(z)}; }
};

constexpr Vector3d operator+(const Vector3d& a, const Vector3d& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vector3d operator-(const Vector3d& a, const Vector3d& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vector3d operator-(const Vector3d& a) {
  return {-a.x, -a.y, -a.z};
}
constexpr Vector3d operator*(const Vector3d& a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
constexpr double dot(const Vector3d& a, const Vector3d& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vector3d cross(const Vector3d& a, const Vector3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vector3d& a) {
  return std::sqrt(dot(a, a));
}
// a / |a|; the zero vector gives not-a-number components.
inline Vector3d normalized(const Vector3d& a) {
  return a * (1.0 / length(a));
}
