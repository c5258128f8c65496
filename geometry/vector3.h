// Vector3: the point and direction type of every computation in the project.
//
// Three contiguous 32-bit floats and nothing else, so that a Vector3, or an element of a
// contiguous array of them, can be handed to OpenGL as a float triple (glVertex3fv).
// All arithmetic is single precision; the order of each sum is fixed (see dot) because
// the printed box report depends on it bit for bit.
#pragma once

#include <cmath>
#include <limits>
#include <ostream>

inline constexpr float FLOAT_INFINITY = std::numeric_limits<float>::infinity();

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  constexpr Vector3() = default;
  constexpr Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

  // Component by index: 0 is x, 1 is y, 2 is z. An index outside 0..2 is the caller's error.
  constexpr float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  constexpr float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

  constexpr Vector3& operator*=(float s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }

  // In place: r = 1 / sqrt(x*x + y*y + z*z) once, then each component times r.
  // The zero vector becomes not-a-number; nothing guards against it.
  void normalize() {
    const float r = 1.0f / std::sqrt(x * x + y * y + z * z);
    x *= r;
    y *= r;
    z *= r;
  }

  static const Vector3 ZERO;
  // Start value of a running minimum; its negation starts the matching running maximum.
  static const Vector3 POSITIVE_INFINITY;
};

// constexpr, so both are constant-initialised: ready before any code (main or a static
// initialiser elsewhere) can read them.
inline constexpr Vector3 Vector3::ZERO{0.0f, 0.0f, 0.0f};
inline constexpr Vector3 Vector3::POSITIVE_INFINITY{FLOAT_INFINITY, FLOAT_INFINITY, FLOAT_INFINITY};

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 must be a bare float triple");

constexpr Vector3 operator+(const Vector3& a, const Vector3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vector3 operator-(const Vector3& a, const Vector3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vector3 operator-(const Vector3& a) {
  return {-a.x, -a.y, -a.z};
}
constexpr Vector3 operator*(const Vector3& a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}

// Summed z first, then y, then x: the order is part of the observable arithmetic.
constexpr float dot(const Vector3& a, const Vector3& b) {
  return a.z * b.z + a.y * b.y + a.x * b.x;
}

constexpr Vector3 cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float length(const Vector3& a) {
  return std::sqrt(dot(a, a));
}

// True when every squared component difference is strictly below tolerance: the tolerance
// bounds squared differences, not distances. Not-a-number differences compare false.
constexpr bool nearlyEqual(const Vector3& a, const Vector3& b, float tolerance) {
  const float dx = a.x - b.x;
  if (!(dx * dx < tolerance))
    return false;
  const float dy = a.y - b.y;
  if (!(dy * dy < tolerance))
    return false;
  const float dz = a.z - b.z;
  return dz * dz < tolerance;
}

// Text form: x, blank, y, blank, z in the stream's current float formatting; no brackets,
// no line end. The box report prints every vector this way.
inline std::ostream& operator<<(std::ostream& os, const Vector3& v) {
  return os << v.x << ' ' << v.y << ' ' << v.z;
}
