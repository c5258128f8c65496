// A reduced hull: a convex polytope of at most N vertices that holds the whole exact hull,
// the bounded-complexity stand-in for a hull that physics and collision code want. Greedy
// plane cutting: a box (along the axes given, or the hull vertices' principal axes) is cut,
// one plane at a time, by supporting planes of the hull itself. Each step looks at the polytope
// corners that lie farthest outside some hull face plane, tries that plane for the few deepest, and
// keeps the cut that removes the most volume while the polytope keeps at most N vertices.
//
// Contract (stated once, here):
// - Input: points finite, hull = buildExactHull(points); maxVertices >= 4 (smaller counts are
//   treated as 4).
// - Every face carries its plane: a unit normal (to rounding) and an offset, and every input
//   point p, evaluated in double, satisfies dot(normal, p) <= offset. Offsets are the largest
//   such product over the hull vertices plus a bound on the rounding of both evaluations, so
//   the polytope holds the exact hull; it is never smaller than the hull.
// - vertices: at most maxVertices, the corners of the intersection of the faces' half-spaces
//   (computed in double, merged within 1e-12 of the coordinates' magnitude); faces: convex
//   loops of them counterclockwise seen from outside; volume by the divergence theorem.
// - A solid hull of at most maxVertices vertices is returned as it is (its own faces, its
//   volume). A flat, linear or single-point hull with at most maxVertices corners is returned
//   as its corners (a flat one with its two sides as faces), volume 0; a flat one with more
//   gets the box of its principal axes, a sheet of 4 corners.
// - Deterministic, no draws from rand(); about N/2 cuts, each costing one scan of the hull's
//   faces for the new corners.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"
#include "hull/exact_hull.h"
#include "volumes/oriented_box.h"

struct ReducedHullFace {
  Vector3d normal;
  double offset = 0.0;
  std::vector<std::int32_t> loop;
};

struct ReducedHull {
  int maxVertices = 0;
  std::vector<Vector3d> vertices;
  std::vector<ReducedHullFace> faces;
  double volume = 0.0;
};

// startAxes, when given, replace the principal axes as the start box's (any three directions
// spanning space; they are made orthonormal): with the minimum-volume box's axes the result is
// never larger than that box, up to the planes' rounding room.
ReducedHull reducedHull(std::span<const Vector3> points, const ExactHull& hull, int maxVertices,
                        const BoxAxes* startAxes = nullptr);
