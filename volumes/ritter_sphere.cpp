// Ritter's two passes in double, the stored radius rounded outward.
#include "volumes/ritter_sphere.h"

#include <algorithm>

#include "geometry/float_rounding.h"
#include "geometry/vector3d.h"

namespace {

// The first point farthest from `from`.
Vector3d farthestFrom(const Vector3d& from, std::span<const Vector3> points) {
  Vector3d best = from;
  double bestSquared = -1.0;
  for (const Vector3& p : points) {
    const Vector3d d = Vector3d(p) - from;
    const double squared = dot(d, d);
    if (squared > bestSquared) {
      bestSquared = squared;
      best = Vector3d(p);
    }
  }
  return best;
}

}  // namespace

Sphere ritterSphere(std::span<const Vector3> points) {
  Sphere sphere;
  sphere.radius = 0.0f;
  if (points.empty())
    return sphere;
  const Vector3d y = farthestFrom(Vector3d(points.front()), points);
  const Vector3d z = farthestFrom(y, points);
  Vector3d center = (y + z) * 0.5;
  double radius = 0.5 * length(z - y);
  for (const Vector3& p : points) {
    const Vector3d d = Vector3d(p) - center;
    const double distance = length(d);
    if (distance > radius) {
      const double grown = 0.5 * (radius + distance);
      center = center + d * ((grown - radius) / distance);
      radius = grown;
    }
  }
  sphere.center = center.toFloat();
  const Vector3d c(sphere.center);
  double reach = radius;
  for (const Vector3& p : points)
    reach = std::max(reach, length(Vector3d(p) - c));
  sphere.radius = floatAbove(reach);
  return sphere;
}
