// The minimum-volume enclosing ellipsoid of a point set (the Lowner-John ellipsoid) on the
// exact hull's extreme points in double, then grown or shrunk in one final pass so that it
// holds every input point.
//
// Method: Khachiyan's lifting (the points as (x, 1) in one more dimension, where the ellipsoid
// is centred) and his dual: for weights u on the points, Sigma(u) is their weighted
// covariance, and log det Sigma(u) never exceeds its value at the optimum, so the ellipsoid of
// Sigma(u) grown to hold every vertex is certified within (max_i omega_i / d)^(d/2) of the
// minimum volume, omega_i the squared Mahalanobis distance of vertex i under Sigma(u) and d
// the dimension. The weights come from a log-barrier method on the lifted problem (Newton
// steps in the entries of the lifted matrix, the barrier weight shrinking fourfold per
// centring), whose centres' dual weights are such u; the best certificate is kept. The
// barrier runs on an active set of vertices (the farthest out under their spread and the
// extremes of the rounded hull, then those the best weights leave outside), each certificate
// measured over every vertex, so the set changes the work only.
//
// Contract (stated once, here):
// - Input: points finite (the caller's; none is allowed), hull = buildExactHull(points).
// - Result: center, axes (orthonormal in double to rounding, right-handed) and radii
//   (increasing, radii[k] along axes[k]); volume = 4/3 pi radii[0] radii[1] radii[2].
// - Containment: evaluated in double, every input point p satisfies
//   sum_k (dot(p - center, axes[k]) / radii[k])^2 <= 1, a zero radius admitting only a zero
//   offset along its axis (0/0 read as 0). The final pass measures every input point this way
//   and scales the radii by the square root of the largest sum, rounded outward.
// - Accuracy: volumeBeforeRescale, the weights' ellipsoid grown to hold every hull vertex, is
//   at most (1 + accuracy) times the minimum. The centring stops at the requested accuracy or
//   when two more centrings no longer improve it (the Newton systems grow ill-conditioned);
//   on the tests' clouds that leaves accuracy at most a few times 1e-6. iterations counts the
//   Newton steps. The final pass changes the volume by rounding only.
// - Degenerate input (hull dimension below 3): the ellipsoid of the flat or linear set in its
//   own plane or line, the same method in 2 or 1 dimensions; across it, each radius is
//   2^20 times the largest offset of a point along that axis (rounding, about 1e-16 of the
//   size), 0 when every offset is exactly 0. A single point gives radii 0 at the point, no
//   points the default. dimension is that of the hull (-1 for none). Never NaN.
// - Deterministic; scaling the input by 2^k scales every length by 2^k exactly.
#pragma once

#include <array>
#include <span>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"
#include "hull/exact_hull.h"

inline constexpr double ELLIPSOID_ACCURACY = 1e-6;

struct Ellipsoid {
  Vector3d center;
  std::array<Vector3d, 3> axes = {Vector3d(1, 0, 0), Vector3d(0, 1, 0), Vector3d(0, 0, 1)};
  std::array<double, 3> radii{};
  double volume = 0.0;
  double volumeBeforeRescale = 0.0;
  double accuracy = 0.0;
  int iterations = 0;
  int dimension = -1;
};

Ellipsoid minimumVolumeEllipsoid(std::span<const Vector3> points, const ExactHull& hull,
                                 double accuracy = ELLIPSOID_ACCURACY);
