// Points sampled on a model's surface, as a dense scan of it would give, for the benchmarks.
#pragma once

#include <array>
#include <random>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"

// Debian's assimp-testmodels: the duck is closed (every edge in two triangles), curved all
// over and has flat parts, as a scanned object has. The Wuson of the same collection has open
// seams.
inline constexpr const char* SCAN_MODEL = "/usr/share/assimp/models/Collada/duck.dae";

// The model's triangles as loaded, node transforms applied; empty when it cannot be read.
std::vector<std::array<Vector3d, 3>> modelTriangles(const char* path);

// Appends points to cloud until it holds count, uniform by area on SCAN_MODEL's surface: a
// triangle picked with probability proportional to its area, then a uniform point in it (the
// square root makes the barycentric pick uniform), computed in double and rounded to float.
// Appends nothing when the model cannot be read.
void sampleSurface(std::mt19937& rng, std::vector<Vector3>& cloud, int count);
