// Point clouds and the invariant check of finished hulls, shared by the hull tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

namespace hulltest {

using Key = std::tuple<float, float, float>;
inline Key key(const Vector3& p) {
  return {p.x, p.y, p.z};
}
inline bool same(const Vector3& a, const Vector3& b) {
  return key(a) == key(b);
}

// The program's kind of cloud: each coordinate an integer in [-100, 99], stored as float.
inline std::vector<Vector3> programCloud(std::uint32_t seed, int count = 20) {
  std::mt19937 rng(seed);
  std::vector<Vector3> points;
  for (int i = 0; i < count; ++i) {
    Vector3 p;
    for (int k = 0; k < 3; ++k)
      p[k] = static_cast<float>(static_cast<int>(rng() % 200) - 100);
    points.push_back(p);
  }
  return points;
}

inline std::vector<Vector3> cubeCloud(std::uint32_t seed, int count, float half) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> coord(-half, half);
  std::vector<Vector3> points;
  for (int i = 0; i < count; ++i) {
    Vector3 p;
    for (int k = 0; k < 3; ++k)
      p[k] = coord(rng);
    points.push_back(p);
  }
  return points;
}

inline std::vector<Vector3> sphereCloud(std::uint32_t seed, int count, float radius) {
  std::mt19937 rng(seed);
  std::normal_distribution<float> gauss(0.0f, 1.0f);
  std::vector<Vector3> points;
  while (static_cast<int>(points.size()) < count) {
    Vector3 d;
    for (int k = 0; k < 3; ++k)
      d[k] = gauss(rng);
    if (dot(d, d) < 1e-6f)
      continue;
    d.normalize();
    points.push_back(d * radius);
  }
  return points;
}

inline std::set<Key> distinctVertices(const ConvexHull& hull) {
  std::set<Key> vertices;
  for (const Facet& f : hull.facets) {
    for (const Vector3& v : f.vertices)
      vertices.insert(key(v));
  }
  return vertices;
}

// Per facet in list order: its id and its vertex loop.
inline std::vector<std::pair<std::int32_t, std::vector<Key>>> loops(const ConvexHull& hull) {
  std::vector<std::pair<std::int32_t, std::vector<Key>>> result;
  for (const Facet& f : hull.facets) {
    result.push_back({f.id, {}});
    for (const Vector3& v : f.vertices)
      result.back().second.push_back(key(v));
  }
  return result;
}

// The invariants of a finished hull whose first tetrahedron is proper: ids increase along
// the list; every facet is a triangle whose edges follow its loop, each linked to a facet
// in the list that holds the same side reversed; no outside points; V - E + F = 2; and no
// input point lies more than HULL_EPSILON behind a facet.
// The absolute tolerance lets an eye point almost in line with a horizon edge span a
// sliver whose plane is tilted past neighbouring hull vertices. When verticesBehind is
// given, such (vertex, facet) pairs are counted there instead of failing; points that are
// not hull vertices must still be in front.
inline void expectValidHull(ConvexHull& hull, const std::vector<Vector3>& points,
                            int* verticesBehind = nullptr) {
  ASSERT_FALSE(hull.facets.empty());
  std::unordered_map<std::int32_t, const Facet*> byId;
  for (const Facet& f : hull.facets)
    byId[f.id] = &f;
  const std::set<Key> vertices = distinctVertices(hull);
  std::set<std::pair<Key, Key>> sides;
  if (verticesBehind != nullptr)
    *verticesBehind = 0;
  for (std::size_t i = 0; i < hull.facets.size(); ++i) {
    Facet& f = hull.facets[i];
    SCOPED_TRACE(testing::Message() << "facet " << f.id);
    if (i > 0) {
      ASSERT_LT(hull.facets[i - 1].id, f.id);
    }
    ASSERT_EQ(f.vertices.size(), 3u);
    ASSERT_EQ(f.edges.size(), 3u);
    ASSERT_TRUE(f.outsidePoints.empty());
    for (std::size_t k = 0; k < 3; ++k) {
      const Edge& e = f.edges[k];
      ASSERT_TRUE(same(e.start, f.vertices[k]) && same(e.end, f.vertices[(k + 1) % 3]));
      sides.insert(std::minmax(key(e.start), key(e.end)));
      const auto g = byId.find(e.neighbor);
      ASSERT_NE(g, byId.end()) << "edge " << k << " names " << e.neighbor;
      const auto& ge = g->second->edges;
      ASSERT_TRUE(
          std::any_of(ge.begin(), ge.end(),
                      [&e](const Edge& h) { return same(h.start, e.end) && same(h.end, e.start); }))
          << "edge " << k;
    }
    const Plane& plane = f.getPlane();
    ASSERT_FALSE(std::isnan(plane.normal.x));
    for (const Vector3& p : points) {
      if (classify(plane, p, HULL_EPSILON) != PlaneSide::Back)
        continue;
      if (verticesBehind != nullptr && vertices.contains(key(p))) {
        ++*verticesBehind;
      } else {
        ADD_FAILURE() << "point " << p << " behind by " << dot(plane.normal, p) - plane.offset;
      }
    }
  }
  const auto v = static_cast<long>(vertices.size());
  const auto e = static_cast<long>(sides.size());
  const auto fc = static_cast<long>(hull.facets.size());
  EXPECT_EQ(v - e + fc, 2) << "V " << v << " E " << e << " F " << fc;
}

}  // namespace hulltest
