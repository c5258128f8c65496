// Point clouds and hull invariant checks shared by the hull tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

namespace hulltest {

using Key = std::tuple<float, float, float>;
inline Key key(const Vector3& p) {
  return {p.x, p.y, p.z};
}

// The program's kind of cloud: 20 points, each coordinate an integer in [-100, 99].
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
    const float x = coord(rng);
    const float y = coord(rng);
    const float z = coord(rng);
    points.push_back({x, y, z});
  }
  return points;
}

inline std::vector<Vector3> sphereCloud(std::uint32_t seed, int count, float radius) {
  std::mt19937 rng(seed);
  std::normal_distribution<float> gauss(0.0f, 1.0f);
  std::vector<Vector3> points;
  while (static_cast<int>(points.size()) < count) {
    Vector3 d{gauss(rng), gauss(rng), gauss(rng)};
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

// The properties every finished hull of a cloud with a proper first tetrahedron has.
inline void expectValidHull(ConvexHull& hull, const std::vector<Vector3>& points) {
  ASSERT_FALSE(hull.facets.empty());
  std::set<Key> vertices;
  std::set<std::pair<Key, Key>> sides;
  for (std::size_t i = 0; i < hull.facets.size(); ++i) {
    Facet& f = hull.facets[i];
    if (i > 0) {
      EXPECT_LT(hull.facets[i - 1].id, f.id) << "ids increase along the list";
    }
    ASSERT_EQ(f.vertices.size(), 3u);
    ASSERT_EQ(f.edges.size(), 3u);
    EXPECT_TRUE(f.outsidePoints.empty()) << "facet " << f.id;
    for (std::size_t k = 0; k < 3; ++k) {
      const Edge& e = f.edges[k];
      EXPECT_EQ(key(e.start), key(f.vertices[k]));
      EXPECT_EQ(key(e.end), key(f.vertices[(k + 1) % 3]));
      vertices.insert(key(f.vertices[k]));
      sides.insert(std::minmax(key(e.start), key(e.end)));
      const Facet* g = nullptr;
      for (const Facet& h : hull.facets) {
        if (h.id == e.neighbor)
          g = &h;
      }
      ASSERT_NE(g, nullptr) << "facet " << f.id << " edge " << k << " names " << e.neighbor;
      bool reversed = false;
      for (const Edge& ge : g->edges) {
        if (key(ge.start) == key(e.end) && key(ge.end) == key(e.start))
          reversed = true;
      }
      EXPECT_TRUE(reversed) << "facet " << f.id << " edge " << k;
    }
    const Plane& plane = f.getPlane();
    ASSERT_FALSE(std::isnan(plane.normal.x)) << "facet " << f.id;
    for (const Vector3& p : points) {
      EXPECT_NE(classify(plane, p, HULL_EPSILON), PlaneSide::Back) << "facet " << f.id;
    }
  }
  const auto v = static_cast<long>(vertices.size());
  const auto e = static_cast<long>(sides.size());
  const auto fc = static_cast<long>(hull.facets.size());
  EXPECT_EQ(v - e + fc, 2) << "V " << v << " E " << e << " F " << fc;
}

}  // namespace hulltest
