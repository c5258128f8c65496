// Invariants of finished hulls over many seeded clouds, and degenerate input.
#include "hull/convex_hull.h"

#include <gtest/gtest.h>

#include "hull/tests/hull_test_support.h"

namespace {

using hulltest::expectValidHull;

TEST(ConvexHull, ProgramCloudsGiveValidHulls) {
  for (std::uint32_t seed = 1; seed <= 1000; ++seed) {
    SCOPED_TRACE(seed);
    const auto points = hulltest::programCloud(seed);
    ConvexHull hull;
    hull.build(points);
    expectValidHull(hull, points);
    if (HasFailure())
      return;
  }
}

}  // namespace
