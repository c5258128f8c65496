// Divergence theorem over the facets' triangle fans, in double.
#include "volumes/hull_volume.h"

#include <cmath>

#include "geometry/vector3d.h"

double hullVolume(const ConvexHull& hull) {
  if (hull.facets.empty() || hull.facets.front().vertices.empty())
    return 0.0;
  return hullVolume(hull, Vector3d(hull.facets.front().vertices.front()));
}

double hullVolume(const ConvexHull& hull, const Vector3d& reference) {
  double sixTimesVolume = 0.0;
  for (const Facet& facet : hull.facets) {
    const std::size_t n = facet.vertices.size();
    if (n < 3)
      continue;
    const Vector3d a = Vector3d(facet.vertices[0]) - reference;
    for (std::size_t k = 2; k < n; ++k) {
      const Vector3d b = Vector3d(facet.vertices[k - 1]) - reference;
      const Vector3d c = Vector3d(facet.vertices[k]) - reference;
      sixTimesVolume += dot(a, cross(b, c));
    }
  }
  return std::fabs(sixTimesVolume) / 6.0;
}
