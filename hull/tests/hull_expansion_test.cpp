// Growth of the hull step by step: visible facets, horizon, orphan points, new facets, and
// the guarantees that make every build end.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"

namespace {

using hulltest::key;
using hulltest::same;

const std::vector<Vector3> TETRA = {{0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {0, 0, 3}};

TEST(HullExpansion, FourPointsNeedNoStepAndAnInsidePointChangesNothing) {
  for (const std::size_t count : {4u, 5u}) {
    auto points = TETRA;
    points.push_back({1, 1, 1});
    points.resize(count);
    ConvexHull hull;
    hull.build(points);
    EXPECT_EQ(hull.expansionSteps, 0);
    EXPECT_EQ(hull.facets.size(), 4u);
  }
}

TEST(HullExpansion, OnePointBeyondTheSlantedFaceReplacesIt) {
  auto points = TETRA;
  const Vector3 eye{5, 4, 2};
  points.push_back(eye);

  ConvexHull staged;
  staged.buildInitialSimplex(points);
  std::vector<Edge> horizon;
  std::vector<std::int32_t> visibleIds;
  std::vector<Vector3> orphanPoints;
  staged.findHorizon(eye, horizon, visibleIds, orphanPoints);
  EXPECT_EQ(visibleIds, std::vector<std::int32_t>{2});
  EXPECT_EQ(horizon.size(), 3u);
  EXPECT_EQ(orphanPoints.size(), 1u);

  ConvexHull hull;
  hull.build(points);
  EXPECT_EQ(hull.expansionSteps, 1);
  const std::vector<std::int32_t> ids = {0, 1, 3, 4, 5, 6};
  ASSERT_EQ(hull.facets.size(), ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i)
    EXPECT_EQ(hull.facets[i].id, ids[i]);
  const std::vector<std::vector<Vector3>> loops = {
      {{0, 5, 0}, {10, 0, 0}, eye}, {{10, 0, 0}, {0, 0, 3}, eye}, {{0, 0, 3}, {0, 5, 0}, eye}};
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_TRUE(same(hull.facets[3 + i].vertices[k], loops[i][k])) << i << " " << k;
    }
  }
  const auto& links = hull.facets[3].edges;
  EXPECT_EQ(links[0].neighbor, 0);
  EXPECT_EQ(links[1].neighbor, 5);
  EXPECT_EQ(links[2].neighbor, 6);
  hulltest::expectValidHull(hull, points);
}

TEST(HullExpansion, CubeCornersGiveTwoTrianglesPerFaceInFourSteps) {
  std::vector<Vector3> corners;
  for (float x : {0.0f, 10.0f}) {
    for (float y : {0.0f, 10.0f}) {
      for (float z : {0.0f, 10.0f})
        corners.push_back({x, y, z});
    }
  }
  ConvexHull hull;
  hull.build(corners);
  EXPECT_EQ(hull.expansionSteps, 4);
  ASSERT_EQ(hull.facets.size(), 12u);
  std::map<std::pair<int, float>, int> perFace;
  for (const Facet& f : hull.facets) {
    for (int k = 0; k < 3; ++k) {
      const float c = f.vertices[0][k];
      if (c == f.vertices[1][k] && c == f.vertices[2][k])
        ++perFace[{k, c}];
    }
  }
  EXPECT_EQ(perFace.size(), 6u);
  for (const auto& [face, count] : perFace)
    EXPECT_EQ(count, 2);
  hulltest::expectValidHull(hull, corners);
}

TEST(HullExpansion, DuplicatePointsDoNotChangeTheHull) {
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    const auto points = hulltest::programCloud(seed);
    auto doubled = points;
    for (std::size_t i = 0; i < points.size(); i += 3)
      doubled.push_back(points[i]);
    doubled.insert(doubled.end(), points.begin(), points.end());
    ConvexHull once;
    once.build(points);
    ConvexHull twice;
    twice.build(doubled);
    EXPECT_EQ(hulltest::loops(once), hulltest::loops(twice));
  }
}

// Runs the steps of build one at a time, checks each, and returns the number of steps.
int buildStepwise(ConvexHull& hull, const std::vector<Vector3>& points) {
  hull.buildInitialSimplex(points);
  std::set<hulltest::Key> eyes;
  std::vector<Edge> horizon;
  std::vector<std::int32_t> visibleIds;
  std::vector<Vector3> orphanPoints;
  std::vector<std::int32_t> newFacetIds;
  for (;;) {
    const auto next = std::find_if(hull.facets.begin(), hull.facets.end(),
                                   [](const Facet& f) { return !f.outsidePoints.empty(); });
    if (next == hull.facets.end())
      break;
    const Vector3 eye = next->farthestPoint;
    EXPECT_TRUE(eyes.insert(key(eye)).second) << "eye point " << eye << " used twice";

    // Orphans: each distinct outside point of the seen facets once, by first occurrence.
    std::vector<hulltest::Key> firstCopies;
    for (Facet& f : hull.facets) {
      if (classify(f.getPlane(), eye, HULL_EPSILON) != PlaneSide::Back)
        continue;
      for (const Vector3& p : f.outsidePoints) {
        if (std::find(firstCopies.begin(), firstCopies.end(), key(p)) == firstCopies.end()) {
          firstCopies.push_back(key(p));
        }
      }
    }
    hull.findHorizon(eye, horizon, visibleIds, orphanPoints);
    std::vector<hulltest::Key> orphans;
    for (const Vector3& p : orphanPoints)
      orphans.push_back(key(p));
    EXPECT_EQ(orphans, firstCopies);
    EXPECT_TRUE(std::is_sorted(visibleIds.begin(), visibleIds.end()));
    for (const Edge& e : horizon) {
      EXPECT_FALSE(std::binary_search(visibleIds.begin(), visibleIds.end(), e.neighbor));
    }

    newFacetIds.clear();
    for (const Edge& e : horizon)
      hull.addFacetFromEdge(e, eye, orphanPoints, newFacetIds);
    std::erase_if(hull.facets, [&](const Facet& f) {
      return std::binary_search(visibleIds.begin(), visibleIds.end(), f.id);
    });
    for (const std::int32_t id : newFacetIds)
      hull.linkNeighbors(id);
    for (const Facet& f : hull.facets) {
      for (const Vector3& p : f.outsidePoints)
        EXPECT_FALSE(eyes.contains(key(p)));
    }
    if (testing::Test::HasFailure())
      break;
  }
  return static_cast<int>(eyes.size());
}

TEST(HullExpansion, EveryStepConsumesADistinctEyePointAndHandsOnOrphansOnce) {
  std::vector<std::vector<Vector3>> clouds;
  for (std::uint32_t seed = 1; seed <= 100; ++seed)
    clouds.push_back(hulltest::programCloud(seed));
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    clouds.push_back(hulltest::sphereCloud(seed, 100, 100.0f));
  }
  for (const auto& points : clouds) {
    ConvexHull stepwise;
    const int steps = buildStepwise(stepwise, points);
    ConvexHull hull;
    hull.build(points);
    EXPECT_EQ(hull.expansionSteps, steps);
    EXPECT_EQ(hulltest::loops(hull), hulltest::loops(stepwise));
    if (HasFailure())
      return;
  }
}

TEST(HullExpansion, LargeCoordinatesStillEnd) {
  // Rounding at these magnitudes puts an eye point behind some of the facets it spans; the
  // build must end all the same, after at most one step per distinct point.
  for (const float scale : {1e2f, 1e3f, 1e4f, 1e5f}) {
    for (const float shift : {0.0f, 1e4f, 1e5f, 1e6f, 1e7f}) {
      for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE(testing::Message() << "scale " << scale << " shift " << shift);
        auto points = hulltest::cubeCloud(seed, 40, 1.0f);
        for (Vector3& p : points)
          p = p * scale + Vector3{shift, -shift, shift};
        ConvexHull hull;
        hull.build(points);
        std::set<hulltest::Key> distinct;
        for (const Vector3& p : points)
          distinct.insert(key(p));
        EXPECT_LE(hull.expansionSteps, static_cast<int>(distinct.size()));
        for (const Facet& f : hull.facets) {
          EXPECT_EQ(f.vertices.size(), 3u);
          EXPECT_TRUE(f.outsidePoints.empty());
        }
      }
    }
  }
}

}  // namespace
