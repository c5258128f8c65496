// The random point cloud recipe.
#include "viewer/point_cloud.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

TEST(PointCloud, DrawsXYZOfEachPointInTurnAsIntegersFromMinus100To99) {
  for (unsigned int seed = 0; seed < 300; ++seed) {
    std::srand(seed);
    std::vector<int> draws(3 * POINT_COUNT + 1);
    for (int& d : draws) {
      d = std::rand();
    }

    std::srand(seed);
    std::vector<Vector3> points{Vector3{7.0f, 7.0f, 7.0f}};
    appendRandomPoints(points, POINT_COUNT);
    ASSERT_EQ(points.size(), 1u + POINT_COUNT);
    EXPECT_EQ(points[0].x, 7.0f) << "points are appended, not replaced";
    for (int i = 0; i < POINT_COUNT; ++i) {
      const Vector3& p = points[static_cast<std::size_t>(i) + 1];
      for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(p[axis], static_cast<float>(draws[3 * i + axis] % 200 - 100));
        EXPECT_GE(p[axis], -100.0f);
        EXPECT_LE(p[axis], 99.0f);
        EXPECT_EQ(p[axis], std::floor(p[axis]));
      }
    }
    EXPECT_EQ(std::rand(), draws.back()) << "exactly 60 draws";
  }
}

}  // namespace
