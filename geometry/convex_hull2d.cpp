// Monotone chain (sort, lower and upper chains) and Melkman's deque over a polygon.
#include "geometry/convex_hull2d.h"

#include <algorithm>
#include <numeric>

std::vector<std::int32_t> convexHull2dIndices(std::span<const Point2d> points) {
  std::vector<std::int32_t> order(points.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&points](std::int32_t a, std::int32_t b) {
    const Point2d& p = points[static_cast<std::size_t>(a)];
    const Point2d& q = points[static_cast<std::size_t>(b)];
    return p.x < q.x || (p.x == q.x && (p.y < q.y || (p.y == q.y && a < b)));
  });
  const auto at = [&points](std::int32_t i) -> const Point2d& {
    return points[static_cast<std::size_t>(i)];
  };
  // Repeated points would make zero turns; keep the first of each.
  order.erase(std::unique(order.begin(), order.end(),
                          [&at](std::int32_t a, std::int32_t b) {
                            return at(a).x == at(b).x && at(a).y == at(b).y;
                          }),
              order.end());
  if (order.size() < 3)
    return order;
  std::vector<std::int32_t> hull(2 * order.size());
  std::size_t k = 0;
  for (std::int32_t i : order) {  // lower chain
    while (k >= 2 && turn(at(hull[k - 2]), at(hull[k - 1]), at(i)) <= 0.0)
      --k;
    hull[k++] = i;
  }
  const std::size_t lower = k + 1;
  for (auto it = order.rbegin() + 1; it != order.rend(); ++it) {  // upper chain
    while (k >= lower && turn(at(hull[k - 2]), at(hull[k - 1]), at(*it)) <= 0.0)
      --k;
    hull[k++] = *it;
  }
  hull.resize(k - 1);  // the last point repeats the first
  if (hull.size() == 2 && at(hull[0]).x == at(hull[1]).x && at(hull[0]).y == at(hull[1]).y)
    hull.resize(1);
  return hull;
}

namespace {

void byMonotoneChain(std::span<const Point2d> points, std::vector<Point2d>& hull) {
  hull.clear();
  for (std::int32_t i : convexHull2dIndices(points))
    hull.push_back(points[static_cast<std::size_t>(i)]);
}

}  // namespace

void convexHullOfPolygon(std::span<const Point2d> polygon, std::vector<Point2d>& d) {
  const std::size_t n = polygon.size();
  if (n < 3 || turn(polygon[0], polygon[1], polygon[2]) == 0.0) {
    byMonotoneChain(polygon, d);
    return;
  }
  // The deque holds the hull with its last point repeated at both ends: d[bot] == d[top].
  d.resize(2 * n + 2);
  std::size_t bot = n;
  std::size_t top = n + 3;
  d[bot] = polygon[2];
  d[top] = polygon[2];
  if (turn(polygon[0], polygon[1], polygon[2]) > 0.0) {
    d[bot + 1] = polygon[0];
    d[bot + 2] = polygon[1];
  } else {
    d[bot + 1] = polygon[1];
    d[bot + 2] = polygon[0];
  }
  for (std::size_t i = 3; i < n; ++i) {
    const Point2d& p = polygon[i];
    if (turn(d[bot], d[bot + 1], p) > 0.0 && turn(d[top - 1], d[top], p) > 0.0)
      continue;  // inside the current hull
    while (top - bot >= 2 && turn(d[bot], d[bot + 1], p) <= 0.0)
      ++bot;
    d[--bot] = p;
    while (top - bot >= 2 && turn(d[top - 1], d[top], p) <= 0.0)
      --top;
    d[++top] = p;
  }
  // Shift the hull d[bot .. top - 1] to the front.
  std::copy(d.begin() + static_cast<std::ptrdiff_t>(bot),
            d.begin() + static_cast<std::ptrdiff_t>(top), d.begin());
  d.resize(top - bot);
}
