// Ritter's bounding sphere: the fast two-pass approximation. From an arbitrary point (the
// first) find the farthest point y, from y the farthest point z; start with the sphere on the
// diameter yz, then one pass over all points grows it just enough to take in each point that
// lies outside, moving the centre towards it. Linear time; typically 5 to 20 % larger in
// radius than the minimal sphere, never smaller.
//
// Contract (stated once, here):
// - Computed in double; the first of equally far points is taken. The centre is rounded to
//   float and the radius is the larger of Ritter's radius and the largest distance from the
//   rounded centre to a point, rounded up to the next float and one float step further: every
//   point lies inside when the distance is evaluated in double on the stored fields.
// - The radius is a plain radius (not squared). Points must be finite; no points give centre
//   origin, radius 0.
#pragma once

#include <span>

#include "geometry/sphere.h"
#include "geometry/vector3.h"

Sphere ritterSphere(std::span<const Vector3> points);
