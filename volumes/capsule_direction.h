// Lower bounds of the smallest capsule of one fixed axis direction u, and of a cap of
// directions around it, for the capsule's direction search (volumes/capsule.h). Everything is
// in the frame of the projection along u: a vertex is a site (x, y) in the plane normal to u
// at the height t = p.u.
//
// For a radius r and an axis line through c, a site at planar distance d from c is inside
// iff d <= r and the segment's ends s0, s1 satisfy s1 >= t - w, s0 <= t + w, with the half
// chord w = sqrt(r^2 - d^2). The shortest segment for (c, r) has the length
// L(c, r) = max(0, max_i (t_i - w_i) - min_j (t_j + w_j)), convex in c, and the volume of a
// direction is min over r of pi r^2 L*(r) + 4/3 pi r^3 with L*(r) = min over feasible c of
// L(c, r), which does not rise with r.
//
// Bounds of L*(r):
// - Pairs. For a top i and a bottom j, w_i + w_j <= 2 sqrt(r^2 - D_ij^2 / 4) with D_ij their
//   planar distance (w is concave in d, and d_i + d_j >= D_ij), so
//   L*(r) >= (t_i - t_j) - 2 sqrt(r^2 - D_ij^2 / 4). It holds over a cap of directions with
//   lower bounds of t_i - t_j and D_ij, but is loose where an end rests on two sites.
// - The certificate (Lagrangian duality). For weights lambda (tops) and mu (bottoms) on sites,
//   each summing to one, and kappa >= 0, every feasible c has
//     L(c, r) >= A - Phi(c),  A = sum lambda_k t_k - sum mu_k t_k,
//     Phi(c) = sum (lambda_k + mu_k) w_k(c) + sum kappa_k (r^2 - d_k(c)^2),
//   as a max is at least its weighted mean and r^2 - d_k^2 >= 0 where c is feasible. Phi is
//   concave where every weighted w is real, a convex set holding every feasible c, so for any
//   c' there Phi(c) <= Phi(c') + g.(c - c') with g its gradient. The feasible c also lie in a
//   disc: for weights beta >= 0 summing to one on sites q_k (the projection's smallest circle's
//   support), sum beta_k |q_k - c|^2 = |c - c0|^2 + S with c0 = sum beta_k q_k and
//   S = sum beta_k |q_k - c0|^2, and the left side is at most r^2. Hence
//     L*(r) >= A - Phi(c') - g.(c0 - c') - |g| sqrt(r^2 - S).
//   Any weights give a valid bound, on any subset of the vertices (fewer constraints, no
//   larger an optimum). With the Lagrange multipliers of a local solution (the weights whose
//   pulls on the axis, the gradient of Phi, cancel) and c' the maximum of Phi, it is that
//   solution's own length where the solution is the optimum at its radius: tight there,
//   unlike the pairs. Where the local solve stopped short of it (a compass search can stall
//   at a kink), no weights cancel; the bound's shortfall below the solution then caps how
//   far the solution can be from the direction's optimum.
//
// Over a cap of directions (theta > 0), the certificate's weights are kept and the sites
// turned: a direction at the angle phi <= theta from u, towards a tangent b, sees each site's
// height t and its coordinate along b rotated by phi, the other coordinate unchanged. So
// A - Phi(c') changes by b.V phi to first order (V from the weights and sites, zero at a
// direction where the weights are also stationary in u) and by at most M phi^2 / 2 beyond,
// with M from the sites' distances and the smallest chords the turn can leave; and Phi's
// maximum lies above Phi(c') by at most |g|^2 / (2 m), g its gradient at c' after the turn
// (|g0| + theta G') and m >= 2 / r + 2 sum kappa its strong concavity. This is second order
// where V vanishes, so cells near the optimum close faster than by tilting (tiltedBound).
//
// Both bounds are evaluated in double with room for rounding: w from above by the error of
// r^2 - d^2 at the hull's scale, the tangent's gradient with its error, and a margin.
#pragma once

#include <cmath>
#include <limits>
#include <span>
#include <vector>

namespace capsule_direction {

struct Site {
  double x = 0.0, y = 0.0, t = 0.0;
};

// pi r^2 length + 4/3 pi r^3.
double capsuleVolume(double r, double length);

struct Pair {
  double dt;  // lower bound of t_i - t_j
  double d;   // lower bound of the projected distance
};

// The certificate of one direction: the weighted sites and the disc of feasible axes (from
// the smallest circle's support). `scale` is the hull's extent (rounding room).
struct Weights {
  bool valid = false;
  std::vector<Site> sites;
  std::vector<double> lift;  // lambda - mu, the weight of t in A (|lift| weighs w in Phi)
  std::vector<double> rim;   // kappa
  // The weight of w in Phi where it is not |lift|: an end whose chord w0 is nearly zero at
  // the solution has its term bounded by the tangent of the square root instead,
  // nu w <= nu / (2 w0) (r^2 - d^2) + nu w0 / 2, so it joins the rim weights (its constant
  // taken off A) and its chord weight is 0. Empty: |lift| throughout.
  std::vector<double> chord;
  double a = 0.0;  // A
  double chordWeight(std::size_t k) const { return chord.empty() ? std::fabs(lift[k]) : chord[k]; }
};
struct Certificate {
  bool valid = false;  // the weights are (the disc is set wherever r > 0)
  Weights weights;     // the local solution's multipliers
  double cx = 0.0, cy = 0.0, r = 0.0;
  double c0x = 0.0, c0y = 0.0, spread = 0.0;
  double scale = 1.0;
  // Where the last evaluation found Phi's maximum: the next radius starts there.
  mutable double hintX = 0.0, hintY = 0.0;
  mutable bool hinted = false;
};
// The certificate of a local solution with axis (cx, cy) and radius r, from its highest tops,
// lowest bottoms and farthest rim sites (nine in all at most) and the smallest circle's
// support: the weights on the active ones whose pulls on the axis balance best (a projected
// gradient on the stationarity condition of Phi), so that the certificate is tight where the
// solution is the direction's optimum and valid, only looser, where it is not.
Certificate certificate(std::span<const Site> tops, std::span<const Site> bottoms,
                        std::span<const Site> rims, std::span<const Site> support, double cx,
                        double cy, double r, double scale);

// The certificate's lower bound of L*(r) (0 where it proves nothing), or +infinity where no
// axis can hold the support within r.
// With theta > 0, the bound holds for every direction within theta of the certificate's
// (the sites turned, see turnedLength in the source); no infinity is then claimed.
double certifiedLength(const Certificate& c, double r, double theta = 0.0);

// A lower bound of min over r >= rLo of pi r^2 max(L_pairs(r), L_cert(r)) + 4/3 pi r^3, with
// L_pairs the largest pair bound of `pairs` and L_cert the certificate's (none when null): a
// bisection over intervals of r, on [a, b] the value with a outside and b inside the length
// (which does not rise in r), so the result is proved up to rounding.
// With theta > 0 the certificate's length is the cap's (certifiedLength), and rLo and the
// pairs must hold over the cap too.
// With `exact`, the lengths it proves at a radius count too (LengthOracle). `known` is the
// volume of a capsule known to exist (the search's best; +infinity for none): the bound is
// then at most it, and radii whose sphere alone exceeds it are not searched, which leaves a
// weak bound at rLo no longer a cap on the result.
class LengthOracle;
double directionBound(double rLo, std::span<const Pair> pairs, const Certificate* cert = nullptr,
                      double theta = 0.0, LengthOracle* exact = nullptr,
                      double known = std::numeric_limits<double>::infinity());

// A source of lower bounds of L*(r) at any radius, over the same cap of directions as the
// pairs' (theta = 0: the direction itself): in the capsule's search, certificates of exact
// solves at radii near the one asked (capsule_radius.h), made as they are needed.
class LengthOracle {
 public:
  virtual ~LengthOracle() = default;
  virtual double length(double r, double theta) = 0;
};

// Over a cap of directions of angular radius theta around u0, every capsule of direction u is
// within (r + h theta) of the segment of the same midpoint and half length h along u0, so
// V(u) (1 + theta h / r)^3 >= V*(u0). With lower bounds rLo of r and hMax of h (h <= the
// hull's extent rho, and 2 pi r^2 h + 4/3 pi r^3 < best for any capsule better than `best`,
// which falls in r, so h < (best - 4/3 pi rLo^3) / (2 pi rLo^2)), this gives
// min(best, centreBound / (1 + theta hMax / rLo)^3) as a bound of the cap.
double tiltedBound(double centreBound, double theta, double rLo, double rho, double best);

}  // namespace capsule_direction
