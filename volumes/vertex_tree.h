// VertexTree: a box tree over a fixed set of points (median splits across the longest side,
// eight points a leaf), searched depth first with a caller's bound per box, so that queries
// that would visit every hull vertex (extremes along a direction, the farthest point from a
// line or a point) visit only the boxes that can hold an answer. The capsule's direction
// search asks it thousands of times on one hull.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "geometry/vector3d.h"

// A box tree over the vertices, fixed for every direction: the passes that would visit every
// vertex (the extremes along an axis, the farthest from an axis or a point, the vertices that
// could end a capsule) visit only the boxes that can hold an answer. Median splits across the
// longest side, eight vertices a leaf.
class VertexTree {
  static constexpr double INF = std::numeric_limits<double>::infinity();

 public:
  struct Node {
    Vector3d lo, hi;
    double margin = 0.0;  // room for rounding: 1e-12 of the box's largest coordinate
    std::int32_t begin = 0, end = 0, left = -1, right = -1;
  };

  explicit VertexTree(std::span<const Vector3d> points) : points_(points) {
    index_.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
      index_[i] = static_cast<std::int32_t>(i);
    if (!points.empty())
      build(0, static_cast<std::int32_t>(points.size()));
  }

  const Vector3d& point(std::size_t i) const { return points_[i]; }
  std::size_t size() const { return points_.size(); }

  // Depth first, the worthier child first; worth(node) > -infinity keeps a box, and is asked
  // again when the box is reached, so that bounds raised meanwhile prune it.
  template <class Worth, class Visit>
  void search(const Worth& worth, const Visit& visit) const {
    if (nodes_.empty())
      return;
    std::int32_t stack[128];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
      const Node& n = nodes_[static_cast<std::size_t>(stack[--top])];
      if (!(worth(n) > -INF))
        continue;
      if (n.left < 0) {
        for (std::int32_t k = n.begin; k < n.end; ++k)
          visit(static_cast<std::size_t>(index_[static_cast<std::size_t>(k)]));
        continue;
      }
      const double a = worth(nodes_[static_cast<std::size_t>(n.left)]);
      const double b = worth(nodes_[static_cast<std::size_t>(n.right)]);
      const std::int32_t better = a >= b ? n.left : n.right;
      const std::int32_t other = a >= b ? n.right : n.left;
      if (std::min(a, b) > -INF)
        stack[top++] = other;
      if (std::max(a, b) > -INF)
        stack[top++] = better;
    }
  }

 private:
  std::int32_t build(std::int32_t begin, std::int32_t end) {
    const std::int32_t id = static_cast<std::int32_t>(nodes_.size());
    nodes_.push_back({});
    Node n;
    n.begin = begin;
    n.end = end;
    n.lo = n.hi = points_[static_cast<std::size_t>(index_[static_cast<std::size_t>(begin)])];
    for (std::int32_t k = begin; k < end; ++k) {
      const Vector3d& p = points_[static_cast<std::size_t>(index_[static_cast<std::size_t>(k)])];
      for (int c = 0; c < 3; ++c) {
        n.lo[c] = std::min(n.lo[c], p[c]);
        n.hi[c] = std::max(n.hi[c], p[c]);
      }
    }
    for (int c = 0; c < 3; ++c)
      n.margin = std::max({n.margin, std::fabs(n.lo[c]), std::fabs(n.hi[c])});
    n.margin *= 1e-12;
    if (end - begin > 8) {
      int axis = 0;
      for (int c = 1; c < 3; ++c)
        if (n.hi[c] - n.lo[c] > n.hi[axis] - n.lo[axis])
          axis = c;
      const std::int32_t mid = begin + (end - begin) / 2;
      std::nth_element(index_.begin() + begin, index_.begin() + mid, index_.begin() + end,
                       [&](std::int32_t a, std::int32_t b) {
                         const double pa = points_[static_cast<std::size_t>(a)][axis];
                         const double pb = points_[static_cast<std::size_t>(b)][axis];
                         return pa != pb ? pa < pb : a < b;
                       });
      n.left = build(begin, mid);
      n.right = build(mid, end);
    }
    nodes_[static_cast<std::size_t>(id)] = n;
    return id;
  }

  std::span<const Vector3d> points_;
  std::vector<std::int32_t> index_;
  std::vector<Node> nodes_;
};
