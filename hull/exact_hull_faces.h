// Internals of buildExactHull, shared by its files only: from the triangles the build ends
// with to the hull's faces, corners and final triangles, and the hull of point sets that
// span less than a solid.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "hull/exact_hull.h"

// No index, in the build's lists of points and triangles.
inline constexpr std::int32_t NO_INDEX = -1;

// Points with a non-finite coordinate bound nothing and are left out of the hull.
inline bool finitePoint(const Vector3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// A triangle of the build: vertices counter-clockwise from outside, neighbors[k] across the
// edge from vertices[k] to vertices[(k + 1) % 3], as indices into the same list.
struct BuildTriangle {
  std::array<std::int32_t, 3> vertices{};
  std::array<std::int32_t, 3> neighbors{};
};

// Fills faces, vertices, triangles, area and volume of a Solid from the closed surface of
// the build: coplanar neighbours become one face, vertices that are no corner of a face
// (inside a face, on an edge) are dropped, each face is fanned from its first corner.
void finishSolid(std::span<const Vector3> points, const std::vector<BuildTriangle>& built,
                 ExactHull& hull);

// The hull of points whose finite ones span only `spanning` (1 to 3 affinely independent
// indices, found exactly): a Point (the first finite index), a Segment (its two ends, the
// lexicographically least and greatest points) or a Polygon.
ExactHull lowDimensionalHull(std::span<const Vector3> points,
                             std::span<const std::int32_t> spanning);

// Fills a Polygon from its corners in convex order seen from one side (no three collinear):
// both sides as faces, fanned, linked, its area.
void finishPolygon(std::span<const Vector3> points, std::vector<std::int32_t> corners,
                   ExactHull& hull);
