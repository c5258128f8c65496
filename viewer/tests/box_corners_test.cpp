// Box corners and the face loops drawn for the box. That each drawn face lies on its side of
// the box, traced along its edges, the end-to-end scene test checks on the program's boxes.
#include "viewer/box_corners.h"

#include <gtest/gtest.h>

#include <set>

namespace {

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
