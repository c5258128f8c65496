// The canonical frame of a box: one rule for every box the project reports, so that the same
// model gives the same box every time and boxes of different constructions compare axis by
// axis. Only permutations and negations are applied, both exact in float: the box keeps its
// centre, its extents and the float values of its axes.
//
// Contract (stated once, here):
// - Axes are ordered by half length, DESCENDING: axes[0] is the longest. Equal half lengths
//   keep the order they came in (a stable sort), so ties are broken by the construction.
// - axes[0] and axes[1] are negated where needed so that their component of largest magnitude
//   is positive; of equal magnitudes the first (x before y before z) counts.
// - axes[2] is then negated where needed so that the frame is right-handed:
//   dot(cross(axes[0], axes[1]), axes[2]) > 0, evaluated in double. Its own largest
//   component may therefore be negative.
// - Axes are expected orthonormal up to rounding; not-a-number values are left where they fall.
#pragma once

#include "geometry/vector3.h"

// Reorders and negates the axes (and reorders the half lengths with them) as described above.
void canonicaliseBoxFrame(Vector3 (&axes)[3], Vector3& halfLengths);
