// Faces of the exact hull, placed at the given coordinates, as inward-wound facets.
#include "hull/exact_hull_facets.h"

#include <vector>

#include "geometry/vector3d.h"

ConvexHull facetsOf(const ExactHull& hull, std::span<const Vector3> coordinates) {
  ConvexHull facets;
  facets.facets.reserve(hull.faces.size());
  std::vector<Vector3> loop;
  for (const std::vector<std::int32_t>& face : hull.faces) {
    loop.clear();
    for (auto it = face.rbegin(); it != face.rend(); ++it)
      loop.push_back(coordinates[static_cast<std::size_t>(*it)]);
    Facet facet;
    facet.setVertices(loop);
    facet.id = facets.nextFacetId++;
    facets.facets.push_back(std::move(facet));
  }
  return facets;
}

ConvexHull centredFacetsOf(const ExactHull& hull, std::span<const Vector3> coordinates) {
  ConvexHull facets;
  const auto at = [&](std::int32_t i) { return coordinates[static_cast<std::size_t>(i)]; };
  for (const std::vector<std::int32_t>& face : hull.faces) {
    const std::size_t n = face.size();
    if (n == 3) {
      facets.facets.push_back(
          triangleFacet(facets.nextFacetId++, at(face[0]), at(face[2]), at(face[1])));
      continue;
    }
    Vector3d sum;
    for (std::int32_t i : face)
      sum = sum + Vector3d(at(i));
    const Vector3 centre = (sum * (1.0 / static_cast<double>(n))).toFloat();
    for (std::size_t k = 0; k < n; ++k) {
      facets.facets.push_back(
          triangleFacet(facets.nextFacetId++, centre, at(face[(k + 1) % n]), at(face[k])));
    }
  }
  return facets;
}
