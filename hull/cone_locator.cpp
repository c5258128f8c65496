// Cone location for the exact hull's cull: an exactly verified centre, one side plane per
// triangle edge, a cube map of guesses filled by walking to each cell's middle direction.
#include "hull/cone_locator.h"

#include <algorithm>
#include <cmath>

#include "geometry/vector3d.h"

bool ConeLocator::build(std::span<const Vector3> points, std::vector<BuildTriangle> triangles) {
  points_ = points;
  triangles_ = std::move(triangles);
  const auto at = [this](std::int32_t i) -> const Vector3& {
    return points_[static_cast<std::size_t>(i)];
  };
  // The mean of the triangles' first corners, rounded to float, must be strictly behind
  // every triangle.
  Vector3d sum;
  double radius = 0;
  for (const BuildTriangle& t : triangles_)
    sum = sum + Vector3d(at(t.vertices[0]));
  centre_ = (sum * (1.0 / static_cast<double>(triangles_.size()))).toFloat();
  for (const BuildTriangle& t : triangles_) {
    const Vector3 &a = at(t.vertices[0]), &b = at(t.vertices[1]), &c = at(t.vertices[2]);
    if (orient3d(a, b, c, centre_) >= 0)
      return false;
    radius = std::max(radius, length(Vector3d(a) - Vector3d(centre_)));
  }
  sides_.clear();
  sides_.reserve(triangles_.size() * 3);
  for (const BuildTriangle& t : triangles_) {
    for (std::size_t k = 0; k < 3; ++k)
      sides_.emplace_back(centre_, at(t.vertices[k]), at(t.vertices[(k + 1) % 3]));
  }
  // Each cell's guess: the cone of a point along the cell's middle direction, found by
  // walking from the previous cell's.
  cells_.assign(6 * GRID * GRID, 0);
  std::int32_t previous = 0;
  for (int face = 0; face < 6; ++face) {
    const int axis = face / 2;
    for (int i = 0; i < GRID; ++i) {
      for (int j = 0; j < GRID; ++j) {
        Vector3d d;
        d[axis] = face % 2 == 0 ? 1.0 : -1.0;
        d[(axis + 1) % 3] = (i + 0.5) * 2.0 / GRID - 1.0;
        d[(axis + 2) % 3] = (j + 0.5) * 2.0 / GRID - 1.0;
        const Vector3 q = (Vector3d(centre_) + d * radius).toFloat();
        // Near the float range the guide point may round to infinity; the previous guess
        // serves that cell.
        const bool usable = std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z);
        const std::int32_t found = usable ? walk(q, previous) : -1;
        previous = found >= 0 ? found : previous;
        cells_[static_cast<std::size_t>((face * GRID + i) * GRID + j)] = previous;
      }
    }
  }
  return true;
}

std::size_t ConeLocator::cellOf(const Vector3& p) const {
  // In double: the difference of two floats cannot overflow there.
  const double d[3] = {static_cast<double>(p.x) - centre_.x, static_cast<double>(p.y) - centre_.y,
                       static_cast<double>(p.z) - centre_.z};
  int axis = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(d[k]) > std::fabs(d[axis]))
      axis = k;
  }
  const double major = std::fabs(d[axis]);
  if (!(major > 0))
    return 0;
  const auto index = [major](double minor) {
    const double t = (minor / major + 1.0) * (0.5 * GRID);  // in [0, GRID]
    return static_cast<std::size_t>(std::clamp(static_cast<int>(t), 0, GRID - 1));
  };
  const std::size_t face = static_cast<std::size_t>(2 * axis + (d[axis] < 0 ? 1 : 0));
  return (face * GRID + index(d[(axis + 1) % 3])) * GRID + index(d[(axis + 2) % 3]);
}

std::int32_t ConeLocator::walk(const Vector3& p, std::int32_t start) const {
  const auto at = [this](std::int32_t i) -> const Vector3& {
    return points_[static_cast<std::size_t>(i)];
  };
  // A walk on a convex tiling seldom goes far; the bound only guards against a cycle.
  const std::size_t limit = 64 + triangles_.size();
  std::int32_t f = start;
  for (std::size_t step = 0; step < limit; ++step) {
    const BuildTriangle& t = triangles_[static_cast<std::size_t>(f)];
    int beyond = -1;
    for (std::size_t k = 0; k < 3 && beyond < 0; ++k) {
      const OrientationPlane& side = sides_[static_cast<std::size_t>(f) * 3 + k];
      if (side.side(centre_, at(t.vertices[k]), at(t.vertices[(k + 1) % 3]), p) < 0)
        beyond = static_cast<int>(k);
    }
    if (beyond < 0)
      return f;
    f = t.neighbors[static_cast<std::size_t>(beyond)];
  }
  return -1;
}

std::int32_t ConeLocator::locate(const Vector3& p) const {
  return walk(p, cells_[cellOf(p)]);
}
