// The box along given axes around a point set: two passes in double, float results rounded
// outward.
#include "volumes/oriented_box.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "geometry/float_rounding.h"
#include "volumes/box_frame.h"

namespace {

// The float point near the exact centre that grows the box least. Storing the centre in float
// moves it by up to half a float step of its coordinates, and every half length grows by that
// move's component along its axis: for a thin box (a sheet 5 micrometres thick, a centimetre
// from the origin) that is a percent of its thickness and so of its volume. Floats a few steps
// away in each coordinate can move it much less along the thin axis, so the candidates are the
// floats within CENTRE_STEPS steps of the nearest in each coordinate, and the one whose move
// costs the least volume is taken; the first of equals (in a fixed order), so the result is
// deterministic.
constexpr int CENTRE_STEPS = 4;

Vector3 bestFloatCentre(const Vector3d& exact, const Vector3d (&axis)[3], const double (&lo)[3],
                        const double (&hi)[3]) {
  using Steps = std::array<float, 2 * CENTRE_STEPS + 1>;
  // The nearest float first, then one step down and one up, two down and two up, ...
  const auto around = [](double value) {
    Steps floats;
    floats.fill(static_cast<float>(value));
    if (!std::isfinite(floats[0]))
      return floats;
    for (std::size_t s = 1; s < floats.size(); ++s) {
      const float from = floats[s < 3 ? 0 : s - 2];
      floats[s] = std::nextafter(
          from, (s % 2 == 1 ? -1.0f : 1.0f) * std::numeric_limits<float>::infinity());
    }
    return floats;
  };
  const Steps xs = around(exact.x), ys = around(exact.y), zs = around(exact.z);
  Vector3 best{xs[0], ys[0], zs[0]};
  double bestCost = std::numeric_limits<double>::infinity();
  for (const float x : xs) {
    for (const float y : ys) {
      for (const float z : zs) {
        const Vector3 candidate{x, y, z};
        const Vector3d move = Vector3d(candidate) - exact;
        double cost = 1.0;
        for (int k = 0; k < 3; ++k)
          cost *= 0.5 * (hi[k] - lo[k]) + std::fabs(dot(move, axis[k]));
        if (cost < bestCost) {
          bestCost = cost;
          best = candidate;
        }
      }
    }
  }
  return best;
}

}  // namespace

OrientedBox enclosingBox(std::span<const Vector3> points, const BoxAxes& axes) {
  OrientedBox box;
  Vector3d axis[3];
  for (int k = 0; k < 3; ++k) {
    box.axes[k] = axes[k].toFloat();
    axis[k] = Vector3d(box.axes[k]);
  }
  if (points.empty()) {
    canonicaliseBoxFrame(box.axes, box.halfLengths);
    return box;
  }
  double lo[3];
  double hi[3];
  for (int k = 0; k < 3; ++k) {
    lo[k] = std::numeric_limits<double>::infinity();
    hi[k] = -lo[k];
  }
  for (const Vector3& p : points) {
    const Vector3d q(p);
    for (int k = 0; k < 3; ++k) {
      const double t = dot(q, axis[k]);
      lo[k] = std::min(lo[k], t);
      hi[k] = std::max(hi[k], t);
    }
  }
  // The point whose projections on the rounded axes are the extents' middles, by Cramer's
  // rule. The rounded axes are orthonormal only to float rounding (about 1e-7), so the sum of
  // axis[k] * middle[k] would miss it by that much times the distance from the origin: for a
  // sheet a tenth of a micrometre thick a unit from the origin, half its thickness.
  const Vector3d across[3] = {cross(axis[1], axis[2]), cross(axis[2], axis[0]),
                              cross(axis[0], axis[1])};
  const double determinant = dot(axis[0], across[0]);
  Vector3d center;
  for (int k = 0; k < 3; ++k)
    center = center + across[k] * (0.5 * (lo[k] + hi[k]) / determinant);
  box.center = bestFloatCentre(center, axis, lo, hi);
  const Vector3d c(box.center);
  double reach[3] = {0.0, 0.0, 0.0};
  for (const Vector3& p : points) {
    const Vector3d d = Vector3d(p) - c;
    for (int k = 0; k < 3; ++k)
      reach[k] = std::max(reach[k], std::fabs(dot(d, axis[k])));
  }
  for (int k = 0; k < 3; ++k)
    box.halfLengths[k] = floatAbove(reach[k]);
  canonicaliseBoxFrame(box.axes, box.halfLengths);
  box.volume = 8.0 * static_cast<double>(box.halfLengths.x) *
               static_cast<double>(box.halfLengths.y) * static_cast<double>(box.halfLengths.z);
  return box;
}
