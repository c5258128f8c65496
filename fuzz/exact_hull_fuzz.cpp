// Fuzz target: buildExactHull on up to 256 points, checked against its contract by the same
// exact predicates: every finite point on or behind every triangle, a closed mesh with
// symmetric neighbour links and F = 2V - 4, vertices that are the first finite copy of their
// point and each used, faces without three collinear corners in a row, and the dimension.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "fuzz/point_decoder.h"
#include "hull/exact_hull.h"
#include "hull/orientation.h"

namespace {

constexpr std::size_t MAX_POINTS = 256;

void require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "exact_hull_fuzz: %s\n", what);
    std::abort();
  }
}

bool same(const Vector3& a, const Vector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool isFinite(const Vector3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::vector<Vector3> points = decodePoints(in, MAX_POINTS);
  const ExactHull hull = buildExactHull(points);
  const auto at = [&points](std::int32_t i) -> const Vector3& {
    require(i >= 0 && static_cast<std::size_t>(i) < points.size(), "an index out of range");
    return points[static_cast<std::size_t>(i)];
  };
  std::vector<Vector3> finite;
  std::copy_if(points.begin(), points.end(), std::back_inserter(finite), isFinite);

  // used: 1 for a vertex, 2 for a triangle's corner; a Solid or Polygon needs both or neither.
  const std::size_t v = hull.vertices.size();
  const bool closed = hull.dimension >= HullDimension::Polygon;
  std::vector<int> used(points.size(), closed ? 0 : 2);
  for (std::size_t k = 0; k < v; ++k) {
    const std::int32_t i = hull.vertices[k];
    require(isFinite(at(i)) && (k == 0 || hull.vertices[k - 1] < i), "a bad vertex list");
    for (std::int32_t j = 0; j < i; ++j)
      require(!same(at(j), at(i)), "a vertex is not the first of its equal points");
    used[static_cast<std::size_t>(i)] |= 1;
  }
  for (std::size_t t = 0; t < hull.triangles.size(); ++t) {
    const HullTriangle& tri = hull.triangles[t];
    const Vector3 &a = at(tri.vertices[0]), &b = at(tri.vertices[1]), &c = at(tri.vertices[2]);
    for (const Vector3& p : finite)
      require(orient3d(a, b, c, p) <= 0, "a point lies outside a triangle's plane");
    for (int k = 0; k < 3; ++k) {
      used[static_cast<std::size_t>(tri.vertices[k])] |= 2;
      const std::int32_t m = tri.neighbors[k];
      require(m >= 0 && static_cast<std::size_t>(m) < hull.triangles.size(), "a bad neighbour");
      const HullTriangle& other = hull.triangles[static_cast<std::size_t>(m)];
      bool linked = false;
      for (int j = 0; j < 3; ++j)
        linked = linked || (other.vertices[j] == tri.vertices[(k + 1) % 3] &&
                            other.vertices[(j + 1) % 3] == tri.vertices[k] &&
                            other.neighbors[j] == static_cast<std::int32_t>(t));
      require(linked, "a neighbour link is not symmetric");
    }
  }
  for (int u : used)
    require(u == 0 || u == 3 || (!closed && u == 2), "a vertex in no triangle, or not a vertex");
  for (const std::vector<std::int32_t>& f : hull.faces)
    for (std::size_t k = 0; k < f.size(); ++k)
      require(!collinear(at(f[k]), at(f[(k + 1) % f.size()]), at(f[(k + 2) % f.size()])),
              "three consecutive corners of a face are collinear");

  if (!closed) {
    require(v == static_cast<std::size_t>(static_cast<int>(hull.dimension) + 1) &&
                hull.faces.empty() && hull.triangles.empty() && finite.empty() == (v == 0),
            "a bad vertex count or faces for the dimension");
    for (const Vector3& p : finite)
      require(v == 1 ? same(p, at(hull.vertices[0]))
                     : collinear(at(hull.vertices[0]), at(hull.vertices[1]), p),
              "a point off the hull's point or segment");
    return 0;
  }
  require(hull.triangles.size() == 2 * v - 4, "F != 2V - 4");
  require(hull.dimension == HullDimension::Solid ? hull.volume > 0 : hull.volume == 0,
          "the volume does not match the dimension");
  require(hull.dimension < HullDimension::Polygon || hull.area > 0, "a hull without area");
  if (hull.dimension == HullDimension::Polygon) {
    const std::vector<std::int32_t>& f = hull.faces.at(0);
    for (const Vector3& p : finite)
      require(orient3d(at(f.at(0)), at(f.at(1)), at(f.at(2)), p) == 0, "a Polygon is not flat");
  }
  return 0;
}
