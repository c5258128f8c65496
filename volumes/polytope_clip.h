// A convex polytope as a set of face polygons, cut down one plane at a time: the
// construction the k-DOPs and the reduced hull share. Clipping is Sutherland-Hodgman on each
// face, and the cut is closed by the planar convex outline (Andrew's monotone chain) of the
// points on the cutting plane; indexing merges the faces' corners into shared vertices.
//
// Contract (stated once, here):
// - Everything is double. A polygon's points are counterclockwise seen from outside; plane
//   is the caller's label of the plane it lies in.
// - clipPolygons keeps the part of the polytope with dot(normal, p) <= offset. A point within
//   tolerance of the plane counts as on it; when no point lies more than tolerance outside,
//   nothing changes and it returns false (a plane that only touches adds no face).
// - indexPolygons merges points closer than tolerance into one vertex (in order of first
//   use), drops faces with fewer than three distinct corners and sums the volume by the
//   divergence theorem from the first vertex (0 for a flat or empty set, never negative).
// - estimatedVertexCount is Euler's V = E - F + 2 on the polygons as they are, without
//   merging: exact for a closed set whose corners are distinct by more than the tolerance.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/vector3d.h"

struct ClipPolygon {
  int plane = 0;
  std::vector<Vector3d> points;
};

struct PolytopeFace {
  int plane = 0;
  std::vector<std::int32_t> loop;
};

struct IndexedPolytope {
  std::vector<Vector3d> vertices;
  std::vector<PolytopeFace> faces;
  double volume = 0.0;
};

// The six faces of the box lo <= dot(axes[i], p) <= hi for orthonormal right-handed axes,
// face 2i on +axes[i] (labelled planes[2i]) and face 2i + 1 on -axes[i].
std::vector<ClipPolygon> boxPolygons(const Vector3d (&axes)[3], const double (&lo)[3],
                                     const double (&hi)[3], const int (&planes)[6]);

bool clipPolygons(std::vector<ClipPolygon>& faces, const Vector3d& normal, double offset, int plane,
                  double tolerance);

IndexedPolytope indexPolygons(const std::vector<ClipPolygon>& faces, double tolerance);

long estimatedVertexCount(const std::vector<ClipPolygon>& faces);

// Volume of the polygons by the divergence theorem (as indexPolygons, without merging).
double polygonsVolume(const std::vector<ClipPolygon>& faces);
