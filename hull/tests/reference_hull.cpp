// The reference hull: the data model, first tetrahedron and growth by literal scans, as the
// library had them before its build was given indexes. See reference_hull.h.
#include "hull/tests/reference_hull.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <utility>

namespace reference {

void Facet::setVertices(std::span<const Vector3> loop) {
  planeValid = false;
  vertices.assign(loop.begin(), loop.end());
  triangleIndices.clear();
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

Vector3 polygonNormal(std::span<const Vector3> loop) {
  // Summed in single precision from zero, side by side in loop order, closing side last.
  Vector3 n = Vector3::ZERO;
  const std::size_t count = loop.size();
  for (std::size_t i = 0; i < count; ++i) {
    const Vector3& vi = loop[i];
    const Vector3& vj = loop[i + 1 < count ? i + 1 : 0];
    n.x += (vi.y - vj.y) * (vi.z + vj.z);
    n.y += (vi.z - vj.z) * (vi.x + vj.x);
    n.z += (vi.x - vj.x) * (vi.y + vj.y);
  }
  n.normalize();
  return n;
}

Plane planeOfPolygon(std::span<const Vector3> loop) {
  Plane plane;
  plane.normal = polygonNormal(loop);
  plane.offset = dot(plane.normal, loop[0]);
  return plane;
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

namespace {

bool sameSide(const Edge& e, const Edge& g) {
  return (nearlyEqual(e.start, g.start, EDGE_MATCH_TOLERANCE) &&
          nearlyEqual(e.end, g.end, EDGE_MATCH_TOLERANCE)) ||
         (nearlyEqual(e.start, g.end, EDGE_MATCH_TOLERANCE) &&
          nearlyEqual(e.end, g.start, EDGE_MATCH_TOLERANCE));
}

}  // namespace

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
        if (sameSide(e, g)) {
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

namespace {

constexpr std::array<int, 3> NEXT_AXIS = {1, 2, 0};
// A normalised normal shorter than this is taken as degenerate (it is then not-a-number).
constexpr double MIN_NORMAL_LENGTH = 1.0 - 0.1;

Vector3 baseNormal(const Vector3& p0, const Vector3& p1, const Vector3& p2) {
  Vector3 n = cross(p1 - p0, p2 - p0);
  n.normalize();
  return n;
}

bool isProperNormal(const Vector3& n) {
  return length(n) >= MIN_NORMAL_LENGTH;
}

}  // namespace

void ConvexHull::buildInitialSimplex(const std::vector<Vector3>& points) {
  // Slot 2k: smallest on axis k; slot 2k + 1: largest. Strict tests keep the earliest.
  std::array<Vector3, 6> extremePoints{};
  Vector3 minimum = Vector3::POSITIVE_INFINITY;
  Vector3 maximum = -Vector3::POSITIVE_INFINITY;
  for (const Vector3& p : points) {
    for (int k = 0; k < 3; ++k) {
      if (p[k] < minimum[k]) {
        extremePoints[2 * k] = p;
        minimum[k] = p[k];
      }
      if (p[k] > maximum[k]) {
        extremePoints[2 * k + 1] = p;
        maximum[k] = p[k];
      }
    }
  }

  const Vector3 extent = maximum - minimum;
  int a = extent.y > extent.x ? 1 : 0;
  if (extent.z > extent[a])
    a = 2;
  const int b = NEXT_AXIS[a];
  const int c = NEXT_AXIS[b];

  Vector3 p0 = extremePoints[2 * a];
  const Vector3 p1 = extremePoints[2 * a + 1];
  Vector3 p2 = extremePoints[2 * b];
  Vector3 n = baseNormal(p0, p1, p2);
  if (!isProperNormal(n)) {
    p2 = extremePoints[2 * b + 1];
    n = baseNormal(p0, p1, p2);
  }
  if (!isProperNormal(n)) {
    // Both extremes on b lie on the line P0 P1 although the cloud may not: take the point
    // farthest from that line. The first of equals wins; a not-a-number value never does.
    float best = 0.0f;
    const Vector3* farthest = nullptr;
    for (const Vector3& p : points) {
      const Vector3 w = cross(p1 - p0, p - p0);
      const float value = dot(w, w);
      if (value > best) {
        best = value;
        farthest = &p;
      }
    }
    if (farthest != nullptr) {
      p2 = *farthest;
      n = baseNormal(p0, p1, p2);
    }
  }

  const Plane base{n, dot(n, p0)};
  Vector3 p3 = extremePoints[2 * c];
  if (classify(base, p3, HULL_EPSILON) == PlaneSide::On) {
    p3 = extremePoints[2 * c + 1];
    if (classify(base, p3, HULL_EPSILON) == PlaneSide::On) {
      // Both extremes on c lie in the base plane: take the point farthest from it, if any
      // lies off it by more than the tolerance.
      float best = 0.0f;
      const Vector3* farthest = nullptr;
      for (const Vector3& p : points) {
        const float distance = std::fabs(dot(n, p) - base.offset);
        if (distance > best) {
          best = distance;
          farthest = &p;
        }
      }
      if (best > HULL_EPSILON)
        p3 = *farthest;
    }
  }

  interiorPoint = (((p0 + p1) + p2) + p3) * 0.25f;
  // The centroid lies a quarter as far from the base plane as the apex. When the apex is
  // behind the plane by more than the tolerance but the centroid is not, the tetrahedron is
  // still wound outward unless turned, and every face would be built three times over.
  if (classify(base, interiorPoint, HULL_EPSILON) == PlaneSide::Back ||
      classify(base, p3, HULL_EPSILON) == PlaneSide::Back)
    std::swap(p0, p2);

  // Each side appears in two of these loops in opposite directions: wound alike, inward.
  const std::size_t first = facets.size();
  facets.push_back(triangleFacet(nextFacetId++, p0, p1, p2));
  facets.push_back(triangleFacet(nextFacetId++, p1, p0, p3));
  facets.push_back(triangleFacet(nextFacetId++, p2, p1, p3));
  facets.push_back(triangleFacet(nextFacetId++, p0, p2, p3));

  for (std::size_t i = first; i < first + 4; ++i) {
    linkNeighbors(facets[i].id);
    for (const Vector3& p : points)
      facets[i].offerPoint(p);
  }
}

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
  buildInitialSimplex(input);

  // A closed triangulated hull of v vertices has 2v - 4 facets, so a step that would pass
  // 2n facets can only come from a surface that no longer closes (far beyond the range the
  // absolute tolerances suit, planes are mostly rounding). Growing it further would only add
  // facets on facets; the build ends there instead.
  const std::size_t facetLimit = 2 * input.size();

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
    if (facets.size() - visibleIds.size() + horizon.size() > facetLimit) {
      // The points still outside stay behind their facets; a finished hull holds no
      // outside sets.
      for (Facet& f : facets)
        f.outsidePoints.clear();
      break;
    }
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

}  // namespace reference
