// Melkman's deque: the hull so far, with the newest corner at both ends.
#include "volumes/polygon_outline.h"

#include <algorithm>
#include <cstddef>

namespace {

// (a - o) x (b - o): positive when o, a, b turn counter-clockwise.
double turn(const Point2& o, const Point2& a, const Point2& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

}  // namespace

void convexOutlineOfPolygon(std::span<const Point2> polygon, std::vector<Point2>& d) {
  const std::size_t n = polygon.size();
  if (n < 3 || turn(polygon[0], polygon[1], polygon[2]) == 0.0) {
    d = convexOutline(polygon);
    return;
  }
  // d[bot .. top] is the hull, counter-clockwise, with d[bot] == d[top] the newest corner.
  d.resize(2 * n + 2);
  std::size_t bot = n;
  std::size_t top = n + 3;
  d[bot] = polygon[2];
  d[top] = polygon[2];
  const bool counterClockwise = turn(polygon[0], polygon[1], polygon[2]) > 0.0;
  d[bot + 1] = counterClockwise ? polygon[0] : polygon[1];
  d[bot + 2] = counterClockwise ? polygon[1] : polygon[0];
  for (std::size_t i = 3; i < n; ++i) {
    const Point2& p = polygon[i];
    if (turn(d[bot], d[bot + 1], p) > 0.0 && turn(d[top - 1], d[top], p) > 0.0)
      continue;  // inside the hull so far
    while (top - bot >= 2 && turn(d[bot], d[bot + 1], p) <= 0.0)
      ++bot;
    d[--bot] = p;
    while (top - bot >= 2 && turn(d[top - 1], d[top], p) <= 0.0)
      --top;
    d[++top] = p;
  }
  std::copy(d.begin() + static_cast<std::ptrdiff_t>(bot),
            d.begin() + static_cast<std::ptrdiff_t>(top), d.begin());
  d.resize(top - bot);
}
