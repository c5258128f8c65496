// Greedy cutting of a start box (given axes, or the principal axes) by the exact hull's face
// planes, on the polygon polytope of volumes/polytope_clip.h; corners' deepest planes cached by
// their exact bits.
#include "volumes/reduced_hull.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "geometry/jacobi_eigen3.h"
#include "volumes/polytope_clip.h"

namespace {

constexpr std::size_t CANDIDATES = 6;

struct Plane {
  Vector3d normal;
  double offset = 0.0;
};

// The support value of the hull vertices in direction n, raised by a bound on the rounding
// of dot(n, v) for the vertex that attains it and for any point of the hull (each within
// 1.5 * 2^-52 of sum |n_i| |p_i| <= sum |n_i| largest_i), then one float step of double up.
class Support {
 public:
  explicit Support(std::vector<Vector3d> vertices) : vertices_(std::move(vertices)) {
    for (const Vector3d& v : vertices_) {
      for (int c = 0; c < 3; ++c)
        largest_[c] = std::max(largest_[c], std::fabs(v[c]));
    }
  }
  Plane plane(const Vector3d& normal) const {
    double reach = -std::numeric_limits<double>::infinity();
    for (const Vector3d& v : vertices_)
      reach = std::max(reach, dot(normal, v));
    const double bound = std::fabs(normal.x) * largest_[0] + std::fabs(normal.y) * largest_[1] +
                         std::fabs(normal.z) * largest_[2];
    return {normal, std::nextafter(reach + 0x1p-50 * bound, INFINITY)};
  }
  const std::vector<Vector3d>& vertices() const { return vertices_; }

 private:
  std::vector<Vector3d> vertices_;
  double largest_[3] = {0, 0, 0};
};

Vector3d newellNormal(const std::vector<Vector3d>& corners) {
  Vector3d n;
  for (std::size_t i = 0; i < corners.size(); ++i)
    n = n + cross(corners[i], corners[(i + 1) % corners.size()]);
  return normalized(n);
}

struct BitsKey {
  std::uint64_t x, y, z;
  bool operator==(const BitsKey&) const = default;
};
struct BitsHash {
  std::size_t operator()(const BitsKey& k) const {
    return static_cast<std::size_t>(k.x * 0x9e3779b97f4a7c15ull ^
                                    (k.y + 0x632be59bd9b4e019ull) * 0xc2b2ae3d27d4eb4full ^
                                    k.z * 0x165667b19e3779f9ull);
  }
};

struct Deepest {
  int face = -1;
  double depth = 0.0;
};

ReducedHull fromPolytope(const IndexedPolytope& polytope, const std::vector<Plane>& planes,
                         int maxVertices) {
  ReducedHull result;
  result.maxVertices = maxVertices;
  result.vertices = polytope.vertices;
  result.volume = polytope.volume;
  for (const PolytopeFace& face : polytope.faces) {
    const Plane& plane = planes[static_cast<std::size_t>(face.plane)];
    result.faces.push_back({plane.normal, plane.offset, face.loop});
  }
  return result;
}

// The hull itself: its faces on their own (rounded outward) planes.
ReducedHull hullItself(const ExactHull& hull, std::span<const Vector3> points,
                       const Support& support, int maxVertices) {
  ReducedHull result;
  result.maxVertices = maxVertices;
  std::vector<std::int32_t> index(points.size(), -1);
  for (std::size_t v = 0; v < hull.vertices.size(); ++v) {
    index[static_cast<std::size_t>(hull.vertices[v])] = static_cast<std::int32_t>(v);
    result.vertices.push_back(support.vertices()[v]);
  }
  for (const std::vector<std::int32_t>& face : hull.faces) {
    std::vector<Vector3d> corners;
    ReducedHullFace out;
    for (std::int32_t i : face) {
      corners.push_back(Vector3d(points[static_cast<std::size_t>(i)]));
      out.loop.push_back(index[static_cast<std::size_t>(i)]);
    }
    const Plane plane = support.plane(newellNormal(corners));
    out.normal = plane.normal;
    out.offset = plane.offset;
    result.faces.push_back(std::move(out));
  }
  result.volume = hull.volume;
  return result;
}

}  // namespace

ReducedHull reducedHull(std::span<const Vector3> points, const ExactHull& hull, int maxVertices,
                        const BoxAxes* startAxes) {
  maxVertices = std::max(maxVertices, 4);
  ReducedHull result;
  result.maxVertices = maxVertices;
  if (hull.vertices.empty())
    return result;
  std::vector<Vector3d> corners;
  for (std::int32_t i : hull.vertices)
    corners.push_back(Vector3d(points[static_cast<std::size_t>(i)]));
  const Support support(std::move(corners));
  const std::vector<Vector3d>& vertices = support.vertices();
  if (hull.vertices.size() <= static_cast<std::size_t>(maxVertices))
    return hullItself(hull, points, support, maxVertices);

  // The start: the box of the given axes, made orthonormal in double, or of the vertices'
  // principal axes.
  Vector3d mean;
  for (const Vector3d& v : vertices)
    mean = mean + v;
  mean = mean * (1.0 / static_cast<double>(vertices.size()));
  double moments[3][3] = {};
  double magnitude = 0.0;
  for (const Vector3d& v : vertices) {
    const Vector3d d = v - mean;
    for (int r = 0; r < 3; ++r) {
      magnitude = std::max(magnitude, std::fabs(v[r]));
      for (int c = 0; c < 3; ++c)
        moments[r][c] += d[r] * d[c];
    }
  }
  EigenDecomposition3d frame = jacobiEigen3(moments);
  if (startAxes) {
    const Vector3d a = normalized((*startAxes)[0]);
    const Vector3d b = normalized((*startAxes)[1] - a * dot((*startAxes)[1], a));
    const Vector3d c = cross(a, b);
    if (std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z) && dot(c, c) > 0.5) {
      frame.vectors[0] = a;
      frame.vectors[1] = b;
      frame.vectors[2] = c;
    }
  }
  std::vector<Plane> planes;
  double lo[3];
  double hi[3];
  for (int i = 0; i < 3; ++i) {
    planes.push_back(support.plane(frame.vectors[i]));
    planes.push_back(support.plane(-frame.vectors[i]));
    hi[i] = planes[static_cast<std::size_t>(2 * i)].offset;
    lo[i] = -planes[static_cast<std::size_t>(2 * i + 1)].offset;
  }
  const double tolerance = 1e-12 * magnitude;
  std::vector<ClipPolygon> current = boxPolygons(frame.vectors, lo, hi, {0, 1, 2, 3, 4, 5});
  if (hull.dimension != HullDimension::Solid)
    return fromPolytope(indexPolygons(current, tolerance), planes, maxVertices);

  // The hull's face planes, each through its first corner: enough to rank the cuts.
  std::vector<Plane> facePlanes;
  for (const std::vector<std::int32_t>& face : hull.faces) {
    std::vector<Vector3d> loop;
    for (std::int32_t i : face)
      loop.push_back(Vector3d(points[static_cast<std::size_t>(i)]));
    const Vector3d n = newellNormal(loop);
    facePlanes.push_back({n, dot(n, loop.front())});
  }
  std::vector<int> planeOfFace(facePlanes.size(), -1);
  std::unordered_map<BitsKey, Deepest, BitsHash> deepest;
  const auto deepestOf = [&](const Vector3d& p) {
    const BitsKey key{std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(p.y),
                      std::bit_cast<std::uint64_t>(p.z)};
    const auto found = deepest.find(key);
    if (found != deepest.end())
      return found->second;
    Deepest best;
    for (std::size_t f = 0; f < facePlanes.size(); ++f) {
      const double depth = dot(facePlanes[f].normal, p) - facePlanes[f].offset;
      if (depth > best.depth) {
        best.depth = depth;
        best.face = static_cast<int>(f);
      }
    }
    deepest.emplace(key, best);
    return best;
  };

  std::vector<std::vector<ClipPolygon>> history = {current};
  double volume = polygonsVolume(current);
  for (;;) {
    // The deepest distinct planes among the corners.
    std::vector<Deepest> ranked;
    for (const ClipPolygon& face : current) {
      for (const Vector3d& p : face.points) {
        const Deepest d = deepestOf(p);
        if (d.face >= 0 && d.depth > tolerance)
          ranked.push_back(d);
      }
    }
    std::sort(ranked.begin(), ranked.end(), [](const Deepest& a, const Deepest& b) {
      return a.depth > b.depth || (a.depth == b.depth && a.face < b.face);
    });
    ranked.erase(std::unique(ranked.begin(), ranked.end(),
                             [](const Deepest& a, const Deepest& b) { return a.face == b.face; }),
                 ranked.end());
    std::vector<int> tried;
    std::vector<ClipPolygon> best;
    double bestVolume = volume;
    for (const Deepest& d : ranked) {
      if (tried.size() == CANDIDATES)
        break;
      if (std::find(tried.begin(), tried.end(), d.face) != tried.end())
        continue;
      tried.push_back(d.face);
      int& label = planeOfFace[static_cast<std::size_t>(d.face)];
      if (label < 0) {
        label = static_cast<int>(planes.size());
        planes.push_back(support.plane(facePlanes[static_cast<std::size_t>(d.face)].normal));
      }
      std::vector<ClipPolygon> cut = current;
      const Plane& plane = planes[static_cast<std::size_t>(label)];
      if (!clipPolygons(cut, plane.normal, plane.offset, label, tolerance))
        continue;
      if (estimatedVertexCount(cut) > maxVertices)
        continue;
      const double cutVolume = polygonsVolume(cut);
      if (cutVolume < bestVolume) {
        bestVolume = cutVolume;
        best = std::move(cut);
      }
    }
    if (best.empty())
      break;
    current = std::move(best);
    volume = bestVolume;
    history.push_back(current);
  }
  // The estimate counts corners that merging may not: step back until the count holds.
  for (auto state = history.rbegin(); state != history.rend(); ++state) {
    IndexedPolytope polytope = indexPolygons(*state, tolerance);
    if (polytope.vertices.size() <= static_cast<std::size_t>(maxVertices))
      return fromPolytope(polytope, planes, maxVertices);
  }
  return result;
}
