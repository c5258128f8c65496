// Box corners from center, half lengths and axes.
#include "viewer/box_corners.h"

namespace {

constexpr float CORNER_SIGNS[8][3] = {
    {-1, 1, 1},  {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},
    {-1, 1, -1}, {-1, -1, -1}, {1, -1, -1}, {1, 1, -1},
};

}  // namespace

std::array<Vector3, 8> boxCorners(const OBB& box) {
  std::array<Vector3, 8> corners;
  for (int k = 0; k < 8; ++k) {
    const float* s = CORNER_SIGNS[k];
    corners[k] = box.center + box.axes[0] * (s[0] * box.halfLengths.x) +
                 box.axes[1] * (s[1] * box.halfLengths.y) +
                 box.axes[2] * (s[2] * box.halfLengths.z);
  }
  return corners;
}
