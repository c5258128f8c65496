// The demo's random point cloud: POINT_COUNT points with integer coordinates in -100..99.
#pragma once

#include <vector>

#include "geometry/vector3.h"

inline constexpr int POINT_COUNT = 20;

// Appends count points to points, drawing x, y and z of each in turn from the shared
// generator (three draws per point) as rand() % 200 - 100. rand() is never negative, so every
// coordinate is an integer from -100 to 99, exact in float. Duplicates are kept.
void appendRandomPoints(std::vector<Vector3>& points, int count);
