// PointSet: a hashed set of points keyed by their exact coordinates.
//
// The hull keeps copies of input points in several places (outside sets, vertex loops); a
// copy compares equal to its original coordinate for coordinate, so exact float equality
// is the right notion of "the same point" here, not the matching tolerance of edges.
// Equality is per component ==, so -0 and +0 are the same coordinate (the hash folds them
// together) and a point with a not-a-number coordinate never equals anything.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "geometry/vector3.h"

// Hash and equality of exact coordinates, for any hashed container keyed by points.
struct ExactPointHash {
  std::size_t operator()(const Vector3& p) const {
    // Adding +0 turns -0 into +0, so coordinates that compare equal hash alike.
    std::uint64_t h = 0x9e3779b97f4a7c15ull;
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t bits = std::bit_cast<std::uint32_t>(p[k] + 0.0f);
      h = (h ^ bits) * 0x100000001b3ull;
      h ^= h >> 29;
    }
    return static_cast<std::size_t>(h);
  }
};
struct ExactPointEqual {
  bool operator()(const Vector3& a, const Vector3& b) const {
    return a.x == b.x && a.y == b.y && a.z == b.z;
  }
};

class PointSet {
 public:
  // Adds p; true when no equal point was present yet.
  bool insert(const Vector3& p) { return points_.insert(p).second; }
  bool contains(const Vector3& p) const { return points_.contains(p); }
  void clear() { points_.clear(); }
  std::size_t size() const { return points_.size(); }

 private:
  std::unordered_set<Vector3, ExactPointHash, ExactPointEqual> points_;
};
