// The hull against an independent one: the vertex sets of Qhull's hull and ours agree,
// except for points within HULL_EPSILON of a facet plane, which our tolerance may leave
// out or keep and which are counted here, not ignored.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"

extern "C" {
#include <libqhull_r/qhull_ra.h>
}

namespace {

using hulltest::Key;

Vector3 point(const Key& k) {
  return {std::get<0>(k), std::get<1>(k), std::get<2>(k)};
}

// Builds both hulls and returns the number of points on which their vertex sets differ;
// each of them must lie within HULL_EPSILON of a plane of the hull that leaves it out.
int compareWithQhull(const std::vector<Vector3>& points) {
  ConvexHull hull;
  hull.build(points);
  const std::set<Key> ours = hulltest::distinctVertices(hull);

  std::vector<coordT> coordinates;
  for (const Vector3& p : points)
    coordinates.insert(coordinates.end(), {p.x, p.y, p.z});
  qhT state{};
  qhT* qh = &state;  // the iteration macros name it qh
  QHULL_LIB_CHECK
  qh_zero(qh, stderr);
  char options[] = "qhull";
  EXPECT_EQ(qh_new_qhull(qh, 3, static_cast<int>(points.size()), coordinates.data(), False, options,
                         nullptr, stderr),
            0);
  std::set<Key> theirs;
  vertexT* vertex = nullptr;
  FORALLvertices {
    theirs.insert(hulltest::key(points[qh_pointid(qh, vertex->point)]));
  }

  int exceptions = 0;
  for (const Key& k : ours) {
    if (theirs.contains(k))
      continue;
    ++exceptions;
    coordT p[3] = {std::get<0>(k), std::get<1>(k), std::get<2>(k)};
    double nearest = std::numeric_limits<double>::infinity();
    facetT* facet = nullptr;
    FORALLfacets {
      realT distance = 0;
      qh_distplane(qh, p, facet, &distance);
      nearest = std::min(nearest, std::fabs(distance));
    }
    EXPECT_LE(nearest, HULL_EPSILON) << "only ours: " << point(k);
  }
  for (const Key& k : theirs) {
    if (ours.contains(k))
      continue;
    ++exceptions;
    float nearest = std::numeric_limits<float>::infinity();
    for (Facet& f : hull.facets) {
      const Plane& plane = f.getPlane();
      nearest = std::min(nearest, std::fabs(dot(plane.normal, point(k)) - plane.offset));
    }
    EXPECT_LE(nearest, HULL_EPSILON) << "only Qhull's: " << point(k);
  }
  EXPECT_LE(exceptions, static_cast<int>(theirs.size()) / 20 + 1);

  qh_freeqhull(qh, !qh_ALL);
  int curlong = 0;
  int totlong = 0;
  qh_memfreeshort(qh, &curlong, &totlong);
  return exceptions;
}

TEST(HullVsQhull, SameVerticesOnCloudsWellAboveTheTolerance) {
  struct Case {
    int count;
    std::uint32_t seeds;
  };
  for (const Case c : {Case{100, 4}, Case{300, 3}, Case{1000, 1}}) {
    for (std::uint32_t seed = 1; seed <= c.seeds; ++seed) {
      SCOPED_TRACE(testing::Message() << c.count << " points, seed " << seed);
      EXPECT_EQ(compareWithQhull(hulltest::cubeCloud(seed, c.count, 100.0f)), 0);
      EXPECT_EQ(compareWithQhull(hulltest::sphereCloud(seed, c.count, 100.0f)), 0);
    }
  }
}

TEST(HullVsQhull, DifferencesOnSmallCloudsAreWithinTheTolerance) {
  // In a unit cube, points a fraction of a thousandth off the hull are common.
  int exceptions = 0;
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    exceptions += compareWithQhull(hulltest::cubeCloud(seed, 300, 1.0f));
  }
  EXPECT_GT(exceptions, 0);
}

}  // namespace
