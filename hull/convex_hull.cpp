// The hull's data model: classification of points against a plane with an absolute
// tolerance, outside sets, and neighbour links found by comparing edge coordinates. Facet
// planes by Newell's method are inline in the header, for the build's sake.
#include "hull/convex_hull.h"
#include "hull/hull_builder.h"

#include <algorithm>
#include <array>
#include <cmath>

void Facet::setVertices(std::span<const Vector3> loop) {
  planeValid = false;
  vertices.assign(loop.begin(), loop.end());
  triangleIndices.clear();
  triangleIndices.reserve(vertices.size() < 3 ? 0 : 3 * (vertices.size() - 2));
  const auto count = static_cast<std::int32_t>(vertices.size());
  for (std::int32_t k = 2; k < count; ++k) {
    triangleIndices.push_back(0);
    triangleIndices.push_back(k - 1);
    triangleIndices.push_back(k);
  }
}

Facet triangleFacet(std::int32_t id, const Vector3& a, const Vector3& b, const Vector3& c) {
  Facet f;
  f.id = id;
  const std::array<Vector3, 3> loop = {a, b, c};
  f.setVertices(loop);
  f.edges = {Edge{a, b, -1}, Edge{b, c, -1}, Edge{c, a, -1}};
  return f;
}

const Plane& Facet::getPlane() {
  if (!planeValid) {
    plane = planeOfPolygon(vertices);
    planeValid = true;
  }
  return plane;
}

void Facet::offerPoint(const Vector3& p) {
  const Plane& pl = getPlane();
  if (classify(pl, p, HULL_EPSILON) != PlaneSide::Back)
    return;
  outsidePoints.push_back(p);
  const float dist = dot(pl.normal, p) - pl.offset;
  if (dist < farthestDistance) {
    farthestDistance = dist;
    farthestPoint = p;
  }
}

PlaneSide classify(const Plane& plane, const Vector3& p, float tolerance) {
  const float d = dot(plane.normal, p) - plane.offset;
  if (d < -tolerance)
    return PlaneSide::Back;
  if (d <= tolerance)
    return PlaneSide::On;
  // A degenerate (not-a-number) plane must never make a point visible or inside.
  if (std::isnan(d))
    return PlaneSide::On;
  return PlaneSide::Front;
}

bool sidesMatch(const Edge& e, const Edge& g) {
  return (nearlyEqual(e.start, g.start, EDGE_MATCH_TOLERANCE) &&
          nearlyEqual(e.end, g.end, EDGE_MATCH_TOLERANCE)) ||
         (nearlyEqual(e.start, g.end, EDGE_MATCH_TOLERANCE) &&
          nearlyEqual(e.end, g.start, EDGE_MATCH_TOLERANCE));
}

void ConvexHull::linkNeighbors(std::int32_t id) {
  const auto self =
      std::find_if(facets.begin(), facets.end(), [id](const Facet& f) { return f.id == id; });
  Facet& facet = *self;
  for (Edge& e : facet.edges) {
    bool linked = false;
    for (Facet& other : facets) {
      if (other.id == facet.id)
        continue;
      for (Edge& g : other.edges) {
        if (sidesMatch(e, g)) {
          e.neighbor = other.id;
          g.neighbor = facet.id;
          linked = true;
          break;
        }
      }
      if (linked)
        break;
    }
  }
}
