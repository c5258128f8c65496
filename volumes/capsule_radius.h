// The shortest capsule segment of one axis direction and one radius, on a set of sites, and
// its Lagrange multipliers: the weights of the capsule's certificate (capsule_direction.h)
// that are the optimum's own at that radius, not only at a local solution's.
//
// Based on the logarithmic barrier method (Boyd and Vandenberghe, Convex Optimization, 11.3).
// For sites (x, y, t) and a radius r the problem in the axis point c and the segment's ends
// s0 <= s1 is
//   minimise s1 - s0  subject to, for every site k,
//     |q_k - c|^2 <= r^2,  t_k - w_k(c) <= s1,  t_k + w_k(c) >= s0,  w_k = sqrt(r^2 - d_k^2),
// convex (w is concave where real), with the optimum L*(r) (negative where a ball of radius r
// holds every site with room; the capsule's length is then 0). A barrier iteration follows the
// central path from the given axis point, by damped Newton steps (no barrier values, so no
// logarithms: the step 1 / (1 + decrement) where the decrement is large, halved while it
// leaves the domain), the weight m falling twentyfold once the point is near the path; at
// weight m the multipliers (m / slack for each constraint) are exact for the path's point,
// and the duality gap is m times the number of constraints. The top multipliers sum to one,
// the bottom ones likewise (the stationarity in s1 and s0), so they are certificate weights
// as they stand; they prove a bound at any radius and over a cap of directions, tightest at
// r. An end whose chord is short at the solution (below 1e-2 of r) enters by the tangent of
// its square root there (Weights::chord), which keeps the bound's maximisation of Phi away
// from the chord's steep end.
//
// Contract:
// - Input: `sites` (any number, finite), the radius r > 0, and a strictly feasible axis
//   point (cx, cy): every site within r of it by a margin (the centre of a circle of radius
//   below r that holds them). Otherwise the result is not valid.
// - Output: the path's last point (cx, cy, s0, s1), a primal feasible solution on the sites,
//   within `gap` of L*(r) (gap the final duality gap, 1e-8 of r, or what the iteration
//   reached in 200 Newton steps), and the multipliers: lift = lambda - mu and
//   rim = kappa per entry, with a site listed twice where both its end multipliers are
//   kept. Multipliers below 1e-12 of their side's sum are dropped and each side renormalised,
//   which keeps the weights a valid certificate (any weights are).
// - Cost: O(sites) per Newton step, at most 200 steps (about 80 from the cold start, 40 from
//   a warm one).
#pragma once

#include <span>

#include "volumes/capsule_direction.h"

namespace capsule_direction {

struct RadiusSolution {
  bool valid = false;
  double cx = 0.0, cy = 0.0, s0 = 0.0, s1 = 0.0;
  double gap = 0.0;  // the duality gap left, in length
  Weights weights;
};

// `m0` is the first barrier weight: 1 from a point far from the optimum, smaller from a
// near one (a neighbouring radius's solution), where the path is entered further on.
RadiusSolution shortestSegment(std::span<const Site> sites, double r, double cx, double cy,
                               double m0 = 1.0);

// The certificate of a valid solve at radius r: `frame`'s disc of feasible axes and scale
// (certificate() of the same direction's support, r > 0 there) with the solve's weights and
// axis point, from which the bound's maximisation of Phi starts.
Certificate solvedCertificate(const Certificate& frame, RadiusSolution solve, double r);

}  // namespace capsule_direction
