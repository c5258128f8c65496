// The box type of every box construction of the bounds library (OrientedBox), and the one
// step they share: given directions, the smallest box along them that holds every point, in
// the canonical frame (volumes/box_frame.h).
//
// Contract (stated once, here):
// - enclosingBox rounds the given axes to float first and measures everything against the
//   rounded axes, in double: the centre is the middle of the extents, rounded to whichever
//   float point within four float steps of it in each coordinate grows the box least; each
//   half length is the largest |dot(p - center, axes[k])| over the points, rounded up to the
//   next float and then one float step further. So every point satisfies
//   |dot(p - center, axes[k])| <= halfLengths[k] when evaluated in double on the stored float
//   fields, with room to spare for any evaluation order in double. Evaluated in float, the
//   test itself rounds by a few units in the last place of the coordinates and needs that
//   much tolerance.
// - The rounded axes are orthonormal only up to float rounding (about 1e-7); volume is
//   8 * h0 * h1 * h2 in double from the stored half lengths.
// - The given axes must be finite and orthonormal (in double); points finite. No points give
//   the zero box at the origin with the given axes. Points so far apart that a centre
//   coordinate or half length leaves the float range give infinite values, not a box
//   (computeBoundingVolumes refuses such input before any volume is built).
#pragma once

#include <array>
#include <span>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"

struct OrientedBox {
  Vector3 center;
  Vector3 axes[3];      // unit length up to float rounding
  Vector3 halfLengths;  // component k belongs to axes[k]
  double volume = 0;    // 8 h0 h1 h2
};

// Three directions for a box, in double: axes[k] is the direction of half length k.
using BoxAxes = std::array<Vector3d, 3>;

OrientedBox enclosingBox(std::span<const Vector3> points, const BoxAxes& axes);
