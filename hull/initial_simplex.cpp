// The first tetrahedron of the hull: picked from the extreme points of the cloud along its
// longest axis, wound inward about its centroid, linked, and given its outside sets.
#include <array>
#include <cmath>
#include <utility>

#include "hull/convex_hull.h"
#include "hull/hull_builder.h"

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

SimplexCorners chooseSimplexCorners(std::span<const Vector3> points) {
  // Slot 2k: smallest on axis k; slot 2k + 1: largest. Strict tests keep the earliest.
  std::array<std::int32_t, 6> extremes{-1, -1, -1, -1, -1, -1};
  Vector3 minimum = Vector3::POSITIVE_INFINITY;
  Vector3 maximum = -Vector3::POSITIVE_INFINITY;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vector3& p = points[i];
    for (int k = 0; k < 3; ++k) {
      if (p[k] < minimum[k]) {
        extremes[2 * k] = static_cast<std::int32_t>(i);
        minimum[k] = p[k];
      }
      if (p[k] > maximum[k]) {
        extremes[2 * k + 1] = static_cast<std::int32_t>(i);
        maximum[k] = p[k];
      }
    }
  }
  // An axis with no extreme (no points) gives the origin, as a default point would.
  const auto at = [&points](std::int32_t i) {
    return i < 0 ? Vector3::ZERO : points[static_cast<std::size_t>(i)];
  };

  const Vector3 extent = maximum - minimum;
  int a = extent.y > extent.x ? 1 : 0;
  if (extent.z > extent[a])
    a = 2;
  const int b = NEXT_AXIS[a];
  const int c = NEXT_AXIS[b];

  std::int32_t i0 = extremes[2 * a];
  const std::int32_t i1 = extremes[2 * a + 1];
  std::int32_t i2 = extremes[2 * b];
  const Vector3 p0 = at(i0);
  const Vector3 p1 = at(i1);
  Vector3 n = baseNormal(p0, p1, at(i2));
  if (!isProperNormal(n)) {
    i2 = extremes[2 * b + 1];
    n = baseNormal(p0, p1, at(i2));
  }
  if (!isProperNormal(n)) {
    // Both extremes on b lie on the line P0 P1 although the cloud may not: take the point
    // farthest from that line. The first of equals wins; a not-a-number value never does.
    float best = 0.0f;
    std::int32_t farthest = -1;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Vector3 w = cross(p1 - p0, points[i] - p0);
      const float value = dot(w, w);
      if (value > best) {
        best = value;
        farthest = static_cast<std::int32_t>(i);
      }
    }
    if (farthest >= 0) {
      i2 = farthest;
      n = baseNormal(p0, p1, at(i2));
    }
  }

  const Plane base{n, dot(n, p0)};
  std::int32_t i3 = extremes[2 * c];
  if (classify(base, at(i3), HULL_EPSILON) == PlaneSide::On) {
    i3 = extremes[2 * c + 1];
    if (classify(base, at(i3), HULL_EPSILON) == PlaneSide::On) {
      // Both extremes on c lie in the base plane: take the point farthest from it, if any
      // lies off it by more than the tolerance.
      float best = 0.0f;
      std::int32_t farthest = -1;
      for (std::size_t i = 0; i < points.size(); ++i) {
        const float distance = std::fabs(dot(n, points[i]) - base.offset);
        if (distance > best) {
          best = distance;
          farthest = static_cast<std::int32_t>(i);
        }
      }
      if (best > HULL_EPSILON)
        i3 = farthest;
    }
  }

  SimplexCorners corners;
  corners.interiorPoint = (((p0 + at(i1)) + at(i2)) + at(i3)) * 0.25f;
  // The centroid lies a quarter as far from the base plane as the apex. When the apex is
  // behind the plane by more than the tolerance but the centroid is not, the tetrahedron is
  // still wound outward unless turned, and every face would be built three times over.
  if (classify(base, corners.interiorPoint, HULL_EPSILON) == PlaneSide::Back ||
      classify(base, at(i3), HULL_EPSILON) == PlaneSide::Back)
    std::swap(i0, i2);
  corners.index = {i0, i1, i2, i3};
  for (int k = 0; k < 4; ++k)
    corners.point[static_cast<std::size_t>(k)] = at(corners.index[static_cast<std::size_t>(k)]);
  return corners;
}

void ConvexHull::buildInitialSimplex(const std::vector<Vector3>& points) {
  const SimplexCorners corners = chooseSimplexCorners(points);
  interiorPoint = corners.interiorPoint;
  const auto& [p0, p1, p2, p3] = corners.point;

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
