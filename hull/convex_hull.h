// Incremental 3D convex hull in the QuickHull manner, grown one eye point at a time from a
// first tetrahedron. Unlike the textbook scheme, a point is kept in the outside set of every
// facet it lies outside of, not handed to a single facet.
//
// Contract (stated once, here):
// - All geometry is 32-bit float; every point-against-plane test uses the absolute
//   tolerance HULL_EPSILON on signed distances. Edges of different facets are matched by
//   coordinates, each squared difference strictly below EDGE_MATCH_TOLERANCE.
// - Facet normals point INTO the hull: the signed distance dot(normal, p) - offset is
//   positive inside, negative outside.
// - `facets` is ordered: new facets are appended, removed ones are taken out where they
//   stand, the rest keep their order; ids come from `nextFacetId` and increase along the list.
// - Readers outside the hull (box fit, minimal sphere, scene) read only `facets` in list
//   order and per facet `vertices` and `triangleIndices`.
// - Nothing reports errors. Degenerate input gives degenerate facets (not-a-number planes)
//   and `build` still ends.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"

inline constexpr float HULL_EPSILON = 0.001f;
inline constexpr float EDGE_MATCH_TOLERANCE = 0.000001f;

enum class PlaneSide { Front = 2, Back = 4, On = 6 };

struct Plane {
  Vector3 normal;       // unit length for a proper facet
  float offset = 0.0f;  // a point x lies on the plane when dot(normal, x) == offset
};

struct Edge {
  Vector3 start;
  Vector3 end;
  std::int32_t neighbor = -1;  // id of the facet across this edge; -1 while unlinked
};

struct Facet {
  std::vector<Vector3> vertices;             // loop wound so that its normal points inward
  std::vector<std::int32_t> triangleIndices;  // fan (0, k-1, k) into `vertices`
  Plane plane;                               // cache, valid only while planeValid
  bool planeValid = false;
  std::vector<Edge> edges;  // the loop's sides in loop order
  std::vector<Vector3> outsidePoints;
  Vector3 farthestPoint;          // outside point of smallest signed distance
  float farthestDistance = 0.0f;  // its signed distance (negative once set)
  std::int32_t id = 0;

  // Replaces the loop, refills the triangle fan and marks the plane stale; other fields stay.
  void setVertices(std::span<const Vector3> loop);
  // The plane of the current loop, computed on first use after setVertices and cached.
  const Plane& getPlane();
  // Keeps p when it lies behind the plane by more than HULL_EPSILON; a strictly farther
  // point replaces farthestPoint, so on equal distances the earlier one stays.
  void offerPoint(const Vector3& p);
};

// Newell's normal of a vertex loop, normalised; collinear or coincident loops give NaN.
Vector3 polygonNormal(std::span<const Vector3> loop);
// normal = polygonNormal(loop); offset = dot(normal, loop[0]).
Plane planeOfPolygon(std::span<const Vector3> loop);
// Back when d < -tolerance, On when d <= tolerance (and for a NaN distance), else Front.
PlaneSide classify(const Plane& plane, const Vector3& p, float tolerance);

class ConvexHull {
 public:
  std::vector<Facet> facets;
  std::int32_t nextFacetId = 0;
  Vector3 interiorPoint = Vector3::ZERO;

  // Builds the hull of points on a freshly constructed object; call once.
  void build(const std::vector<Vector3>& points);
  // Stitches the facet with this id to the facets that share its sides (first match in list
  // order wins; both directions of a side match).
  void linkNeighbors(std::int32_t id);

  // Stages of build, public so that tests can drive them one at a time.
  void buildInitialSimplex(const std::vector<Vector3>& points);
  void findHorizon(const Vector3& eyePoint, std::vector<Edge>& horizon,
                   std::vector<std::int32_t>& visibleIds, std::vector<Vector3>& orphanPoints);
  void addFacetFromEdge(const Edge& edge, const Vector3& eyePoint,
                        const std::vector<Vector3>& orphanPoints,
                        std::vector<std::int32_t>& newFacetIds);
};
