// Matrix3: three Vector3 rows (row-major, row 0 first). Default is the identity.
// The box fitter builds its moment matrix in it and scales it column by column.
#pragma once

#include "geometry/vector3.h"

struct Matrix3 {
  Vector3 rows[3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};

  constexpr Matrix3() = default;
  constexpr Matrix3(const Vector3& r0, const Vector3& r1, const Vector3& r2) : rows{r0, r1, r2} {}

  constexpr Vector3& operator[](int i) { return rows[i]; }
  constexpr const Vector3& operator[](int i) const { return rows[i]; }

  // Column i (0..2) as a new vector: (row 0 [i], row 1 [i], row 2 [i]).
  constexpr Vector3 column(int i) const { return {rows[0][i], rows[1][i], rows[2][i]}; }

  constexpr void setColumn(int i, const Vector3& v) {
    rows[0][i] = v.x;
    rows[1][i] = v.y;
    rows[2][i] = v.z;
  }

  static constexpr Matrix3 zero() { return {Vector3::ZERO, Vector3::ZERO, Vector3::ZERO}; }
};
