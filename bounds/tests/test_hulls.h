// Hulls shared by the bounds tests: the program's kind of random cloud, and a box-shaped
// hull whose moment matrix is exactly diagonal, so its fitted box is known by hand.
#pragma once

#include <random>
#include <vector>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

// 20 points with integer coordinates in [-100, 99], as the program draws them.
inline std::vector<Vector3> programCloud(std::mt19937& rng) {
  std::uniform_int_distribution<int> coordinate(-100, 99);
  std::vector<Vector3> cloud;
  for (int i = 0; i < 20; ++i) {
    const float x = static_cast<float>(coordinate(rng));
    const float y = static_cast<float>(coordinate(rng));
    const float z = static_cast<float>(coordinate(rng));
    cloud.emplace_back(x, y, z);
  }
  return cloud;
}

// The surface of the box [-h, h], each face split into four triangles fanned from its
// centre, listed as: for the faces +x, +y, +z, each triangle followed by its point
// reflection. With half-lengths of short mantissas (small integers times powers of two)
// every partial sum of the fit is exact and cancels: the reference point is the origin,
// the moment matrix is diagonal, and the fitted box is exact.
inline ConvexHull boxShapedHull(const Vector3& h) {
  ConvexHull hull;
  for (int k = 0; k < 3; ++k) {
    const int u = (k + 1) % 3;
    const int v = (k + 2) % 3;
    Vector3 centre;
    centre[k] = h[k];
    const float cu[4] = {h[u], -h[u], -h[u], h[u]};
    const float cv[4] = {h[v], h[v], -h[v], -h[v]};
    for (int i = 0; i < 4; ++i) {
      Vector3 a = centre;
      Vector3 b = centre;
      a[u] = cu[i];
      a[v] = cv[i];
      b[u] = cu[(i + 1) % 4];
      b[v] = cv[(i + 1) % 4];
      Facet triangle;
      triangle.setVertices(std::vector<Vector3>{centre, a, b});
      hull.facets.push_back(triangle);
      triangle.setVertices(std::vector<Vector3>{-centre, -a, -b});
      hull.facets.push_back(triangle);
    }
  }
  return hull;
}
