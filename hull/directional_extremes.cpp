// Directional extremes of a point set by blocks, for the exact hull's first polytope.
#include "hull/directional_extremes.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int32_t NONE = -1;

// The 14 directions below: the three axes and the four diagonals of a cube, both ways; the
// axes come first.
constexpr int DIRECTIONS = 14;
constexpr int AXIS_DIRECTIONS = 6;

template <int COUNT>
inline void directionValues(const Vector3& p, float (&values)[COUNT]) {
  values[0] = p.x;
  values[1] = -p.x;
  values[2] = p.y;
  values[3] = -p.y;
  values[4] = p.z;
  values[5] = -p.z;
  if constexpr (COUNT > AXIS_DIRECTIONS) {
    const float s = p.x + p.y, d = p.x - p.y;
    values[6] = s + p.z;
    values[7] = -s - p.z;
    values[8] = s - p.z;
    values[9] = p.z - s;
    values[10] = d + p.z;
    values[11] = -d - p.z;
    values[12] = d - p.z;
    values[13] = p.z - d;
  }
}

// NaN or infinite components make the sum of the differences NaN.
inline bool finiteFast(const Vector3& p) {
  return ((p.x - p.x) + (p.y - p.y)) + (p.z - p.z) == 0.0f;
}

template <int COUNT>
std::vector<std::int32_t> extremesAlong(std::span<const Vector3> points) {
  constexpr std::size_t BLOCK = 256;
  constexpr float LOWEST = -std::numeric_limits<float>::infinity();
  float best[COUNT];
  std::int32_t index[COUNT];
  std::fill(best, best + COUNT, LOWEST);
  std::fill(index, index + COUNT, NONE);
  // By blocks: a block's maxima come from a loop of maxima alone, and only a block that
  // raises a maximum is read again for that maximum's first index.
  for (std::size_t begin = 0; begin < points.size(); begin += BLOCK) {
    const std::size_t end = std::min(points.size(), begin + BLOCK);
    float block[COUNT];
    std::fill(block, block + COUNT, LOWEST);
    for (std::size_t i = begin; i < end; ++i) {
      if (!finiteFast(points[i]))
        continue;
      float values[COUNT];
      directionValues(points[i], values);
      for (int k = 0; k < COUNT; ++k)
        block[k] = std::max(block[k], values[k]);
    }
    for (int k = 0; k < COUNT; ++k) {
      if (!(block[k] > best[k]))
        continue;
      best[k] = block[k];
      for (std::size_t i = begin; i < end; ++i) {
        float values[COUNT];
        directionValues(points[i], values);
        if (finiteFast(points[i]) && values[k] == block[k]) {
          index[k] = static_cast<std::int32_t>(i);
          break;
        }
      }
    }
  }
  std::vector<std::int32_t> result(index, index + COUNT);
  result.erase(std::remove(result.begin(), result.end(), NONE), result.end());
  std::sort(result.begin(), result.end());
  result.erase(std::unique(result.begin(), result.end()), result.end());
  return result;
}

}  // namespace

std::vector<std::int32_t> directionalExtremes(std::span<const Vector3> points, bool diagonals) {
  return diagonals ? extremesAlong<DIRECTIONS>(points) : extremesAlong<AXIS_DIRECTIONS>(points);
}
