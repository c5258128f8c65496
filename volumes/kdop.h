// k-DOPs, the discrete oriented polytopes of fixed plane directions, for k = 6 (the three
// coordinate axes), 14 (the axes and the four space diagonals, through a cube's corners), 18
// (the axes and the six face diagonals, through its edges) and 26 (all thirteen). Each is the
// intersection of k half-spaces whose offsets are the point set's support values in those
// directions, so it is found in one pass: a box with its corners, its edges or both cut off.
//
// Contract (stated once, here):
// - Directions: the 13 axes of the 26-DOP in a fixed order (scripts rely on it), plane 2j is
//   +d_j and plane 2j + 1 is -d_j for
//     j = 0, 1, 2:        x, y, z
//     j = 3 .. 8:         (1,1,0), (1,-1,0), (1,0,1), (1,0,-1), (0,1,1), (0,1,-1), over sqrt 2
//     j = 9 .. 12:        (1,1,1), (1,1,-1), (1,-1,1), (1,-1,-1), over sqrt 3
//   A smaller k-DOP keeps the planes of its directions in that same order: 6 the first six,
//   14 those and the last eight (j = 9 .. 12), 18 the first eighteen (j = 0 .. 8).
//   kdopDirection(k, i) is the unit direction of plane i of the k-DOP in double, the one
//   constant every user must take; k must be 6, 14, 18 or 26 (isKdopSize).
// - offsets[i] = max over the points of dot(kdopDirection(k, i), p) in double, so every point
//   satisfies dot(kdopDirection(k, i), p) <= offsets[i] exactly as evaluated that way. The
//   same plane has the same offset in every k-DOP that has it.
// - The polytope (for drawing and its volume) is the 6 axis planes' box clipped by the other
//   planes in their order, in double, with a tolerance of 1e-12 of the largest |offset|:
//   vertices closer than that are merged, planes that cut nothing off are left out (a plane
//   that only touches gives no face). Faces are convex loops of vertex indices,
//   counterclockwise seen from outside, each with the index of its plane; volume by the
//   divergence theorem.
// - Flat input gives volume 0 and the two sides of the flat polygon as faces; linear or
//   single-point input gives no faces. No points give zero offsets and an empty polytope.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"
#include "volumes/polytope_clip.h"

inline constexpr std::array<int, 4> KDOP_SIZES = {6, 14, 18, 26};

constexpr bool isKdopSize(int k) {
  return k == 6 || k == 14 || k == 18 || k == 26;
}

Vector3d kdopDirection(int k, int plane);

using KdopFace = PolytopeFace;  // plane: index into offsets

struct Kdop {
  int k = 0;
  std::vector<double> offsets;  // k of them
  std::vector<Vector3d> vertices;
  std::vector<KdopFace> faces;
  double volume = 0.0;
};

Kdop computeKdop(std::span<const Vector3> points, int k);
