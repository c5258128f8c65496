// The minimum-volume enclosing cylinder: for a fixed axis direction the optimum is exact (the
// smallest circle around the hull's projection onto the plane normal to the axis, times the
// hull's extent along it), and the best direction is found by a branch and bound over cells
// of directions (volumes/axis_search.h) whose lower bound is proved below.
//
// Contract (stated once, here):
// - Input: `points`, every point to enclose (non-finite ones are skipped), and
//   `hullVertices`, the vertices of their exact convex hull (buildExactHull's `vertices`
//   resolved to points). The search runs on the hull vertices only; the final radius and half
//   length are measured over all `points`.
// - Containment: with c = center and a = axis normalised in double, every point p satisfies
//   |(p - c).a| <= halfLength and |(p - c) x a| <= radius, evaluated in double; both values
//   are rounded outward to float with one float step of room (floatAbove). volume is
//   2 pi radius^2 halfLength of the stored floats.
// - Bound: over a cap of directions of angular radius theta around u0 (the cell's centre),
//   every direction u satisfies
//     R(u) >= max(Rs(u0, theta), Rs(u0, 0) - theta rho),   E(u) >= max(d.u lower, E0 - 2 theta
//     rho),
//   where R(u) is the smallest circle of the projection, Rs the exact cap bound of the circle
//   around the centre's 2 or 3 support points (half their longest projected side, or their
//   circumradius while they stay acute), rho the hull's largest distance from its box centre
//   (a rotation by theta moves each projected point by at most theta rho, and the smallest
//   circle is 1-Lipschitz in the Hausdorff distance), E the extent along u and d the vector
//   from the centre's lowest to its highest vertex. So V(u) = 2 pi R^2 (E / 2) is at least
//   pi Rlo^2 Elo over the cell. Cells are split until every bound reaches
//   volume / (1 + 1e-4): report->optimalityGap is then a proof that the cylinder found is
//   within that of the true minimum (over the hull vertices, which bound the same cylinders
//   as all points), up to double rounding of the bound's terms.
// - Degenerate input gives a valid cylinder without not-a-number: no points give the zero
//   cylinder; one point a zero-radius, zero-length one; collinear hull vertices the segment's
//   cylinder (axis along it, radius 0 before rounding); hull vertices flat to double rounding
//   the disc across their plane (axis its normal, volume only its rounding residue). These
//   are decided directly, with cells = 0 and a gap of 0.
// - Complexity: the exact hull of the h hull vertices once (their cones of normals), then per
//   cell a pass over its parent's candidate list and the projection and smallest circle of its
//   own (the vertices its cap can have on a silhouette or at an end, axis_search.h; often a
//   few hundred of many thousands), O(n) once for the n points; at most 100,000 cells, after
//   which the gap proved so far is reported with complete = false.
// - Deterministic: no randomness beyond a fixed shuffle; the same input gives the same result,
//   whether the search's two workers run on two threads (hulls of 1,000 vertices and more) or
//   on one (axis_search.h).
#pragma once

#include <cstddef>
#include <span>

#include "geometry/vector3.h"
#include "volumes/axis_search.h"

struct Cylinder {
  Vector3 center;
  Vector3 axis{0.0f, 0.0f, 1.0f};
  float halfLength = 0.0f;
  float radius = 0.0f;
  double volume = 0.0;
};

Cylinder minimumCylinder(std::span<const Vector3> points, std::span<const Vector3> hullVertices,
                         AxisSearchReport* report = nullptr);

// The cylinder of the fixed axis direction `axis` (any length but zero) over `points`: the
// smallest circle of their projection and their extent, measured and rounded as above. The
// naive search that samples a few directions and the tests' exhaustive search use it.
Cylinder cylinderAlong(std::span<const Vector3> points, const Vector3d& axis);
