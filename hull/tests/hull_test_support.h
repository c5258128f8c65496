// Point clouds and the invariant check of finished hulls, shared by the hull and bounds tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

namespace hulltest {

// Exact coordinates, for sets and comparisons of points.
using Key = std::tuple<float, float, float>;
inline Key key(const Vector3& p) {
  return {p.x, p.y, p.z};
}

// The program's kind of cloud: 20 points, each coordinate an integer in [-100, 99].
inline std::vector<Vector3> programCloud(std::uint32_t seed) {
  std::mt19937 rng(seed);
  const auto coordinate = [&rng] {
    return static_cast<float>(static_cast<int>(rng() % 200) - 100);
  };
  std::vector<Vector3> points(20);
  for (Vector3& p : points)
    p = {coordinate(), coordinate(), coordinate()};
  return points;
}

// count float points uniform in the cube [-half, half]^3, or projected from it onto the
// sphere of radius half.
inline std::vector<Vector3> floatCloud(std::uint32_t seed, int count, bool onSphere,
                                       float half = 100.0f) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> coordinate(-half, half);
  std::vector<Vector3> points(static_cast<std::size_t>(count));
  for (Vector3& p : points) {
    p = {coordinate(rng), coordinate(rng), coordinate(rng)};
    if (onSphere) {
      p.normalize();
      p *= half;
    }
  }
  return points;
}

// A cloud the build must survive: 5 + (a draw below sizeSpread) points, each with chance
// 1/16 a far point (1e6 to 1e12 along one fixed direction), with chance 1/16 one with a
// non-finite coordinate (NaN for odd seeds, infinity for even), with chance 1/16, when
// oppositeFar, a far point on the other side with an infinite coordinate, and otherwise an
// integer point as programCloud draws them.
inline std::vector<Vector3> hostileCloud(std::uint32_t seed, std::uint32_t sizeSpread,
                                         bool oppositeFar) {
  std::mt19937 rng(seed);
  const auto coordinate = [&rng] {
    return static_cast<float>(static_cast<int>(rng() % 200) - 100);
  };
  std::vector<Vector3> cloud;
  const int n = 5 + static_cast<int>(rng() % sizeSpread);
  const float far = std::pow(10.0f, 6.0f + static_cast<float>(rng() % 60) / 10.0f);
  for (int i = 0; i < n; ++i) {
    const auto kind = rng() % 16;
    if (kind == 0)
      cloud.push_back({far, 1.5f * far, 1.39f * far});
    else if (kind == 1)
      cloud.push_back({seed % 2 ? NAN : INFINITY, coordinate(), 1e10f});
    else if (kind == 2 && oppositeFar)
      cloud.push_back({-far, coordinate(), -INFINITY});
    else
      cloud.push_back({coordinate(), coordinate(), coordinate()});
  }
  return cloud;
}

// The parts in their text form (vectors as "x y z"), run together.
template <class... Parts>
std::string text(const Parts&... parts) {
  std::ostringstream os;
  (os << ... << parts);
  return os.str();
}

// A facet as "id: (loop) (in) (order) -> neighbours of its edges".
inline std::string describe(const Facet& f) {
  std::string s = text(f.id, ":");
  for (const Vector3& v : f.vertices)
    s += text(" (", v, ")");
  s += " ->";
  for (const Edge& e : f.edges)
    s += text(' ', e.neighbor);
  return s;
}

inline std::set<Key> distinctVertices(const ConvexHull& hull) {
  std::set<Key> vertices;
  for (const Facet& f : hull.facets) {
    for (const Vector3& v : f.vertices)
      vertices.insert(key(v));
  }
  return vertices;
}

// The invariants of a finished hull whose first tetrahedron is proper: ids increase along the
// list; every facet is a triangle with a proper plane, an empty outside set and edges that
// follow its loop, each naming a facet in the list that holds the same side reversed;
// V - E + F = 2 on distinct vertices; and no input point lies more than HULL_EPSILON behind a
// facet. The absolute tolerance lets an eye point almost in line with a horizon edge span a
// sliver tilted past a neighbouring hull vertex: when verticesBehind is given, such pairs are
// counted there instead of failing (points that are not hull vertices must still be in front).
inline void expectValidHull(ConvexHull& hull, const std::vector<Vector3>& points,
                            int* verticesBehind = nullptr) {
  ASSERT_FALSE(hull.facets.empty());
  const std::set<Key> vertices = distinctVertices(hull);
  std::set<std::pair<Key, Key>> sides;
  for (std::size_t i = 0; i < hull.facets.size(); ++i) {
    Facet& f = hull.facets[i];
    SCOPED_TRACE(testing::Message() << "facet " << f.id);
    ASSERT_TRUE(i == 0 || hull.facets[i - 1].id < f.id);
    ASSERT_TRUE(f.vertices.size() == 3 && f.edges.size() == 3 && f.outsidePoints.empty());
    for (std::size_t k = 0; k < 3; ++k) {
      const Edge& e = f.edges[k];
      ASSERT_TRUE(key(e.start) == key(f.vertices[k]) && key(e.end) == key(f.vertices[(k + 1) % 3]));
      sides.insert(std::minmax(key(e.start), key(e.end)));
      const auto g = std::find_if(hull.facets.begin(), hull.facets.end(),
                                  [&e](const Facet& h) { return h.id == e.neighbor; });
      ASSERT_NE(g, hull.facets.end()) << "edge " << k << " names " << e.neighbor;
      ASSERT_TRUE(std::any_of(
          g->edges.begin(), g->edges.end(),
          [&e](const Edge& h) { return key(h.start) == key(e.end) && key(h.end) == key(e.start); }))
          << "edge " << k;
    }
    const Plane& plane = f.getPlane();
    ASSERT_FALSE(std::isnan(plane.normal.x));
    for (const Vector3& p : points) {
      if (classify(plane, p, HULL_EPSILON) != PlaneSide::Back)
        continue;
      if (verticesBehind != nullptr && vertices.contains(key(p)))
        ++*verticesBehind;
      else
        ADD_FAILURE() << "point " << p << " behind by " << dot(plane.normal, p) - plane.offset;
    }
  }
  EXPECT_EQ(
      static_cast<long>(vertices.size() + hull.facets.size()) - static_cast<long>(sides.size()), 2)
      << "V " << vertices.size() << " E " << sides.size() << " F " << hull.facets.size();
}

}  // namespace hulltest
