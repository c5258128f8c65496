// From the build's closed triangulated surface to the hull's faces: coplanar neighbours are
// joined (union-find over the triangles, with the exact coplanarity test), each face's
// boundary is walked as one cycle, the boundary vertices where it runs straight are dropped
// (exact collinearity in a projection the face is not parallel to), and each face is fanned
// again from its first corner. Of a convex polytope, the corners of the faces are exactly the
// extreme points; a vertex the build kept inside a face or on an edge disappears here.
#include "hull/exact_hull_faces.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "geometry/vector3d.h"
#include "hull/orientation.h"

namespace {

struct DisjointSets {
  std::vector<std::int32_t> parent;
  explicit DisjointSets(std::size_t n) : parent(n) {
    for (std::size_t i = 0; i < n; ++i)
      parent[i] = static_cast<std::int32_t>(i);
  }
  std::int32_t find(std::int32_t i) {
    while (parent[static_cast<std::size_t>(i)] != i) {
      std::int32_t& p = parent[static_cast<std::size_t>(i)];
      p = parent[static_cast<std::size_t>(p)];
      i = p;
    }
    return i;
  }
  // The smaller index stays the root, so a set's root is its first triangle.
  void unite(std::int32_t a, std::int32_t b) {
    a = find(a);
    b = find(b);
    if (a != b)
      parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
  }
};

constexpr std::uint64_t EMPTY_KEY = ~std::uint64_t{0};

std::uint64_t edgeKey(std::int32_t from, std::int32_t to) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(from)) << 32) |
         static_cast<std::uint32_t>(to);
}

// Each face fanned from its first corner, and every edge linked to its reverse.
void fanAndLink(ExactHull& hull) {
  hull.triangles.clear();
  for (std::size_t f = 0; f < hull.faces.size(); ++f) {
    const std::vector<std::int32_t>& loop = hull.faces[f];
    for (std::size_t i = 1; i + 1 < loop.size(); ++i) {
      HullTriangle t;
      t.vertices = {loop[0], loop[i], loop[i + 1]};
      t.face = static_cast<std::int32_t>(f);
      hull.triangles.push_back(t);
    }
  }
  // Every directed edge in an open-addressing table; each edge then finds its reverse.
  std::size_t capacity = 16;
  while (capacity < hull.triangles.size() * 6)
    capacity *= 2;
  std::vector<std::uint64_t> keys(capacity, EMPTY_KEY);
  std::vector<std::int32_t> owners(capacity);
  const auto slotOf = [&](std::uint64_t key) {
    std::size_t slot =
        static_cast<std::size_t>((key * 0x9e3779b97f4a7c15ull) >> 20) & (capacity - 1);
    while (keys[slot] != EMPTY_KEY && keys[slot] != key)
      slot = (slot + 1) & (capacity - 1);
    return slot;
  };
  for (std::size_t t = 0; t < hull.triangles.size(); ++t) {
    const auto& v = hull.triangles[t].vertices;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::uint64_t key = edgeKey(v[k], v[(k + 1) % 3]);
      const std::size_t slot = slotOf(key);
      if (keys[slot] == key)
        throw std::logic_error("exact hull: an edge twice in one direction");
      keys[slot] = key;
      owners[slot] = static_cast<std::int32_t>(t);
    }
  }
  for (HullTriangle& t : hull.triangles) {
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t slot = slotOf(edgeKey(t.vertices[(k + 1) % 3], t.vertices[k]));
      if (keys[slot] == EMPTY_KEY)
        throw std::logic_error("exact hull: an edge without its reverse");
      t.neighbors[k] = owners[slot];
    }
  }
}

// (b - a) x (c - a) in double from the triangle's own corners; a component that rounding may
// have swamped (below its error bound) is taken from its exact value instead, so a sliver
// keeps its area.
Vector3d triangleNormal(const Vector3& a, const Vector3& b, const Vector3& c) {
  const Vector3d u = Vector3d(b) - Vector3d(a), v = Vector3d(c) - Vector3d(a);
  Vector3d n;
  for (int k = 0; k < 3; ++k) {
    const int i = (k + 1) % 3, j = (k + 2) % 3;
    const double left = u[i] * v[j], right = u[j] * v[i];
    n[k] = left - right;
    if (!(std::fabs(n[k]) > 0x1p-49 * (std::fabs(left) + std::fabs(right))))
      n[k] = crossComponent(a, b, c, k);
  }
  return n;
}

void measure(std::span<const Vector3> points, ExactHull& hull) {
  const auto at = [points](std::int32_t i) -> const Vector3& {
    return points[static_cast<std::size_t>(i)];
  };
  Vector3d centre;
  for (std::int32_t i : hull.vertices)
    centre = centre + Vector3d(at(i));
  centre = centre * (1.0 / static_cast<double>(hull.vertices.size()));
  double area = 0;
  double volume = 0;
  double magnitude = 0;  // of the volume's terms and products, for its rounding error
  for (const HullTriangle& t : hull.triangles) {
    const Vector3d a = Vector3d(at(t.vertices[0])) - centre;
    const Vector3d b = Vector3d(at(t.vertices[1])) - centre;
    const Vector3d c = Vector3d(at(t.vertices[2])) - centre;
    area += 0.5 * length(triangleNormal(at(t.vertices[0]), at(t.vertices[1]), at(t.vertices[2])));
    volume += dot(a, cross(b, c)) / 6.0;
    const Vector3d abs[3] = {{std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)},
                             {std::fabs(b.x), std::fabs(b.y), std::fabs(b.z)},
                             {std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)}};
    magnitude += dot(abs[0], Vector3d(abs[1].y * abs[2].z + abs[1].z * abs[2].y,
                                      abs[1].z * abs[2].x + abs[1].x * abs[2].z,
                                      abs[1].x * abs[2].y + abs[1].y * abs[2].x)) /
                 6.0;
  }
  // The centre's rounding moves no term's sum, but every difference, product and addition
  // rounds: where the sum could be that far from the truth (a sliver of a solid), the volume
  // is summed exactly instead, from the first corner, so it keeps its sign.
  const double error = (16.0 + 2.0 * static_cast<double>(hull.triangles.size())) * 0x1p-53;
  if (hull.dimension == HullDimension::Solid && !(volume > error * magnitude)) {
    DeterminantSum exact;
    const Vector3& origin = at(hull.triangles.front().vertices[0]);
    for (const HullTriangle& t : hull.triangles)
      exact.add(origin, at(t.vertices[0]), at(t.vertices[1]), at(t.vertices[2]));
    volume = exact.value() / 6.0;
  }
  hull.area = area;
  hull.volume = volume;
}

// The corners of all faces, ascending, marked in one pass over the points' indices.
void collectVertices(std::size_t pointCount, ExactHull& hull) {
  std::vector<bool> corner(pointCount, false);
  for (const std::vector<std::int32_t>& loop : hull.faces) {
    for (std::int32_t i : loop)
      corner[static_cast<std::size_t>(i)] = true;
  }
  hull.vertices.clear();
  for (std::size_t i = 0; i < pointCount; ++i) {
    if (corner[i])
      hull.vertices.push_back(static_cast<std::int32_t>(i));
  }
}

// An axis along which the triangle's projection keeps its area, decided exactly; the
// largest normal component is tried first.
int projectionAxis(const Vector3& a, const Vector3& b, const Vector3& c) {
  const Vector3d n = cross(Vector3d(b) - Vector3d(a), Vector3d(c) - Vector3d(a));
  int order[3] = {0, 1, 2};
  std::sort(order, order + 3, [&n](int i, int j) { return std::fabs(n[i]) > std::fabs(n[j]); });
  for (int axis : order) {
    if (orient2d(a, b, c, axis) != 0)
      return axis;
  }
  throw std::logic_error("exact hull: a triangle without area");
}

// The loop with its smallest index first, the cyclic order kept.
void rotateToSmallest(std::vector<std::int32_t>& loop) {
  std::rotate(loop.begin(), std::min_element(loop.begin(), loop.end()), loop.end());
}

}  // namespace

void finishSolid(std::span<const Vector3> points, const std::vector<BuildTriangle>& built,
                 ExactHull& hull) {
  const auto at = [points](std::int32_t i) -> const Vector3& {
    return points[static_cast<std::size_t>(i)];
  };
  const std::size_t count = built.size();
  DisjointSets sets(count);
  bool merged = false;
  for (std::size_t t = 0; t < count; ++t) {
    const BuildTriangle& tri = built[t];
    for (std::size_t k = 0; k < 3; ++k) {
      const std::int32_t u = tri.neighbors[k];
      if (static_cast<std::size_t>(u) <= t)
        continue;
      const BuildTriangle& other = built[static_cast<std::size_t>(u)];
      std::size_t j = 0;
      while (j < 3 && other.neighbors[j] != static_cast<std::int32_t>(t))
        ++j;
      const std::int32_t opposite = other.vertices[(j + 2) % 3];
      if (orient3d(at(tri.vertices[0]), at(tri.vertices[1]), at(tri.vertices[2]), at(opposite)) ==
          0) {
        sets.unite(static_cast<std::int32_t>(t), u);
        merged = true;
      }
    }
  }
  if (!merged) {
    // Every triangle is a face of its own: the build's surface is the hull's, each triangle
    // turned to start at its smallest index.
    hull.faces.resize(count);
    hull.triangles.resize(count);
    for (std::size_t t = 0; t < count; ++t) {
      const BuildTriangle& tri = built[t];
      std::size_t r = 0;
      for (std::size_t k = 1; k < 3; ++k) {
        if (tri.vertices[k] < tri.vertices[r])
          r = k;
      }
      HullTriangle& out = hull.triangles[t];
      for (std::size_t k = 0; k < 3; ++k) {
        out.vertices[k] = tri.vertices[(r + k) % 3];
        out.neighbors[k] = tri.neighbors[(r + k) % 3];
      }
      out.face = static_cast<std::int32_t>(t);
      hull.faces[t].assign(out.vertices.begin(), out.vertices.end());
    }
    hull.dimension = HullDimension::Solid;
    collectVertices(points.size(), hull);
    measure(points, hull);
    return;
  }
  // Faces numbered in the order of their first triangles.
  std::vector<std::int32_t> faceOf(count, -1);
  std::vector<std::int32_t> firstTriangle;
  for (std::size_t t = 0; t < count; ++t) {
    const std::int32_t root = sets.find(static_cast<std::int32_t>(t));
    if (faceOf[static_cast<std::size_t>(root)] < 0) {
      faceOf[static_cast<std::size_t>(root)] = static_cast<std::int32_t>(firstTriangle.size());
      firstTriangle.push_back(root);
    }
    faceOf[t] = faceOf[static_cast<std::size_t>(root)];
  }
  // Boundary edges, (face, from, to), sorted: each face's boundary is one cycle, so within a
  // face every vertex starts exactly one of them.
  struct BoundaryEdge {
    std::int32_t face, from, to;
    bool operator<(const BoundaryEdge& o) const {
      return face != o.face ? face < o.face : from < o.from;
    }
  };
  std::vector<BoundaryEdge> boundary;
  for (std::size_t t = 0; t < count; ++t) {
    for (std::size_t k = 0; k < 3; ++k) {
      if (faceOf[static_cast<std::size_t>(built[t].neighbors[k])] != faceOf[t])
        boundary.push_back({faceOf[t], built[t].vertices[k], built[t].vertices[(k + 1) % 3]});
    }
  }
  std::sort(boundary.begin(), boundary.end());
  hull.faces.assign(firstTriangle.size(), {});
  std::vector<std::int32_t> cycle;
  for (std::size_t begin = 0; begin < boundary.size();) {
    const std::int32_t face = boundary[begin].face;
    std::size_t end = begin;
    while (end < boundary.size() && boundary[end].face == face)
      ++end;
    cycle.clear();
    std::int32_t from = boundary[begin].from;
    do {
      cycle.push_back(from);
      const auto it = std::lower_bound(boundary.begin() + static_cast<std::ptrdiff_t>(begin),
                                       boundary.begin() + static_cast<std::ptrdiff_t>(end),
                                       BoundaryEdge{face, from, 0});
      if (it == boundary.begin() + static_cast<std::ptrdiff_t>(end) || it->from != from ||
          cycle.size() > end - begin)
        throw std::logic_error("exact hull: a face boundary that is not one cycle");
      from = it->to;
    } while (from != boundary[begin].from);
    if (cycle.size() != end - begin)
      throw std::logic_error("exact hull: a face boundary that is not one cycle");
    const BuildTriangle& first = built[static_cast<std::size_t>(firstTriangle[face])];
    const int axis =
        projectionAxis(at(first.vertices[0]), at(first.vertices[1]), at(first.vertices[2]));
    std::vector<std::int32_t>& corners = hull.faces[static_cast<std::size_t>(face)];
    const std::size_t n = cycle.size();
    for (std::size_t i = 0; i < n; ++i) {
      const std::int32_t prev = cycle[(i + n - 1) % n], next = cycle[(i + 1) % n];
      if (orient2d(at(prev), at(cycle[i]), at(next), axis) != 0)
        corners.push_back(cycle[i]);
    }
    rotateToSmallest(corners);
    begin = end;
  }
  hull.dimension = HullDimension::Solid;
  collectVertices(points.size(), hull);
  fanAndLink(hull);
  measure(points, hull);
}

void finishPolygon(std::span<const Vector3> points, std::vector<std::int32_t> corners,
                   ExactHull& hull) {
  rotateToSmallest(corners);
  // The back side starts at the front's second corner, so the two fans share no diagonal.
  std::vector<std::int32_t> back(corners.rbegin(), corners.rend());
  std::rotate(back.begin(), back.end() - 2, back.end());
  hull.dimension = HullDimension::Polygon;
  hull.faces = {std::move(corners), std::move(back)};
  collectVertices(points.size(), hull);
  fanAndLink(hull);
  measure(points, hull);
  // Two sides of one sheet: its area once, no volume.
  hull.area *= 0.5;
  hull.volume = 0;
}
