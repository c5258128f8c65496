// 26-DOP: the discrete oriented polytope of 26 fixed plane directions, the three coordinate
// axes, the six face diagonals and the four space diagonals, each with both signs. Its offsets
// are the point set's support values in those directions, so it is found in one pass, and it
// is the intersection of the 26 half-spaces: a box with its edges and corners cut off.
//
// Contract (stated once, here):
// - Plane order (fixed; scripts rely on it): plane 2j is +d_j and plane 2j + 1 is -d_j for
//     j = 0, 1, 2:        x, y, z
//     j = 3 .. 8:         (1,1,0), (1,-1,0), (1,0,1), (1,0,-1), (0,1,1), (0,1,-1), over sqrt 2
//     j = 9 .. 12:        (1,1,1), (1,1,-1), (1,-1,1), (1,-1,-1), over sqrt 3
//   dop26Direction(k) is the unit direction of plane k in double, the one constant every user
//   must take.
// - offsets[k] = max over the points of dot(dop26Direction(k), p) in double, so every point
//   satisfies dot(dop26Direction(k), p) <= offsets[k] exactly as evaluated that way.
// - The polytope (for drawing and its volume) is the 6 axis planes' box clipped by the other
//   20 planes in double, with a tolerance of 1e-12 of the coordinates' magnitude: vertices
//   closer than that are merged, planes that cut nothing off are left out (so a plane that
//   only touches gives no face). Faces are convex loops of vertex indices, counterclockwise
//   seen from outside, each with the plane it lies in; volume by the divergence theorem.
// - Flat input gives volume 0 and the two sides of the flat polygon as faces; linear or
//   single-point input gives no faces. No points give zero offsets and an empty polytope.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"

inline constexpr int DOP26_PLANES = 26;

Vector3d dop26Direction(int plane);

struct Dop26Face {
  int plane = 0;
  std::vector<std::int32_t> loop;
};

struct Dop26 {
  std::array<double, DOP26_PLANES> offsets{};
  std::vector<Vector3d> vertices;
  std::vector<Dop26Face> faces;
  double volume = 0.0;
};

Dop26 dop26(std::span<const Vector3> points);
