// The indexed build against the literal reference build (reference_hull.h): on every kind of
// cloud, regular and degenerate, both must leave the same hull bit for bit: facet order, ids,
// vertices, planes, edges, neighbour links, outside sets, farthest points and step counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "hull/convex_hull.h"
#include "hull/tests/hull_test_support.h"
#include "hull/tests/reference_hull.h"

namespace {

using namespace hulltest;

// Under the sanitizers every build is many times slower: fewer clouds, same kinds.
#ifdef BVDEMO_SANITIZED
constexpr int SCALE_DOWN = 25;
#else
constexpr int SCALE_DOWN = 1;
#endif

std::uint32_t bits(float f) {
  return std::bit_cast<std::uint32_t>(f);
}

bool same(const Vector3& a, const Vector3& b) {
  return bits(a.x) == bits(b.x) && bits(a.y) == bits(b.y) && bits(a.z) == bits(b.z);
}

std::string hex(const Vector3& v) {
  char s[64];
  std::snprintf(s, sizeof s, "%08x %08x %08x", bits(v.x), bits(v.y), bits(v.z));
  return s;
}

// The first difference between the two hulls, or "" when they agree bit for bit.
std::string firstDifference(const ConvexHull& fast, const ConvexHull& ref) {
  if (fast.facets.size() != ref.facets.size())
    return text("facet count ", fast.facets.size(), " vs ", ref.facets.size());
  if (fast.nextFacetId != ref.nextFacetId || fast.expansionSteps != ref.expansionSteps)
    return text("next id ", fast.nextFacetId, " vs ", ref.nextFacetId, ", steps ",
                fast.expansionSteps, " vs ", ref.expansionSteps);
  if (!same(fast.interiorPoint, ref.interiorPoint))
    return "interior point";
  for (std::size_t i = 0; i < fast.facets.size(); ++i) {
    const Facet& f = fast.facets[i];
    const Facet& r = ref.facets[i];
    const std::string at = text("facet ", i, " (id ", r.id, "): ");
    if (f.id != r.id)
      return text(at, "id ", f.id);
    if (f.vertices.size() != r.vertices.size() || f.edges.size() != r.edges.size() ||
        f.outsidePoints.size() != r.outsidePoints.size())
      return text(at, "sizes");
    for (std::size_t k = 0; k < f.vertices.size(); ++k) {
      if (!same(f.vertices[k], r.vertices[k]))
        return text(at, "vertex ", k, ' ', hex(f.vertices[k]), " vs ", hex(r.vertices[k]));
    }
    if (f.triangleIndices != r.triangleIndices)
      return text(at, "fan");
    if (f.planeValid != r.planeValid || !same(f.plane.normal, r.plane.normal) ||
        bits(f.plane.offset) != bits(r.plane.offset))
      return text(at, "plane (valid ", f.planeValid, " vs ", r.planeValid, ")");
    for (std::size_t k = 0; k < f.edges.size(); ++k) {
      const Edge& e = f.edges[k];
      const Edge& g = r.edges[k];
      if (!same(e.start, g.start) || !same(e.end, g.end) || e.neighbor != g.neighbor)
        return text(at, "edge ", k, " neighbour ", e.neighbor, " vs ", g.neighbor);
    }
    for (std::size_t k = 0; k < f.outsidePoints.size(); ++k) {
      if (!same(f.outsidePoints[k], r.outsidePoints[k]))
        return text(at, "outside point ", k);
    }
    if (!same(f.farthestPoint, r.farthestPoint) ||
        bits(f.farthestDistance) != bits(r.farthestDistance))
      return text(at, "farthest point");
  }
  return "";
}

void expectSameHull(const std::vector<Vector3>& points, const std::string& what) {
  const ConvexHull ref = referenceHull(points);
  ConvexHull fast;
  fast.build(points);
  const std::string difference = firstDifference(fast, ref);
  EXPECT_EQ(difference, "") << what << ", " << points.size() << " points";
}

// The program's own recipe: srand(seed), then rand() % 200 - 100 for x, y and z of 20 points.
std::vector<Vector3> programRandCloud(unsigned seed) {
  std::srand(seed);
  std::vector<Vector3> points(20);
  for (Vector3& p : points) {
    p.x = static_cast<float>(std::rand() % 200 - 100);
    p.y = static_cast<float>(std::rand() % 200 - 100);
    p.z = static_cast<float>(std::rand() % 200 - 100);
  }
  return points;
}

enum class Shape {
  Cube,
  Ball,
  Sphere,
  Cylinder,
  Gaussian,
  Lattice,
  LatticeSphere,
  Slab,
  Line,
  Plane
};

std::vector<Vector3> shapedCloud(Shape shape, std::uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::normal_distribution<float> normal(0.0f, 30.0f);
  std::uniform_int_distribution<int> small(-6, 6);
  std::vector<Vector3> points;
  while (static_cast<int>(points.size()) < count) {
    Vector3 p{unit(rng), unit(rng), unit(rng)};
    switch (shape) {
      case Shape::Cube:
        p *= 100.0f;
        break;
      case Shape::Ball:
        if (dot(p, p) > 1.0f)
          continue;
        p *= 100.0f;
        break;
      case Shape::Sphere:
        if (dot(p, p) < 1e-4f)
          continue;
        p.normalize();
        p *= 100.0f;
        break;
      case Shape::Cylinder: {
        Vector3 rim{p.x, p.y, 0.0f};
        if (dot(rim, rim) < 1e-4f)
          continue;
        rim.normalize();
        p = {rim.x * 50.0f, rim.y * 50.0f, p.z * 100.0f};
        break;
      }
      case Shape::Gaussian:
        p = {normal(rng), normal(rng), normal(rng)};
        break;
      case Shape::Lattice:  // many coplanar points on the faces of the hull
        p = {static_cast<float>(small(rng)), static_cast<float>(small(rng)),
             static_cast<float>(small(rng))};
        break;
      case Shape::LatticeSphere: {  // integer points with x^2 + y^2 + z^2 = 125 or 126
        p = {static_cast<float>(small(rng) * 2), static_cast<float>(small(rng) * 2),
             static_cast<float>(small(rng) * 2)};
        const float r2 = dot(p, p);
        if (r2 != 104.0f && r2 != 108.0f && r2 != 72.0f)
          continue;
        break;
      }
      case Shape::Slab:  // thickness around the tolerance
        p = {p.x * 100.0f, p.y * 100.0f, p.z * 0.001f};
        break;
      case Shape::Line:
        p = Vector3{3.0f, -1.0f, 2.0f} * (p.x * 30.0f) + Vector3{1, 2, 3};
        break;
      case Shape::Plane:
        p = {p.x * 100.0f, p.y * 100.0f, p.x * 20.0f - p.y * 50.0f + 7.0f};
        break;
    }
    points.push_back(p);
  }
  return points;
}

TEST(FastHull, ProgramCloudsGiveTheReferenceHull) {
  for (unsigned seed = 0; seed < 3000 / SCALE_DOWN; ++seed) {
    expectSameHull(programRandCloud(seed), text("program seed ", seed));
    if (HasFailure())
      return;
  }
}

TEST(FastHull, ShapedFloatCloudsGiveTheReferenceHull) {
  // Sizes cycle; the large ones go to shapes with few hull vertices, as the reference build
  // costs the square of the vertex count.
  const int sizes[] = {4, 5, 8, 13, 30, 60, 100, 250, 600, 1000};
  const Shape shapes[] = {Shape::Cube,     Shape::Ball,    Shape::Sphere,        Shape::Cylinder,
                          Shape::Gaussian, Shape::Lattice, Shape::LatticeSphere, Shape::Slab,
                          Shape::Line,     Shape::Plane};
  for (std::uint32_t seed = 1; seed <= 60 / SCALE_DOWN; ++seed) {
    for (const Shape shape : shapes) {
      const int count = sizes[(seed + static_cast<std::uint32_t>(shape)) % std::size(sizes)];
      expectSameHull(shapedCloud(shape, seed, count),
                     text("shape ", static_cast<int>(shape), " seed ", seed));
    }
    if (HasFailure())
      return;
  }
  for (const Shape shape : {Shape::Cube, Shape::Ball, Shape::Gaussian, Shape::Lattice})
    expectSameHull(shapedCloud(shape, 99, 5000 / SCALE_DOWN), text("large ", int(shape)));
  expectSameHull(shapedCloud(Shape::Sphere, 99, 2000 / SCALE_DOWN), "large sphere");
}

// Copies (-0 beside +0 included), points within the side matching tolerance of each other,
// and scaled and shifted clouds where rounding decides.
TEST(FastHull, RepeatedNearAndFarPointsGiveTheReferenceHull) {
  for (std::uint32_t seed = 1; seed <= 200 / SCALE_DOWN; ++seed) {
    std::mt19937 rng(seed);
    const int count = 10 + static_cast<int>(rng() % 300);
    const auto base = shapedCloud(seed % 3 == 0 ? Shape::Sphere : Shape::Cube, seed, count);

    auto repeated = base;  // every point twice, some copies interleaved
    for (const Vector3& p : base)
      repeated.insert(repeated.begin() + static_cast<long>(rng() % repeated.size()), p);
    repeated.push_back({0.0f, 0.0f, 100.0f});
    repeated.push_back({-0.0f, 0.0f, 100.0f});
    expectSameHull(repeated, text("repeated, seed ", seed));

    auto near = base;  // jittered copies within 0.001 per coordinate: sides link by tolerance
    for (const Vector3& p : base) {
      if (rng() % 3 == 0)
        near.push_back(p + Vector3{0.0004f, -0.0006f, 0.0002f} * static_cast<float>(rng() % 2));
    }
    expectSameHull(near, text("near copies, seed ", seed));

    for (const float scale : {1e4f, 1e5f}) {
      auto scaled = base;
      for (Vector3& p : scaled)
        p = p * (scale / 100.0f);
      expectSameHull(scaled, text("scale ", scale, ", seed ", seed));
    }
    const float shift = std::pow(10.0f, 5.0f + static_cast<float>(seed % 3));
    auto shifted = shapedCloud(Shape::Cube, seed, 40);
    for (Vector3& p : shifted)
      p = p * 0.01f * static_cast<float>(1 + seed % 4) + Vector3{shift, -shift, shift};
    expectSameHull(shifted, text("shift ", shift, ", seed ", seed));
    if (HasFailure())
      return;
  }
}

// Hulls large enough for the grouped visibility test, where the float rounding of the distance
// reaches the tolerance: spheres far from the origin, and spheres not much larger than it.
TEST(FastHull, SpheresWhereRoundingDecidesVisibilityGiveTheReferenceHull) {
  for (std::uint32_t seed = 1; seed <= 12 / SCALE_DOWN + 1; ++seed) {
    const float shift = std::pow(10.0f, 2.0f + static_cast<float>(seed % 5));
    const float scale = seed % 3 == 0 ? 0.002f : 1.0f;
    auto cloud = shapedCloud(Shape::Sphere, seed, 900);  // past the index's 1024 facets
    for (Vector3& p : cloud)
      p = p * scale + Vector3{shift, -0.5f * shift, 0.25f * shift};
    expectSameHull(cloud, text("sphere shift ", shift, " scale ", scale, ", seed ", seed));
    if (HasFailure())
      return;
  }
}

// Spheres so large that the squares of some facets' Newell normals pass the float range: those
// facets normalise to the zero normal (finite, so they are grouped, yet they point nowhere).
TEST(FastHull, SpheresWhoseLargestFacetsLoseTheirNormalGiveTheReferenceHull) {
  for (std::uint32_t seed = 1; seed <= 8 / SCALE_DOWN + 1; ++seed) {
    const float radius = seed % 2 == 1 ? 3.2e9f : 3.5e9f;
    auto cloud = shapedCloud(Shape::Sphere, seed, 900);  // past the index's 1024 facets
    for (Vector3& p : cloud)
      p = p * (radius / 100.0f);
    expectSameHull(cloud, text("sphere radius ", radius, ", seed ", seed));
    if (HasFailure())
      return;
  }
}

// Non-finite points are left out, and a far point makes sides fail to link until the limit of
// two facets per point ends the build: it must end at the same step.
TEST(FastHull, HostileCloudsGiveTheReferenceHull) {
  expectSameHull({}, "empty");
  expectSameHull({{1, 2, 3}}, "one point");
  expectSameHull(std::vector<Vector3>(9, Vector3{1, 2, 3}), "one point nine times");
  for (std::uint32_t seed = 1; seed <= 300 / SCALE_DOWN; ++seed) {
    expectSameHull(hostileCloud(seed, 200, true), text("hostile, seed ", seed));
    if (HasFailure())
      return;
  }
}

}  // namespace
