// Convex outline, smallest rectangle and smallest circle of plane points, in double.
#include "volumes/outline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>

namespace {

double cross(const Point2& o, const Point2& a, const Point2& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double distanceSquared(const Point2& a, const Point2& b) {
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  return dx * dx + dy * dy;
}

Circle2 circleOf(const Point2& a, const Point2& b) {
  const Point2 centre{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
  return {centre, std::sqrt(distanceSquared(a, b)) * 0.5};
}

// The circumcircle; for (nearly) collinear points, the circle on the farthest pair.
Circle2 circleOf(const Point2& a, const Point2& b, const Point2& c) {
  const double bx = b.x - a.x;
  const double by = b.y - a.y;
  const double cx = c.x - a.x;
  const double cy = c.y - a.y;
  const double d = 2.0 * (bx * cy - by * cx);
  const double b2 = bx * bx + by * by;
  const double c2 = cx * cx + cy * cy;
  if (std::abs(d) <= 1e-14 * (b2 + c2)) {
    Circle2 best = circleOf(a, b);
    for (const Circle2& other : {circleOf(a, c), circleOf(b, c)}) {
      if (other.radius > best.radius)
        best = other;
    }
    return best;
  }
  const double ux = (cy * b2 - by * c2) / d;
  const double uy = (bx * c2 - cx * b2) / d;
  return {{a.x + ux, a.y + uy}, std::sqrt(ux * ux + uy * uy)};
}

bool outside(const Circle2& circle, const Point2& p) {
  const double limit = circle.radius * (1.0 + 1e-12);
  return distanceSquared(circle.center, p) > limit * limit;
}

}  // namespace

std::vector<Point2> convexOutline(std::span<const Point2> points, double tolerance) {
  std::vector<Point2> sorted(points.begin(), points.end());
  std::sort(sorted.begin(), sorted.end(), [](const Point2& a, const Point2& b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  });
  sorted.erase(
      std::unique(sorted.begin(), sorted.end(),
                  [](const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }),
      sorted.end());
  if (sorted.size() < 3)
    return sorted;
  // Lower chain left to right, then upper chain right to left; a corner that does not turn
  // left is dropped.
  std::vector<Point2> hull(2 * sorted.size());
  std::size_t k = 0;
  for (const Point2& p : sorted) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0)
      --k;
    hull[k++] = p;
  }
  const std::size_t lower = k + 1;
  for (std::size_t i = sorted.size() - 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], sorted[i]) <= 0)
      --k;
    hull[k++] = sorted[i];
  }
  hull.resize(k - 1);  // the last point repeats the first
  // Then, around the finished loop, corners within the tolerance of their neighbours' chord
  // (cross(o, a, b) is |b - o| times the distance of a from the line o-b). Doing this during
  // the scan would be wrong: a true corner can lie near the chord to a point that the scan
  // later drops.
  const auto keeps = [tolerance](const Point2& o, const Point2& a, const Point2& b) {
    return cross(o, a, b) > tolerance * std::sqrt(distanceSquared(o, b));
  };
  for (std::size_t i = 0; tolerance > 0 && hull.size() > 3 && i < hull.size();) {
    const std::size_t n = hull.size();
    if (keeps(hull[(i + n - 1) % n], hull[i], hull[(i + 1) % n])) {
      ++i;
    } else {
      hull.erase(hull.begin() + static_cast<std::ptrdiff_t>(i));
      i = i == 0 ? 0 : i - 1;
    }
  }
  return hull;
}

double outlineArea(std::span<const Point2> outline) {
  double twice = 0;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const Point2& a = outline[i];
    const Point2& b = outline[(i + 1) % outline.size()];
    twice += a.x * b.y - a.y * b.x;
  }
  return twice * 0.5;
}

Rectangle2 smallestRectangle(std::span<const Point2> outline) {
  const std::size_t n = outline.size();
  const auto next = [n](std::size_t i) { return i + 1 < n ? i + 1 : 0; };
  // Per edge e = b - a, unnormalised: positions along and across it are dot products with e
  // and its normal, which order the corners as the unit direction would, and the rectangle's
  // area is (range along) (range across) / |e|^2. One division an edge, and the root only
  // for the best edge.
  std::size_t bestEdge = n;
  double bestArea = INFINITY, bestAlong = 0, bestAcross = 0, bestSquared = 1;
  // The corner farthest ahead along the edge, farthest behind, and farthest across it move
  // forward monotonically as the edges turn counter-clockwise.
  std::size_t ahead = 0;
  std::size_t behind = 0;
  std::size_t across = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Point2 a = outline[i];
    const Point2 b = outline[next(i)];
    const Point2 e{b.x - a.x, b.y - a.y};
    const auto along = [&](std::size_t j) { return outline[j].x * e.x + outline[j].y * e.y; };
    const auto height = [&](std::size_t j) { return outline[j].y * e.x - outline[j].x * e.y; };
    if (i == 0) {
      for (std::size_t j = 1; j < n; ++j) {
        if (along(j) > along(ahead))
          ahead = j;
        if (along(j) < along(behind))
          behind = j;
        if (height(j) > height(across))
          across = j;
      }
    }
    // Walks `index` forward while the next corner's key is larger; returns the key reached.
    const auto climb = [&](std::size_t& index, const auto& key) {
      double reached = key(index);
      for (std::size_t steps = 0; steps < n; ++steps) {
        const double t = key(next(index));
        if (!(t > reached))
          break;
        reached = t;
        index = next(index);
      }
      return reached;
    };
    const double front = climb(ahead, along);
    const double back = -climb(behind, [&](std::size_t j) { return -along(j); });
    const double top = climb(across, height);
    const double squared = e.x * e.x + e.y * e.y;
    const double spanAlong = front - back;
    const double spanAcross = top - (a.y * e.x - a.x * e.y);
    const double area = spanAlong * spanAcross / squared;
    if (area < bestArea) {
      bestEdge = i;
      bestArea = area;
      bestAlong = spanAlong;
      bestAcross = spanAcross;
      bestSquared = squared;
    }
  }
  Rectangle2 best;
  best.area = bestArea;
  if (bestEdge < n) {
    const Point2 a = outline[bestEdge];
    const Point2 b = outline[next(bestEdge)];
    const double length = std::sqrt(bestSquared);
    best.direction = {(b.x - a.x) / length, (b.y - a.y) / length};
    best.length = bestAlong / length;
    best.width = bestAcross / length;
    best.area = best.length * best.width;
  }
  return best;
}

Circle2 smallestCircle(std::span<const Point2> points) {
  std::vector<Point2> order(points.begin(), points.end());
  // Welzl's expected linear time needs a random order; a fixed seed keeps it reproducible.
  std::mt19937 generator(0x5eed);
  std::shuffle(order.begin(), order.end(), generator);
  Circle2 circle{order[0], 0.0};
  for (std::size_t i = 1; i < order.size(); ++i) {
    if (!outside(circle, order[i]))
      continue;
    circle = {order[i], 0.0};
    for (std::size_t j = 0; j < i; ++j) {
      if (!outside(circle, order[j]))
        continue;
      circle = circleOf(order[i], order[j]);
      for (std::size_t k = 0; k < j; ++k) {
        if (outside(circle, order[k]))
          circle = circleOf(order[i], order[j], order[k]);
      }
    }
  }
  return circle;
}
