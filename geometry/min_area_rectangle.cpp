// Rotating calipers with three forward-moving support indices.
#include "geometry/min_area_rectangle.h"

#include <cmath>
#include <limits>

namespace {

double along(const Point2d& p, const Point2d& u) {
  return p.x * u.x + p.y * u.y;
}

// Moves index i forward while the next vertex is at least as far along u (sign +1) or against
// it (sign -1); at most one full turn.
std::size_t advance(std::span<const Point2d> poly, std::size_t i, const Point2d& u, double sign) {
  const std::size_t n = poly.size();
  double here = sign * along(poly[i], u);
  for (std::size_t steps = 0; steps < n; ++steps) {
    const std::size_t next = i + 1 == n ? 0 : i + 1;
    const double there = sign * along(poly[next], u);
    if (there < here)
      break;
    i = next;
    here = there;
  }
  return i;
}

}  // namespace

Rectangle2d minimumAreaRectangle(std::span<const Point2d> poly) {
  Rectangle2d best;
  const std::size_t n = poly.size();
  if (n == 0)
    return best;
  if (n < 3) {
    const Point2d d{poly[n - 1].x - poly[0].x, poly[n - 1].y - poly[0].y};
    const double len = std::hypot(d.x, d.y);
    if (len > 0.0)
      best.axis = {d.x / len, d.y / len};
    const Point2d v{-best.axis.y, best.axis.x};
    best.lo[0] = best.hi[0] = along(poly[0], best.axis);
    best.lo[1] = best.hi[1] = along(poly[0], v);
    for (const Point2d& p : poly) {
      best.lo[0] = std::fmin(best.lo[0], along(p, best.axis));
      best.hi[0] = std::fmax(best.hi[0], along(p, best.axis));
      best.lo[1] = std::fmin(best.lo[1], along(p, v));
      best.hi[1] = std::fmax(best.hi[1], along(p, v));
    }
    return best;
  }
  best.area = std::numeric_limits<double>::infinity();
  std::size_t right = 0;  // farthest along u
  std::size_t top = 0;    // farthest along v, away from the edge
  std::size_t left = 0;   // farthest against u
  bool started = false;
  for (std::size_t i = 0; i < n; ++i) {
    const Point2d& a = poly[i];
    const Point2d& b = poly[i + 1 == n ? 0 : i + 1];
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double squared = dx * dx + dy * dy;
    if (!(squared > 0.0))
      continue;
    const double inverse = 1.0 / std::sqrt(squared);
    const Point2d u{dx * inverse, dy * inverse};
    const Point2d v{-u.y, u.x};  // into the polygon: it lies to the left of each edge
    if (!started) {
      // The first usable edge: full scans; later edges move the indices forward.
      for (std::size_t k = 0; k < n; ++k) {
        if (along(poly[k], u) > along(poly[right], u))
          right = k;
        if (along(poly[k], v) > along(poly[top], v))
          top = k;
        if (along(poly[k], u) < along(poly[left], u))
          left = k;
      }
      started = true;
    } else {
      right = advance(poly, right, u, 1.0);
      top = advance(poly, top, v, 1.0);
      left = advance(poly, left, u, -1.0);
    }
    const double lo0 = along(poly[left], u);
    const double hi0 = along(poly[right], u);
    const double lo1 = along(a, v);
    const double hi1 = along(poly[top], v);
    const double area = (hi0 - lo0) * (hi1 - lo1);
    if (area < best.area) {
      best.area = area;
      best.axis = u;
      best.lo[0] = lo0;
      best.hi[0] = hi0;
      best.lo[1] = lo1;
      best.hi[1] = hi1;
    }
  }
  if (!started)
    best.area = 0.0;
  return best;
}
