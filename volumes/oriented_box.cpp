// The box along given axes around a point set: two passes in double, float results rounded
// outward.
#include "volumes/oriented_box.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/float_rounding.h"
#include "volumes/box_frame.h"

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
  Vector3d center;
  for (int k = 0; k < 3; ++k)
    center = center + axis[k] * (0.5 * (lo[k] + hi[k]));
  box.center = center.toFloat();
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
