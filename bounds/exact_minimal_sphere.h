// Minimal enclosing sphere in double precision, by Welzl's move-to-front construction
// (recursive on at most four boundary points, with the points visited in their given order).
//
// Contract (stated once, here):
// - Computes in double, so it holds where the 32-bit construction's tolerances let a merge
//   come out too small; the result is rounded to float so that every finite input point p
//   satisfies dot(p - center, p - center) <= squaredRadius, both sides evaluated in float:
//   `squaredRadius` is the largest such float value over the points, not the double radius
//   squared. `radius` is a float not below the double-precision radius of that sphere.
// - Points with a non-finite coordinate are skipped; with no finite point the result is
//   centre (0, 0, 0), radius 0.
// - Deterministic: no random draws, nothing process-wide is touched.
// - Degenerate sets (all equal, collinear, coplanar) give their true minimal sphere.
#pragma once

#include <span>

#include "geometry/vector3.h"

struct ExactSphere {
  Vector3 center;
  float radius = 0.0f;         // plain radius, rounded up
  float squaredRadius = 0.0f;  // largest float squared distance of a point from center
};

ExactSphere exactMinimalSphere(std::span<const Vector3> points);
