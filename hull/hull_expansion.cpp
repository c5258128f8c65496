// Growth of the hull, one eye point per step: the facets that see the eye point are
// replaced by a fan of triangles from the eye point to their horizon, and their outside
// points are handed to the new triangles.
#include <algorithm>
#include <utility>

#include "hull/convex_hull.h"

void ConvexHull::build(const std::vector<Vector3>& points) {
  buildInitialSimplex(points);

  std::vector<Edge> horizon;
  std::vector<std::int32_t> visibleIds;
  std::vector<Vector3> orphanPoints;
  std::vector<std::int32_t> newFacetIds;
  for (;;) {
    const auto next = std::find_if(facets.begin(), facets.end(),
                                   [](const Facet& f) { return !f.outsidePoints.empty(); });
    if (next == facets.end())
      break;
    const Vector3 eyePoint = next->farthestPoint;

    findHorizon(eyePoint, horizon, visibleIds, orphanPoints);
    newFacetIds.clear();
    for (const Edge& edge : horizon)
      addFacetFromEdge(edge, eyePoint, orphanPoints, newFacetIds);
    // Ids are unique, so removing every facet whose id is visible removes the first of each.
    std::erase_if(facets, [&visibleIds](const Facet& f) {
      return std::binary_search(visibleIds.begin(), visibleIds.end(), f.id);
    });
    for (const std::int32_t id : newFacetIds)
      linkNeighbors(id);
    ++expansionSteps;
  }
}

void ConvexHull::findHorizon(const Vector3& eyePoint, std::vector<Edge>& horizon,
                             std::vector<std::int32_t>& visibleIds,
                             std::vector<Vector3>& orphanPoints) {
  visibleIds.clear();
  horizon.clear();
  orphanPoints.clear();

  // Ids increase along the list, so visiting the list in order visits the seen facets in
  // ascending id order, and visibleIds comes out sorted.
  std::vector<Facet*> visible;
  for (Facet& f : facets) {
    if (classify(f.getPlane(), eyePoint, HULL_EPSILON) == PlaneSide::Back) {
      visibleIds.push_back(f.id);
      visible.push_back(&f);
    }
  }

  // A point lies outside several facets at once; handing it on once is enough, and keeps
  // the copies from multiplying step after step.
  PointSet orphaned;
  for (const Facet* v : visible) {
    for (const Edge& e : v->edges) {
      if (!std::binary_search(visibleIds.begin(), visibleIds.end(), e.neighbor)) {
        horizon.push_back(e);
      }
    }
    for (const Vector3& p : v->outsidePoints) {
      if (orphaned.insert(p))
        orphanPoints.push_back(p);
    }
  }
}

void ConvexHull::addFacetFromEdge(const Edge& edge, const Vector3& eyePoint,
                                  const std::vector<Vector3>& orphanPoints,
                                  std::vector<std::int32_t>& newFacetIds) {
  Vector3 a = edge.start;
  Vector3 b = edge.end;
  Plane orientation;
  orientation.normal = cross(a - eyePoint, b - eyePoint);
  orientation.normal.normalize();
  orientation.offset = dot(orientation.normal, eyePoint);
  if (classify(orientation, interiorPoint, HULL_EPSILON) == PlaneSide::Back)
    std::swap(a, b);

  usedEyePoints_.insert(eyePoint);
  newFacetIds.push_back(nextFacetId);
  Facet f = triangleFacet(nextFacetId++, a, b, eyePoint);
  // An eye point lies on the facets it spans, but at large coordinates rounding can put it
  // behind one of them; were it taken back, the build could pick it again and never end.
  for (const Vector3& p : orphanPoints) {
    if (!usedEyePoints_.contains(p))
      f.offerPoint(p);
  }
  facets.push_back(std::move(f));
}
