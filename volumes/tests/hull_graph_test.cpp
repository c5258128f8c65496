// Tests of the hull graph: every distinct hull vertex once, every edge once, Euler's formula
// on the program's hulls, and loops cleaned of repeated vertices.
#include "volumes/hull_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "hull/tests/hull_test_support.h"

namespace {

TEST(HullGraph, SharesEveryVertexOnceAndListsEveryEdgeOnce) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    ConvexHull hull;
    hull.build(hulltest::programCloud(seed));
    const HullGraph graph = gatherHullGraph(hull);
    std::set<hulltest::Key> vertices;
    for (const Vector3& v : graph.vertices)
      vertices.insert(hulltest::key(v));
    ASSERT_EQ(vertices.size(), graph.vertices.size());
    ASSERT_EQ(vertices, hulltest::distinctVertices(hull));
    ASSERT_EQ(graph.facets.size(), hull.facets.size());
    std::set<std::pair<std::int32_t, std::int32_t>> sides;
    for (std::size_t f = 0; f < graph.facets.size(); ++f) {
      const std::vector<std::int32_t>& loop = graph.facets[f];
      ASSERT_EQ(loop.size(), hull.facets[f].vertices.size());
      for (std::size_t i = 0; i < loop.size(); ++i) {
        ASSERT_EQ(hulltest::key(graph.vertices[static_cast<std::size_t>(loop[i])]),
                  hulltest::key(hull.facets[f].vertices[i]));
        sides.insert(std::minmax(loop[i], loop[(i + 1) % loop.size()]));
      }
    }
    ASSERT_TRUE(std::is_sorted(graph.edges.begin(), graph.edges.end()));
    ASSERT_EQ(sides.size(), graph.edges.size());
    for (const auto& edge : graph.edges)
      ASSERT_TRUE(edge[0] < edge[1] && sides.contains({edge[0], edge[1]}));
    EXPECT_EQ(graph.vertices.size() + graph.facets.size(), graph.edges.size() + 2);
  }
}

TEST(HullGraph, LoopsLoseRepeatedVerticesAndFacetsWithoutThreeCorners) {
  const Vector3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), minusZero(-0.0f, 0, 0);
  const std::vector<std::vector<Vector3>> loops = {{a, a, b, c, minusZero}, {b, c, b}};
  const HullGraph graph = hullGraphFromLoops(loops);
  ASSERT_EQ(graph.vertices.size(), 3u);  // -0 and +0 are one coordinate
  ASSERT_EQ(graph.facets.size(), 1u);
  EXPECT_EQ(graph.facets[0], (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(graph.edges.size(), 3u);  // the two-corner loop adds only its side b-c, known
}

}  // namespace
