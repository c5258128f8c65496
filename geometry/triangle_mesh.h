// A named triangle mesh: the plain value that carries a shape from the geometry code that
// builds it to whatever writes it out, so neither needs to know the other.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vector3.h"

struct TriangleMesh {
  std::string name;
  std::vector<Vector3> vertices;
  // Indices into vertices, counter-clockwise seen from outside where the mesh bounds a solid.
  std::vector<std::array<std::uint32_t, 3>> triangles;
};
