// Random point cloud drawn from the shared generator.
#include "viewer/point_cloud.h"

#include <cstdlib>

namespace {

float randomCoordinate() {
  return static_cast<float>(std::rand() % 200 - 100);
}

}  // namespace

void appendRandomPoints(std::vector<Vector3>& points, int count) {
  for (int i = 0; i < count; ++i) {
    // Separate statements: the draws must happen in the order x, y, z.
    const float x = randomCoordinate();
    const float y = randomCoordinate();
    const float z = randomCoordinate();
    points.emplace_back(x, y, z);
  }
}
