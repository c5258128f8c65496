// The eight corners of an oriented box and its six faces as corner loops, in drawing order.
//
// Corner k is center + s0*h0*a0 + s1*h1*a1 + s2*h2*a2 with the signs
//   k:   0  1  2  3  4  5  6  7
//   s0:  -  -  +  +  -  -  +  +
//   s1:  +  -  -  +  +  -  -  +
//   s2:  +  +  +  +  -  -  -  -
// Each face lists its four corners so that consecutive ones share a box edge.
#pragma once

#include <array>

#include "bounds/box_fit.h"
#include "geometry/vector3.h"

// Sides, in drawing order: +a2, +a0, -a2, -a0, +a1, -a1.
inline constexpr int BOX_FACES[6][4] = {
    {0, 1, 2, 3}, {3, 2, 6, 7}, {7, 6, 5, 4}, {4, 5, 1, 0}, {4, 0, 3, 7}, {1, 5, 6, 2},
};

// In float, as written above; a box with zero halfLengths collapses to its center.
std::array<Vector3, 8> boxCorners(const OBB& box);
