// The exact hull of point sets that span less than a solid: the first finite point, the two
// ends of a segment, or a polygon by Andrew's monotone chain with the exact orient2d.
#include <algorithm>
#include <cmath>

#include "hull/exact_hull_faces.h"
#include "hull/orientation.h"

namespace {

constexpr std::int32_t NONE = NO_INDEX;

bool samePoint(const Vector3& a, const Vector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace

ExactHull lowDimensionalHull(std::span<const Vector3> points,
                             std::span<const std::int32_t> spanning) {
  const auto point = [points](std::int32_t i) -> const Vector3& {
    return points[static_cast<std::size_t>(i)];
  };
  ExactHull hull;
  const auto overAll = [points](auto visit) {
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (finitePoint(points[i]))
        visit(static_cast<std::int32_t>(i));
    }
  };
  if (spanning.size() == 1) {
    hull.dimension = HullDimension::Point;
    std::int32_t first = NONE;
    overAll([&](std::int32_t i) {
      if (first == NONE)
        first = i;
    });
    hull.vertices = {first};
    return hull;
  }
  if (spanning.size() == 2) {
    // On a line, the lexicographic order of the coordinates is the order along it.
    std::int32_t lo = NONE, hi = NONE;
    const auto less = [&point](std::int32_t i, std::int32_t j) {
      const Vector3 &p = point(i), &q = point(j);
      return p.x != q.x ? p.x < q.x : (p.y != q.y ? p.y < q.y : p.z < q.z);
    };
    overAll([&](std::int32_t i) {
      if (lo == NONE || less(i, lo))
        lo = i;
      if (hi == NONE || less(hi, i))
        hi = i;
    });
    hull.dimension = HullDimension::Segment;
    hull.vertices = {std::min(lo, hi), std::max(lo, hi)};
    hull.area = 0;
    return hull;
  }
  // Flat: project along an axis the plane is not parallel to, and take the 2D hull there
  // (Andrew's monotone chain, strict turns only, so no corner is collinear).
  const Vector3 &a = point(spanning[0]), &b = point(spanning[1]), &c = point(spanning[2]);
  int axis = 2;
  for (int k : {2, 0, 1}) {
    if (orient2d(a, b, c, k) != 0) {
      axis = k;
      break;
    }
  }
  const int iu = (axis + 1) % 3, iv = (axis + 2) % 3;
  std::vector<std::int32_t> order;
  overAll([&](std::int32_t i) { order.push_back(i); });
  std::sort(order.begin(), order.end(), [&](std::int32_t i, std::int32_t j) {
    const Vector3 &p = point(i), &q = point(j);
    if (p[iu] != q[iu])
      return p[iu] < q[iu];
    if (p[iv] != q[iv])
      return p[iv] < q[iv];
    return i < j;
  });
  // Equal points sort together, the first index first; only that one stays.
  order.erase(
      std::unique(order.begin(), order.end(),
                  [&](std::int32_t i, std::int32_t j) { return samePoint(point(i), point(j)); }),
      order.end());
  std::vector<std::int32_t> chain(2 * order.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    while (k >= 2 && orient2d(point(chain[k - 2]), point(chain[k - 1]), point(order[i]), axis) <= 0)
      --k;
    chain[k++] = order[i];
  }
  for (std::size_t i = order.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower &&
           orient2d(point(chain[k - 2]), point(chain[k - 1]), point(order[i]), axis) <= 0)
      --k;
    chain[k++] = order[i];
  }
  chain.resize(k - 1);  // the last equals the first
  hull.dimension = HullDimension::Polygon;
  finishPolygon(points, std::move(chain), hull);
  return hull;
}
