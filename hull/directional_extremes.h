// The first simplex's candidates and the start of the exact hull's cull: the points extreme
// along the three axes and, with `diagonals`, the four diagonals of a cube, both ways.
//
// Contract (stated once, here):
// - Returns, ascending and without repeats, for each of the 6 or 14 directions the first index of a
// finite
//   point whose value along it is the largest, values compared in float (they only choose;
//   nothing is decided by them). Points with a non-finite coordinate are passed over; none
//   finite gives an empty list. The axis extremes are exact (a float comparison of one
//   coordinate), so all returned points are equal only when all finite points are.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"

std::vector<std::int32_t> directionalExtremes(std::span<const Vector3> points, bool diagonals);
