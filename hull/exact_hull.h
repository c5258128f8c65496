// The exact convex hull of float points: Quickhull (Barber, Dobkin and Huhdanpaa 1996) with
// every geometric decision taken by the exact orientation predicates of hull/orientation.h,
// so no tolerance decides what is a vertex. Beside the demo's own hull (hull/convex_hull.h),
// which keeps its absolute-tolerance rule for the program's 20 points, this is the hull of
// models and large clouds.
//
// Method: the dimension is decided exactly first. For a solid, a first polytope is the hull
// of the extreme points along 14 directions (the axes and the diagonals of a cube) or, past
// 2,000 points, of the 6 axis extremes and an even sample of 16 sqrt(n) points. Every other
// point strictly inside it is culled: an inner box and ball, proven to lie inside it, answer
// most points with a few comparisons, and the rest are located in the cones from an interior
// point through its triangles (hull/cone_locator.h), where the one triangle whose cone holds
// a point decides exactly whether it is inside. A point outside goes to the outside set of that
// triangle. Then, while a facet has an outside set, its farthest point is added: the facets it lies
// strictly outside of are found by walking from that facet across neighbours (the visible
// region of a convex polytope is connected), the region is replaced by a fan from the point
// to its horizon, and the region's outside points are handed to the new facets or dropped as
// inside. A point on a facet's plane is not outside it, so coplanar triangles appear; a last
// pass groups coplanar neighbours into faces, drops every vertex that is no corner of a face
// (a point inside a face or on an edge is no extreme point) and fans each face again from
// its corners.
//
// Contract (stated once, here):
// - Input: fewer than 2^31 float points; those with a non-finite coordinate are left out
//   (they bound nothing). The hull is that of the remaining points exactly as they are: no
//   normalisation, no tolerance, at any scale from subnormal to the float range.
// - dimension: None without finite points; Point when all are equal; Segment when all lie on
//   one line; Polygon when all lie in one plane; otherwise Solid. Each decided exactly.
// - vertices: the extreme points, ascending, each the smallest index among equal points.
// - faces: the hull's faces as convex polygons of corner vertices (no three collinear),
//   counter-clockwise seen from outside. A Polygon has two faces, its corners in one order
//   and in the reverse one (its two sides); Point and Segment have none.
// - triangles: each face fanned from its first corner, face by face, wound as the face; the
//   triangles form a closed 2-manifold (every edge in exactly two of them) with
//   F = 2V - 4 for Solid and Polygon. neighbors[k] is the triangle across the edge from
//   vertices[k] to vertices[(k + 1) % 3]. Every input point lies on or behind the plane of
//   every triangle by the exact predicate.
// - area: the surface area of a Solid, the area of a Polygon (once); volume: the enclosed
//   volume of a Solid, 0 otherwise. Both are summed in double from the float coordinates,
//   each triangle's area from its own corners; where the volume's sum lies within its
//   rounding bound of zero (a sliver), it is summed exactly, so a Solid's volume is positive.
// - Deterministic: the same input gives the same hull, bit for bit, on every run.
// - Memory: the input is read in place; the build keeps 8 bytes per input point (a link in
//   an outside set and a scratch entry) and, at its peak, about 190 bytes per hull triangle.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"

enum class HullDimension { None = -1, Point = 0, Segment = 1, Polygon = 2, Solid = 3 };

struct HullTriangle {
  std::array<std::int32_t, 3> vertices{};   // input indices
  std::array<std::int32_t, 3> neighbors{};  // triangle indices
  std::int32_t face = 0;                    // index into ExactHull::faces
};

struct ExactHull {
  HullDimension dimension = HullDimension::None;
  std::vector<std::int32_t> vertices;
  std::vector<std::vector<std::int32_t>> faces;
  std::vector<HullTriangle> triangles;
  double area = 0;
  double volume = 0;
};

ExactHull buildExactHull(std::span<const Vector3> points);
