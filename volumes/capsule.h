// The minimum-volume enclosing capsule (a segment a-b swept by a ball; volume
// pi r^2 |b - a| + 4/3 pi r^3): a local solve of the axis line and radius for each axis
// direction, a branch and bound over cells of directions (volumes/axis_search.h) with the
// lower bound derived below, and the smallest enclosing sphere as a fallback candidate.
//
// Fixed direction u, what is exact and what is not. With the axis line through c (in the
// plane normal to u), a point p at height t_p and planar distance d_p from c is inside the
// capsule of radius r and segment heights [s0, s1] iff d_p <= r and
// s0 <= t_p + w_p, s1 >= t_p - w_p with w_p = sqrt(r^2 - d_p^2). For given (c, r) the best
// segment is therefore exact: s1 - s0 = max(0, max_p (t_p - w_p) - min_p (t_p + w_p)). The
// problem in (c, r) is convex for fixed r (the feasible set of (c, s0, s1, r) is convex), but
// the volume is not jointly convex, and it is solved locally: a pattern search over (c, r)
// from the centre of the projection's smallest circle, on working sets of hull vertices that
// grow until no hull vertex contradicts them. So the capsule of a direction is an upper bound
// (always a true enclosing capsule), not a proven optimum.
//
// Bound (what is proved; the arguments are in capsule_direction.h). Any capsule of direction
// u has r >= R(u), the smallest circle of the projection, and these bounds of its length hold:
// - the pair bound, for any two points i, j: |b - a| >= (t_i - t_j) - 2 sqrt(r^2 - D_ij^2 / 4)
//   with D_ij their projected distance, with Rlo, t_i - t_j and D_ij bounded from below over
//   the whole cap of directions exactly (axis_search.h; Rlo as for the cylinder, cylinder.h).
//   The pairs are the three highest cap points and three lowest of the local solution plus
//   the extremes along u. Tight where each end of the optimum rests on one point, loose (a
//   few per cent) where an end rests on two or more;
// - the certificate of the cell's own local solution (its Lagrange multipliers), for the
//   centre direction alone: tight at the solution's radius where that solution is the
//   direction's optimum. Over the cap it is carried two ways, the larger kept: by tilting
//   (a capsule of a direction within theta of the centre's, with half length h, fits in the
//   centre direction's capsule of radius r + h theta, so V (1 + theta h / r)^3 >= the
//   centre's bound), and by turning the sites under the same weights, which is second order
//   where the weights are stationary in the direction too. A certificate short of its own
//   solution by over 1 % marks a stalled solve; the cell is then solved again without the
//   warm start's working sets, and the better of the two certificates and capsules is kept.
// - exact solves at other radii (capsule_radius.h), where the two above leave the centre
//   direction short of its own capsule by over 5 %: the shortest segment of each radius the
//   bound asks about, by a barrier method on the working sets checked against every vertex,
//   whose multipliers are that radius's optimal weights. Each is carried over the cap by
//   turning as above, and bounds every smaller radius by its own length (L* falls in r).
// The minimum over r is bounded rigorously (on [r_a, r_b] the volume is at least its value
// with r_a outside and r_b inside the length, which falls in r), so the bound is proved up to
// double rounding. The cap's bounds are first order in its radius where the optimum's
// weights move with the direction, and the budget is 2,000 cells, so the search usually
// ends above the 1e-4 tolerance: report->optimalityGap states what was proved
// (complete = false when it is above 1e-4).
//
// Contract (stated once, here):
// - Input: `points`, every point to enclose (non-finite ones are skipped), and
//   `hullVertices`, the vertices of their exact convex hull. The search runs on the hull
//   vertices; the radius is measured over all `points`.
// - Containment: every point lies within `radius` of the segment between the stored float
//   ends a and b, the distance evaluated in double; radius is rounded outward to float with one
//   float step of room. volume is pi r^2 |b - a| + 4/3 pi r^3 of the stored floats, and is
//   never above the smallest enclosing sphere's (a capsule with a = b) as measured the same way.
// - Degenerate input: no points give the zero capsule; equal points a = b at the point;
//   collinear hull vertices the segment between the extremes; flat ones are searched as any.
//   No not-a-number in any case.
// - Complexity: per cell, the circle on the vertices its cap can have on a silhouette (a list
//   that shrinks from a cell to its children, axis_search.h) and a local search on small
//   working sets whose checks against every hull vertex go through a box tree built once
//   (O(h log h)), visiting only the boxes that can end or widen the capsule; O(n) once for
//   the n points; at most 2,000 cells, a cell solved twice where its first solve stalled.
// - Deterministic: a fixed shuffle only; the same input gives the same result. The search and
//   the polish share their cells and starts between two threads by a fixed schedule
//   (axis_search.h), so the result does not depend on timing or on the machine's cores.
#pragma once

#include <span>

#include "geometry/vector3.h"
#include "volumes/axis_search.h"

struct Capsule {
  Vector3 a;
  Vector3 b;
  float radius = 0.0f;
  double volume = 0.0;
};

Capsule minimumCapsule(std::span<const Vector3> points, std::span<const Vector3> hullVertices,
                       AxisSearchReport* report = nullptr);

// The capsule of the fixed axis direction `axis` (any length but zero) over `points`, by the
// local solve above, measured and rounded as above: for the tests' exhaustive search.
Capsule capsuleAlong(std::span<const Vector3> points, const Vector3d& axis);
