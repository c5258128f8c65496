// Point location in the cones of a convex polytope's triangles, seen from a point inside it:
// the cones from a centre strictly inside through each triangle tile space, so the triangle
// whose cone holds a point p is the only one whose plane can tell whether p is in the
// polytope (p is in it exactly when it is on or behind that plane: it is then a convex
// combination of the centre and a point of the triangle). A cube map of directions from the
// centre gives a first guess; a walk across the sides p lies beyond ends at the cone. All
// tests are the exact predicates of hull/orientation.h; only the guess is approximate.
//
// Contract (stated once, here):
// - build: triangles are the closed surface of a convex solid, counter-clockwise seen from
//   outside, neighbors[k] across the side from vertices[k] to vertices[(k + 1) % 3]. False,
//   with nothing located afterwards, when no float point could be shown to lie strictly
//   inside (a polytope far too thin for its mean to round inside).
// - locate(p): an index of a triangle whose closed cone holds p, decided exactly, or -1 when
//   the walk gives up (it is bounded; the caller then tests every triangle).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "hull/exact_hull_faces.h"
#include "hull/orientation.h"

class ConeLocator {
 public:
  bool build(std::span<const Vector3> points, std::vector<BuildTriangle> triangles);
  std::int32_t locate(const Vector3& p) const;

 private:
  std::int32_t walk(const Vector3& p, std::int32_t start) const;
  std::size_t cellOf(const Vector3& p) const;

  static constexpr int GRID = 16;  // cells along each side of a cube-map face
  std::span<const Vector3> points_;
  std::vector<BuildTriangle> triangles_;
  std::vector<OrientationPlane> sides_;  // 3 per triangle: (centre, v[k], v[k + 1])
  std::vector<std::int32_t> cells_;      // 6 * GRID * GRID first guesses
  Vector3 centre_;
};
