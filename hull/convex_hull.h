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
// - Points with a non-finite coordinate bound nothing: `build` leaves them out of the hull
//   (the stages below, called directly, take the points as they are).
// - `build` ends with at most 2n facets for n >= 2 points (fewer give the four facets of the
//   first tetrahedron), on every input: a step that would pass
//   2n facets ends the build. A closed hull of v vertices has 2v - 4 facets, so only a
//   surface that no longer closes gets there: sides that fail to link, far beyond the range
//   the absolute tolerances suit (1e9 beside points within 100), are taken into horizon
//   after horizon. The points still outside are then left behind their facets, and the
//   outside sets are emptied. Where every side links, the rule never acts.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "hull/inline_vector.h"
#include "hull/point_set.h"

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

// A triangle, the usual facet, keeps its loop, fan and sides inline (no allocation); longer
// loops spill to the heap.
struct Facet {
  InlineVector<Vector3, 3> vertices;              // loop wound so that its normal points inward
  InlineVector<std::int32_t, 3> triangleIndices;  // fan (0, k-1, k) into `vertices`
  Plane plane;                                    // cache, valid only while planeValid
  bool planeValid = false;
  InlineVector<Edge, 3> edges;  // the loop's sides in loop order
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

// A triangular facet with this id: loop (a, b, c), its fan, and the unlinked edges a-b, b-c,
// c-a; plane not yet computed, outside set empty.
Facet triangleFacet(std::int32_t id, const Vector3& a, const Vector3& b, const Vector3& c);

// Newell's normal of a vertex loop, normalised; collinear or coincident loops give NaN.
// Inline: the build makes a plane for every facet it creates.
inline Vector3 polygonNormal(std::span<const Vector3> loop) {
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
// normal = polygonNormal(loop); offset = dot(normal, loop[0]).
inline Plane planeOfPolygon(std::span<const Vector3> loop) {
  Plane plane;
  plane.normal = polygonNormal(loop);
  plane.offset = dot(plane.normal, loop[0]);
  return plane;
}
// Back when d < -tolerance, On when d <= tolerance (and for a NaN distance), else Front.
PlaneSide classify(const Plane& plane, const Vector3& p, float tolerance);

class ConvexHull {
 public:
  std::vector<Facet> facets;
  std::int32_t nextFacetId = 0;
  Vector3 interiorPoint = Vector3::ZERO;
  std::int32_t expansionSteps = 0;  // eye points added by build after the first tetrahedron

  // Builds the hull of points on a freshly constructed object; call once.
  void build(const std::vector<Vector3>& points);
  // Stitches the facet with this id to the facets that share its sides (first match in list
  // order wins; both directions of a side match).
  void linkNeighbors(std::int32_t id);

  // The literal stages of the hull, kept as its readable statement and public so that tests
  // can drive them one step at a time. build yields the same hull, bit for bit, as running
  // them step after step: buildInitialSimplex; then, while a facet has outside points, with
  // the farthest point of the first such facet in list order as eye point, findHorizon,
  // addFacetFromEdge for every horizon edge in order, the removal of the seen facets and
  // linkNeighbors for every new facet (ending early as the 2n-facet rule above says). build
  // itself calls only buildInitialSimplex, and that only for input without a finite point;
  // everything else goes through the indexed build of hull/hull_builder.h. Only the tests
  // call the other stages: the reference build beside them (hull/tests/reference_hull.h)
  // grows the hull by these stages, and the indexed build is checked against it.

  // Four facets (ids 0 to 3) on extreme points of the cloud, linked and with outside sets.
  // When the extreme points leave the base triangle or the apex degenerate, the point
  // farthest from the base line, respectively plane, is taken instead.
  void buildInitialSimplex(const std::vector<Vector3>& points);
  // Empties and fills the outputs for one eye point: ids (ascending) of the facets that see
  // it (it lies more than HULL_EPSILON behind them), their edges towards unseen facets, and
  // their outside points, each distinct point once, in order of first occurrence.
  void findHorizon(const Vector3& eyePoint, std::vector<Edge>& horizon,
                   std::vector<std::int32_t>& visibleIds, std::vector<Vector3>& orphanPoints);
  // Appends the triangle (edge, eyePoint), wound with its normal towards interiorPoint, and
  // offers it every orphan point except the eye points of this and all earlier steps.
  void addFacetFromEdge(const Edge& edge, const Vector3& eyePoint,
                        const std::vector<Vector3>& orphanPoints,
                        std::vector<std::int32_t>& newFacetIds);

 private:
  // The indexed build fills these as the stages would have.
  friend void buildIndexed(ConvexHull& hull, const std::vector<Vector3>& points);
  PointSet usedEyePoints_;
  std::vector<Vector3> pendingEyePoints_;  // eye points of build, not yet in usedEyePoints_
};
