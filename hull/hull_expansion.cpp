// Growth of the hull, one eye point per step: the facets that see the eye point are
// replaced by a fan of triangles from the eye point to their horizon, and their outside
// points are handed to the new triangles.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "hull/convex_hull.h"
#include "hull/hull_builder.h"

namespace {

bool isFinite(const Vector3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

void ConvexHull::build(const std::vector<Vector3>& points) {
  // A point with a non-finite coordinate bounds nothing, and planes through it are not a
  // number: their sides never link. Leave such points out; finite input is used as it is.
  std::vector<Vector3> finitePoints;
  const bool allFinite = std::all_of(points.begin(), points.end(), isFinite);
  if (!allFinite)
    std::copy_if(points.begin(), points.end(), std::back_inserter(finitePoints), isFinite);
  const std::vector<Vector3>& input = allFinite ? points : finitePoints;
  if (input.empty()) {
    buildInitialSimplex(input);  // four facets on the origin, and nothing to grow
    return;
  }
  // The stages below, with indexes instead of scans of the facet list.
  buildIndexed(*this, input);
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

  for (const Vector3& eye : pendingEyePoints_)
    usedEyePoints_.insert(eye);
  pendingEyePoints_.clear();
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
