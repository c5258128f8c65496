// The reference the fast build must reproduce bit for bit: the hull grown by the literal
// stages of convex_hull.h, one eye point at a time, with scans over the whole facet list
// (find the first facet with outside points, erase the seen facets, link every new facet by
// comparing its sides with every side), as the hull was first built. Only the tests use it.
#pragma once

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "hull/convex_hull.h"

inline ConvexHull referenceHull(const std::vector<Vector3>& points) {
  // Points with a non-finite coordinate bound nothing and are left out, as build does.
  std::vector<Vector3> input;
  std::copy_if(points.begin(), points.end(), std::back_inserter(input), [](const Vector3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  });
  ConvexHull hull;
  hull.buildInitialSimplex(input);

  // A step that would pass 2n facets ends the build (see convex_hull.h).
  const std::size_t facetLimit = 2 * input.size();
  std::vector<Edge> horizon;
  std::vector<std::int32_t> visibleIds;
  std::vector<Vector3> orphanPoints;
  std::vector<std::int32_t> newFacetIds;
  for (;;) {
    const auto next = std::find_if(hull.facets.begin(), hull.facets.end(),
                                   [](const Facet& f) { return !f.outsidePoints.empty(); });
    if (next == hull.facets.end())
      break;
    const Vector3 eyePoint = next->farthestPoint;

    hull.findHorizon(eyePoint, horizon, visibleIds, orphanPoints);
    if (hull.facets.size() - visibleIds.size() + horizon.size() > facetLimit) {
      for (Facet& f : hull.facets)
        f.outsidePoints.clear();
      break;
    }
    newFacetIds.clear();
    for (const Edge& edge : horizon)
      hull.addFacetFromEdge(edge, eyePoint, orphanPoints, newFacetIds);
    std::erase_if(hull.facets, [&visibleIds](const Facet& f) {
      return std::binary_search(visibleIds.begin(), visibleIds.end(), f.id);
    });
    for (const std::int32_t id : newFacetIds)
      hull.linkNeighbors(id);
    ++hull.expansionSteps;
  }
  return hull;
}
