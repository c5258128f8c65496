// Clouds, transformations and an independent volume for the tests of the engines' volumes.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/vector3d.h"
#include "hull/tests/qhull_run.h"

namespace volumestest {

// A seeded cloud of one of four kinds: uniform in a box, on a sphere, on a thin slab, or the
// demo's integer points; turned, scaled and moved.
inline std::vector<Vector3> cloud(std::uint32_t seed, double scale = 1.0, int count = 300) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const int kind = static_cast<int>(seed % 4);
  const double a = unit(rng) * 3, b = unit(rng) * 3, c = unit(rng) * 3;
  const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b),
               cc = std::cos(c), sc = std::sin(c);
  const Vector3d rows[3] = {{ca * cb, ca * sb * sc - sa * cc, ca * sb * cc + sa * sc},
                            {sa * cb, sa * sb * sc + ca * cc, sa * sb * cc - ca * sc},
                            {-sb, cb * sc, cb * cc}};
  const Vector3d offset(unit(rng) * 50, unit(rng) * 50, unit(rng) * 50);
  std::vector<Vector3> points;
  for (int i = 0; i < count; ++i) {
    Vector3d p(unit(rng), unit(rng), unit(rng));
    if (kind == 1)
      p = p * (1.0 / length(p));
    if (kind == 2)
      p = Vector3d(p.x * 40, p.y * 10, p.z * 0.5);
    if (kind == 3)
      p = Vector3d(std::round(p.x * 100), std::round(p.y * 100), std::round(p.z * 100));
    else
      p = p * 30;
    const Vector3d q(dot(rows[0], p), dot(rows[1], p), dot(rows[2], p));
    points.push_back(((q + offset) * scale).toFloat());
  }
  return points;
}

// Volume of the convex hull of the points by Qhull, the independent reference.
template <class Point>
double qhullVolume(const std::vector<Point>& points) {
  QhullRun run(std::span<const Point>(points), "qhull FA");  // FA: compute the total volume
  return run.status() == 0 ? run.context()->totvol : -1.0;
}

}  // namespace volumestest
