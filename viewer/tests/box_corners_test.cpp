// Box corners and the face loops drawn for the box.
#include "viewer/box_corners.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace {

// A box with random center and half lengths and a random orthonormal frame.
OBB randomBox(std::mt19937& rng) {
  std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
  std::uniform_real_distribution<float> half(0.5f, 80.0f);
  OBB box;
  box.center = {coordinate(rng), coordinate(rng), coordinate(rng)};
  box.halfLengths = {half(rng), half(rng), half(rng)};
  Vector3 a{coordinate(rng), coordinate(rng), coordinate(rng)};
  Vector3 b{coordinate(rng), coordinate(rng), coordinate(rng)};
  a.normalize();
  Vector3 c = cross(a, b);
  c.normalize();
  box.axes[0] = a;
  box.axes[1] = cross(c, a);
  box.axes[2] = c;
  return box;
}

// Signed offset of p from the center along the axis, in units of that half length.
float sideOf(const OBB& box, const Vector3& p, int axis) {
  return dot(p - box.center, box.axes[axis]) / box.halfLengths[axis];
}

TEST(BoxCorners, EachFaceIsOneSideOfTheBoxTracedAlongItsEdges) {
  const int sideAxis[6] = {2, 0, 2, 0, 1, 1};
  const float sideSign[6] = {1, 1, -1, -1, 1, -1};
  std::mt19937 rng(12345);
  for (int trial = 0; trial < 300; ++trial) {
    const OBB box = randomBox(rng);
    const auto corners = boxCorners(box);
    for (int f = 0; f < 6; ++f) {
      for (int i = 0; i < 4; ++i) {
        const Vector3& p = corners[static_cast<std::size_t>(BOX_FACES[f][i])];
        const Vector3& q = corners[static_cast<std::size_t>(BOX_FACES[f][(i + 1) % 4])];
        EXPECT_NEAR(sideOf(box, p, sideAxis[f]), sideSign[f], 1e-3f) << "face " << f;
        // Consecutive corners differ along exactly one axis: they share an edge.
        int differing = 0;
        for (int axis = 0; axis < 3; ++axis) {
          differing += std::fabs(sideOf(box, p, axis) - sideOf(box, q, axis)) > 1.0f;
        }
        EXPECT_EQ(differing, 1) << "face " << f << " corner " << i;
      }
    }
  }
}

TEST(BoxCorners, OppositeFacesShareNoCornerAndEveryCornerIsOnThreeFaces) {
  for (const auto& [f, g] : {std::pair{0, 2}, std::pair{1, 3}, std::pair{4, 5}}) {
    std::set<int> corners(std::begin(BOX_FACES[f]), std::end(BOX_FACES[f]));
    for (const int k : BOX_FACES[g]) {
      EXPECT_FALSE(corners.contains(k)) << "faces " << f << " and " << g;
    }
  }
  int uses[8] = {};
  for (const auto& face : BOX_FACES) {
    for (const int k : face) {
      ++uses[k];
    }
  }
  for (const int count : uses) {
    EXPECT_EQ(count, 3);
  }
}

TEST(BoxCorners, ZeroHalfLengthsCollapseToTheCenter) {
  OBB box;
  box.center = {1.5f, -2.0f, 3.0f};
  box.axes[0] = {1, 0, 0};
  box.axes[1] = {0, 1, 0};
  box.axes[2] = {0, 0, 1};
  for (const Vector3& corner : boxCorners(box)) {
    EXPECT_TRUE(nearlyEqual(corner, box.center, 1e-12f));
  }
}

}  // namespace
