// The exact hull's contract, and its extreme points against CGAL's, on degenerate input.
#include "hull/exact_hull.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/convex_hull_3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "hull/orientation.h"
#include "hull/tests/hull_test_support.h"

namespace {

using namespace hulltest;
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Points = std::vector<Vector3>;

// The extreme points by CGAL: its hull mesh's vertices. On a line it takes the first point for
// an end; there the ends are the least and the greatest point.
std::set<Key> cgalExtremes(const Points& finite, HullDimension dimension) {
  std::set<Key> extremes;
  std::vector<K::Point_3> in;
  for (const Vector3& p : finite) {
    extremes.insert(key(p));
    in.emplace_back(p.x, p.y, p.z);
  }
  if (dimension < HullDimension::Polygon)
    return extremes.empty() ? extremes : std::set<Key>{*extremes.begin(), *extremes.rbegin()};
  CGAL::Surface_mesh<K::Point_3> mesh;
  CGAL::convex_hull_3(in.begin(), in.end(), mesh);
  extremes.clear();
  for (const K::Point_3& p : mesh.points())  // doubles made of floats: exact back in float
    extremes.insert(key(Vector3(p.x(), p.y(), p.z())));
  return extremes;
}

// What the contract says of the hull of points, but for determinism.
void expectContract(const Points& points, const ExactHull& hull, HullDimension dimension) {
  ASSERT_EQ(hull.dimension, dimension);
  std::map<Key, std::int32_t> first;
  Points finite;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vector3& p = points[i];
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) {
      first.try_emplace(key(p), static_cast<std::int32_t>(i));
      finite.push_back(p);
    }
  }
  const auto at = [&points](std::int32_t i) { return points.at(static_cast<std::size_t>(i)); };
  std::set<Key> ours;
  for (std::size_t k = 0; k < hull.vertices.size(); ++k) {
    EXPECT_TRUE(k == 0 || hull.vertices[k - 1] < hull.vertices[k]);
    EXPECT_EQ(hull.vertices[k], first[key(at(hull.vertices[k]))]) << "not the first copy";
    ours.insert(key(at(hull.vertices[k])));
  }
  EXPECT_EQ(ours, cgalExtremes(finite, dimension));
  if (dimension < HullDimension::Polygon) {
    EXPECT_TRUE(hull.faces.empty() && hull.triangles.empty() && hull.area == 0 && hull.volume == 0);
    return;
  }
  // Faces: coplanar corners, strictly convex (one turn sign in a projection that keeps their
  // plane), fanned from their first corner, in order, into the triangle list.
  std::size_t t = 0;
  std::set<std::int32_t> corners;
  std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> edges;
  for (std::size_t f = 0; f < hull.faces.size(); ++f) {
    const std::vector<std::int32_t>& c = hull.faces[f];
    const std::size_t n = c.size();
    ASSERT_GE(n, 3u);
    int axis = 0;
    while (axis < 2 && orient2d(at(c[0]), at(c[1]), at(c[2]), axis) == 0)
      ++axis;
    const int turn = orient2d(at(c[0]), at(c[1]), at(c[2]), axis);
    ASSERT_NE(turn, 0) << "face " << f << " starts with three collinear corners";
    for (std::size_t i = 0; i < n; ++i) {
      corners.insert(c[i]);
      EXPECT_EQ(orient3d(at(c[0]), at(c[1]), at(c[2]), at(c[i])), 0) << "face " << f;
      EXPECT_EQ(orient2d(at(c[i]), at(c[(i + 1) % n]), at(c[(i + 2) % n]), axis), turn)
          << "face " << f << " corner " << (i + 1) % n;
    }
    for (std::size_t i = 1; i + 1 < n; ++i, ++t) {
      ASSERT_LT(t, hull.triangles.size());
      const auto& v = hull.triangles[t].vertices;
      EXPECT_EQ(v, (std::array{c[0], c[i], c[i + 1]}));
      EXPECT_EQ(hull.triangles[t].face, static_cast<std::int32_t>(f));
      for (std::size_t k = 0; k < 3; ++k)
        EXPECT_TRUE(edges.try_emplace({v[k], v[(k + 1) % 3]}, t).second) << "an edge twice";
    }
  }
  EXPECT_EQ(t, hull.triangles.size());
  EXPECT_EQ(corners, std::set<std::int32_t>(hull.vertices.begin(), hull.vertices.end()));
  EXPECT_EQ(hull.triangles.size(), 2 * hull.vertices.size() - 4);
  // Closed: the neighbour across each edge holds it reversed. No point in front of a triangle.
  for (const HullTriangle& tri : hull.triangles) {
    const auto& v = tri.vertices;
    for (std::size_t k = 0; k < 3; ++k) {
      const auto e = edges.find({v[(k + 1) % 3], v[k]});
      EXPECT_TRUE(e != edges.end() && e->second == static_cast<std::size_t>(tri.neighbors[k]))
          << "across edge " << k;
    }
    const OrientationPlane plane(at(v[0]), at(v[1]), at(v[2]));
    for (const Vector3& p : finite)
      ASSERT_LE(plane.side(at(v[0]), at(v[1]), at(v[2]), p), 0) << p << " in front";
  }
  EXPECT_TRUE(hull.area > 0 &&
              (dimension == HullDimension::Solid ? hull.volume > 0 : hull.volume == 0));
}

// The hull of points, checked, and built again the same (equal faces fix the triangles).
ExactHull checkedHull(const Points& points, HullDimension dimension) {
  const ExactHull hull = buildExactHull(points), again = buildExactHull(points);
  expectContract(points, hull, dimension);
  EXPECT_TRUE(again.vertices == hull.vertices && again.faces == hull.faces &&
              again.area == hull.area && again.volume == hull.volume);
  return hull;
}

// Each face as its cycle of corner coordinates, started at the least.
std::set<std::vector<Key>> facesByCoordinates(const Points& points, const ExactHull& hull) {
  std::set<std::vector<Key>> faces;
  for (const auto& c : hull.faces) {
    std::vector<Key> keys;
    for (const std::int32_t i : c)
      keys.push_back(key(points[static_cast<std::size_t>(i)]));
    std::rotate(keys.begin(), std::min_element(keys.begin(), keys.end()), keys.end());
    faces.insert(keys);
  }
  return faces;
}

float integer(std::mt19937& rng, int half) {
  return static_cast<float>(static_cast<int>(rng() % (2 * half + 1)) - half);
}

// An n x m x k grid of integer points, shuffled; when sparse, points drawn from it, four spanning
// it.
Points lattice(std::mt19937& rng, bool sparse) {
  const int n = 2 + rng() % 6, m = 2 + rng() % 6, k = 2 + rng() % 6;
  const float step = 1 + rng() % 3, ox = integer(rng, 1000), oy = integer(rng, 1000);
  Points points;
  const int count = sparse ? 4 + static_cast<int>(rng() % 50) : n * m * k;
  for (int i = 0; i < count; ++i) {
    const int j = !sparse ? i : i < 4 ? std::array{0, 1, n, n * m}[i] : rng() % (n * m * k);
    points.push_back({ox + step * (j % n), oy + step * (j / n % m), step * (j / n / m)});
  }
  std::shuffle(points.begin(), points.end(), rng);
  return points;
}

// All integer points at squared distance r2 from an integer centre, shuffled; then the centre.
Points integerSphere(std::mt19937& rng, int r2) {
  const Vector3 centre{integer(rng, 500), integer(rng, 500), integer(rng, 500)};
  const int r = static_cast<int>(std::sqrt(r2));
  Points points;
  for (int x = -r; x <= r; ++x)
    for (int y = -r; y <= r; ++y)
      for (int z = -r; z <= r; ++z)
        if (x * x + y * y + z * z == r2)
          points.push_back(centre + Vector3(x, y, z));
  std::shuffle(points.begin(), points.end(), rng);
  points.push_back(centre);
  return points;
}

// Points on the faces of a box, or of a 100 x 100 x 0.002 slab when thin, turned in float
// arithmetic: each face is then nearly flat, off its plane by rounding only.
Points turnedBox(std::mt19937& rng, int count, bool thin = false) {
  std::uniform_real_distribution<float> unit(-1, 1), size(1, 100);
  Vector3 e0{unit(rng), unit(rng), unit(rng)}, e1{unit(rng), unit(rng), unit(rng)};
  e0.normalize();
  e1 = e1 - e0 * dot(e0, e1);
  e1.normalize();
  const Vector3 e2 = cross(e0, e1);
  const Vector3 half = thin ? Vector3{50, 50, 0.001f} : Vector3{size(rng), size(rng), size(rng)};
  Points points;
  for (int i = 0; i < count; ++i) {
    Vector3 p{unit(rng), unit(rng), unit(rng)};
    p[static_cast<int>(rng() % 3)] = rng() % 2 ? 1 : -1;
    points.push_back(e0 * (p.x * half.x) + e1 * (p.y * half.y) + e2 * (p.z * half.z));
  }
  return points;
}

// Full grids keep only their corners, integer points on a sphere are all vertices but the
// centre; and points drawn from grids, points on the faces of turned boxes and slabs.
TEST(ExactHull, DegenerateCloudsHaveExactlyTheirExtremePoints) {
  std::mt19937 rng(43);
  for (int n = 0; n < 1000; ++n) {
    EXPECT_EQ(checkedHull(lattice(rng, false), HullDimension::Solid).vertices.size(), 8u);
    checkedHull(lattice(rng, true), HullDimension::Solid);
    if (n < 40)
      checkedHull(turnedBox(rng, 100 + 50 * n, n % 2), HullDimension::Solid);
    if (n < 2)  // large enough to start from a sample's hull and cull through its cones
      checkedHull(turnedBox(rng, 30000, n % 2), HullDimension::Solid);
  }
  for (const int r2 : {325, 625, 1105, 2725, 4225}) {
    const Points sphere = integerSphere(rng, r2);
    EXPECT_EQ(checkedHull(sphere, HullDimension::Solid).vertices.size(), sphere.size() - 1);
  }
}

// Copies of every point, points with a non-finite coordinate and a shuffled order change no
// face; a scale by a power of two then changes not even an index.
TEST(ExactHull, CopiesOrderScaleAndNonFinitePointsChangeNoFace) {
  std::mt19937 rng(44);
  for (int n = 0; n < 200; ++n) {
    const Points points = n % 4 < 2    ? lattice(rng, n % 2)
                          : n % 4 == 2 ? integerSphere(rng, 325)
                                       : turnedBox(rng, 300);
    Points copies;
    for (const Vector3& p : points) {
      copies.insert(copies.end(), 1 + rng() % 3, p);
      if (rng() % 8 == 0)
        copies.push_back(rng() % 2 ? Vector3{NAN, p.y, p.z} : Vector3{p.x, -INFINITY, p.z});
    }
    std::shuffle(copies.begin(), copies.end(), rng);
    const ExactHull hull = checkedHull(copies, HullDimension::Solid);
    EXPECT_EQ(facesByCoordinates(copies, hull), facesByCoordinates(points, buildExactHull(points)));
    const int e = static_cast<int>(rng() % 121) - 60;
    for (Vector3& p : copies)
      p *= std::ldexp(1.0f, e);
    const ExactHull scaled = checkedHull(copies, HullDimension::Solid);
    EXPECT_EQ(scaled.vertices, hull.vertices) << "scaled by 2^" << e;
    EXPECT_EQ(facesByCoordinates(copies, scaled), facesByCoordinates(copies, hull));
  }
}

// Copies of one point, points on a line and points on a plane, through lattice points at a
// power of two scale from subnormal to 2^100, and no finite point at all.
TEST(ExactHull, FlatInputHasItsDimensionAndExtremePoints) {
  checkedHull({}, HullDimension::None);
  checkedHull({{NAN, 0, 0}, {0, INFINITY, 0}}, HullDimension::None);
  std::mt19937 rng(46);
  for (int n = 0; n < 3000; ++n) {
    const auto dimension = static_cast<HullDimension>(n % 3);
    const Vector3 o{integer(rng, 1000), integer(rng, 1000), integer(rng, 1000)};
    const Vector3 u = Vector3{integer(rng, 9), integer(rng, 9), integer(rng, 9)} * (n % 3 > 0);
    const Vector3 v = Vector3{integer(rng, 9), integer(rng, 9), integer(rng, 9)} * (n % 3 > 1);
    if (n % 3 > 0 && key(n % 3 == 1 ? u : cross(u, v)) == key(Vector3::ZERO))
      continue;  // u and v span less than they should
    const float scale = std::ldexp(1.0f, static_cast<int>(rng() % 241) - 140);
    Points points = {o * scale, (o + u) * scale, (o + v) * scale};
    for (std::size_t k = rng() % 60; k > 0; --k) {
      const float i = integer(rng, 20), j = integer(rng, 20);
      points.push_back((o + u * i + v * j) * scale);
    }
    std::shuffle(points.begin(), points.end(), rng);
    const ExactHull hull = checkedHull(points, dimension);
    EXPECT_EQ(hull.faces.size(), dimension == HullDimension::Polygon ? 2u : 0u);
    if (hull.faces.size() == 2) {  // a polygon's two sides: one cycle both ways round
      ExactHull turned = hull;
      std::reverse(turned.faces[1].begin(), turned.faces[1].end());
      EXPECT_EQ(facesByCoordinates(points, turned).size(), 1u);
    }
  }
}

}  // namespace
