// Triangle meshes of the bounding volumes: boxes from their corners, spheres as a geodesic
// polyhedron pushed out to circumscribe them, the 26-DOP and the hull from their own faces.
// Everything is built in double and rounded to float once, at the end.
#include "bounds/volume_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <utility>

#include "geometry/vector3d.h"
#include "hull/exact_hull.h"

namespace {

using Index = std::uint32_t;

// Four float steps at coordinates of magnitude `magnitude`: what rounding the corners to
// float, and a reader's float arithmetic, can take away from the volume.
double roundingMargin(double magnitude) {
  return 4.0 * magnitude * std::numeric_limits<float>::epsilon();
}

double largestComponent(const Vector3d& v) {
  return std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
}

// The box centre +- sum halfLengths[k] axes[k], grown by the margin: corner i takes the plus
// side of axis k where bit k of i is set. Each face is wound by its outward normal, so the
// winding holds for a box of zero thickness too.
TriangleMesh boxMesh(std::string name, const Vector3d& center, const std::array<Vector3d, 3>& axes,
                     const Vector3d& halfLengths) {
  const double margin = roundingMargin(largestComponent(center) + length(halfLengths));
  TriangleMesh mesh{std::move(name), {}, {}};
  for (int i = 0; i < 8; ++i) {
    Vector3d corner = center;
    for (int k = 0; k < 3; ++k) {
      const double extent = halfLengths[k] + margin;
      corner = corner + axes[k] * ((i >> k & 1) != 0 ? extent : -extent);
    }
    mesh.vertices.push_back(corner.toFloat());
  }
  for (int k = 0; k < 3; ++k) {
    const int j = (k + 1) % 3;
    const int l = (k + 2) % 3;
    for (const int side : {0, 1}) {
      const auto corner = [&](int onJ, int onL) {
        return static_cast<Index>(side << k | onJ << j | onL << l);
      };
      std::array<Index, 4> quad = {corner(0, 0), corner(1, 0), corner(1, 1), corner(0, 1)};
      const Vector3d outward = axes[k] * (side == 1 ? 1.0 : -1.0);
      if (dot(cross(axes[j], axes[l]), outward) < 0) {
        std::swap(quad[1], quad[3]);
      }
      mesh.triangles.push_back({quad[0], quad[1], quad[2]});
      mesh.triangles.push_back({quad[0], quad[2], quad[3]});
    }
  }
  return mesh;
}

struct UnitPolyhedron {
  std::vector<Vector3d> vertices;  // on the unit sphere
  std::vector<std::array<Index, 3>> triangles;
  double innerDistance = 1;  // the least distance from the centre to a triangle's plane
};

// An icosahedron with each triangle split in four, four times over, its vertices pushed onto
// the unit sphere.
UnitPolyhedron geodesicSphere() {
  const double phi = (1 + std::sqrt(5.0)) / 2;
  UnitPolyhedron shape;
  for (const Vector3d& v :
       {Vector3d{-1, phi, 0}, Vector3d{1, phi, 0}, Vector3d{-1, -phi, 0}, Vector3d{1, -phi, 0},
        Vector3d{0, -1, phi}, Vector3d{0, 1, phi}, Vector3d{0, -1, -phi}, Vector3d{0, 1, -phi},
        Vector3d{phi, 0, -1}, Vector3d{phi, 0, 1}, Vector3d{-phi, 0, -1}, Vector3d{-phi, 0, 1}}) {
    shape.vertices.push_back(normalized(v));
  }
  shape.triangles = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                     {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                     {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                     {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  for (int level = 0; level < 4; ++level) {
    std::map<std::pair<Index, Index>, Index> midpoints;
    const auto midpoint = [&](Index a, Index b) {
      const auto key = std::minmax(a, b);
      const auto [at, added] =
          midpoints.try_emplace(key, static_cast<Index>(shape.vertices.size()));
      if (added) {
        shape.vertices.push_back(normalized(shape.vertices[a] + shape.vertices[b]));
      }
      return at->second;
    };
    std::vector<std::array<Index, 3>> split;
    for (const auto& [a, b, c] : shape.triangles) {
      const Index ab = midpoint(a, b);
      const Index bc = midpoint(b, c);
      const Index ca = midpoint(c, a);
      split.insert(split.end(), {{a, ab, ca}, {b, bc, ab}, {c, ca, bc}, {ab, bc, ca}});
    }
    shape.triangles = std::move(split);
  }
  for (const auto& [a, b, c] : shape.triangles) {
    const Vector3d& p = shape.vertices[a];
    const Vector3d normal = normalized(cross(shape.vertices[b] - p, shape.vertices[c] - p));
    shape.innerDistance = std::min(shape.innerDistance, dot(normal, p));
  }
  return shape;
}

}  // namespace

TriangleMesh orientedBoxMesh(std::string name, const OrientedBox& box) {
  return boxMesh(std::move(name), Vector3d(box.center),
                 {Vector3d(box.axes[0]), Vector3d(box.axes[1]), Vector3d(box.axes[2])},
                 Vector3d(box.halfLengths));
}

TriangleMesh axisAlignedBoxMesh(std::string name, const AxisAlignedBox& box) {
  const Vector3d low(box.min);
  const Vector3d high(box.max);
  // Halves and sums of floats are exact in double, so the corners are min and max again.
  return boxMesh(std::move(name), (low + high) * 0.5,
                 {Vector3d{1, 0, 0}, Vector3d{0, 1, 0}, Vector3d{0, 0, 1}}, (high - low) * 0.5);
}

TriangleMesh sphereMesh(std::string name, const Sphere& sphere) {
  static const UnitPolyhedron unit = geodesicSphere();
  const Vector3d center(sphere.center);
  const double reach = sphere.radius / unit.innerDistance;
  const double scale = reach + roundingMargin(largestComponent(center) + reach);
  TriangleMesh mesh{std::move(name), {}, unit.triangles};
  mesh.vertices.reserve(unit.vertices.size());
  for (const Vector3d& direction : unit.vertices) {
    mesh.vertices.push_back((center + direction * scale).toFloat());
  }
  return mesh;
}

namespace {

// A convex polytope given by its corners and face loops: each corner moved out from the centre
// of the corners by the margin, as the boxes grow, and each face fanned from its first corner.
template <class Face>
TriangleMesh polytopeMesh(std::string name, const std::vector<Vector3d>& vertices,
                          const std::vector<Face>& faces) {
  TriangleMesh mesh{std::move(name), {}, {}};
  Vector3d centre;
  double magnitude = 0;
  for (const Vector3d& v : vertices) {
    centre = centre + v * (1.0 / static_cast<double>(vertices.size()));
    magnitude = std::max(magnitude, largestComponent(v));
  }
  const double margin = roundingMargin(magnitude);
  for (const Vector3d& v : vertices) {
    const double distance = length(v - centre);
    mesh.vertices.push_back((distance > 0 ? v + (v - centre) * (margin / distance) : v).toFloat());
  }
  for (const Face& face : faces) {
    for (std::size_t k = 2; k < face.loop.size(); ++k) {
      mesh.triangles.push_back({static_cast<Index>(face.loop[0]),
                                static_cast<Index>(face.loop[k - 1]),
                                static_cast<Index>(face.loop[k])});
    }
  }
  return mesh;
}

// The exact hull of the given corners as a mesh (the corners being the hull's points).
TriangleMesh hullOf(std::string name, const std::vector<Vector3d>& corners) {
  std::vector<Vector3> points;
  points.reserve(corners.size());
  for (const Vector3d& c : corners)
    points.push_back(c.toFloat());
  return hullMesh(std::move(name), points);
}

}  // namespace

TriangleMesh kdopMesh(std::string name, const Kdop& dop) {
  return polytopeMesh(std::move(name), dop.vertices, dop.faces);
}

TriangleMesh reducedHullMesh(std::string name, const ReducedHull& reduced) {
  return polytopeMesh(std::move(name), reduced.vertices, reduced.faces);
}

TriangleMesh ellipsoidMesh(std::string name, const Ellipsoid& ellipsoid) {
  // The affine image of a polyhedron around the unit ball is around the ellipsoid.
  static const UnitPolyhedron unit = geodesicSphere();
  const double largest = std::max({ellipsoid.radii[0], ellipsoid.radii[1], ellipsoid.radii[2]});
  const double margin = roundingMargin(largestComponent(ellipsoid.center) + largest);
  std::vector<Vector3d> corners;
  corners.reserve(unit.vertices.size());
  for (const Vector3d& u : unit.vertices) {
    Vector3d p = ellipsoid.center;
    for (std::size_t k = 0; k < 3; ++k)
      p = p + ellipsoid.axes[k] *
                  (u[static_cast<int>(k)] * (ellipsoid.radii[k] / unit.innerDistance + margin));
    corners.push_back(p);
  }
  return hullOf(std::move(name), corners);
}

TriangleMesh capsuleMesh(std::string name, const Capsule& capsule) {
  // The segment swept by a polyhedron around the ball: the hull of two copies of it.
  static const UnitPolyhedron unit = geodesicSphere();
  const Vector3d a(capsule.a);
  const Vector3d b(capsule.b);
  const double reach = capsule.radius / unit.innerDistance;
  const double scale =
      reach + roundingMargin(std::max(largestComponent(a), largestComponent(b)) + reach);
  std::vector<Vector3d> corners;
  for (const Vector3d& end : {a, b}) {
    for (const Vector3d& u : unit.vertices)
      corners.push_back(end + u * scale);
  }
  return hullOf(std::move(name), corners);
}

TriangleMesh cylinderMesh(std::string name, const Cylinder& cylinder) {
  // A prism on a regular polygon whose sides touch the circle from outside.
  constexpr int SIDES = 256;
  const Vector3d centre(cylinder.center);
  const Vector3d axis = normalized(Vector3d(cylinder.axis));
  Vector3d helper(1, 0, 0);
  if (std::fabs(axis.x) > 0.9)
    helper = Vector3d(0, 1, 0);
  const Vector3d u = normalized(cross(axis, helper));
  const Vector3d w = cross(axis, u);
  const double pi = std::acos(-1.0);
  const double margin =
      roundingMargin(largestComponent(centre) + cylinder.halfLength + cylinder.radius);
  const double reach = cylinder.radius / std::cos(pi / SIDES) + margin;
  const double half = cylinder.halfLength + margin;
  std::vector<Vector3d> corners;
  for (const double side : {-half, half}) {
    for (int i = 0; i < SIDES; ++i) {
      const double angle = 2 * pi * i / SIDES;
      corners.push_back(centre + axis * side + u * (reach * std::cos(angle)) +
                        w * (reach * std::sin(angle)));
    }
  }
  return hullOf(std::move(name), corners);
}

TriangleMesh hullMesh(std::string name, std::span<const Vector3> points) {
  const ExactHull hull = buildExactHull(points);
  TriangleMesh mesh{std::move(name), {}, {}};
  std::map<std::int32_t, Index> compact;
  for (const std::int32_t vertex : hull.vertices) {
    compact.emplace(vertex, static_cast<Index>(mesh.vertices.size()));
    mesh.vertices.push_back(points[static_cast<std::size_t>(vertex)]);
  }
  for (const HullTriangle& triangle : hull.triangles) {
    mesh.triangles.push_back({compact.at(triangle.vertices[0]), compact.at(triangle.vertices[1]),
                              compact.at(triangle.vertices[2])});
  }
  return mesh;
}

std::vector<TriangleMesh> volumeMeshes(std::span<const Vector3> points,
                                       const BoundingVolumes& volumes) {
  std::vector<TriangleMesh> meshes;
  meshes.push_back(hullMesh("hull", points));
  meshes.push_back(orientedBoxMesh("facet-moment-box", volumes.facetMomentBox));
  meshes.push_back(orientedBoxMesh("minimum-box", volumes.comparison.minimumBox));
  meshes.push_back(axisAlignedBoxMesh("axis-aligned-box", volumes.axisAlignedBox));
  meshes.push_back(orientedBoxMesh("point-covariance-box", volumes.comparison.pointCovarianceBox));
  meshes.push_back(sphereMesh("corner-sphere", volumes.cornerSphere));
  meshes.push_back(sphereMesh("minimal-sphere", volumes.minimalSphere));
  meshes.push_back(sphereMesh("ritter-sphere", volumes.comparison.ritterSphere));
  meshes.push_back(kdopMesh("dop26", volumes.comparison.dop26));
  const EngineVolumes& engine = volumes.engine;
  meshes.push_back(capsuleMesh("capsule", engine.capsule));
  meshes.push_back(cylinderMesh("cylinder", engine.cylinder));
  meshes.push_back(ellipsoidMesh("ellipsoid", engine.ellipsoid));
  for (std::size_t i = 0; i + 1 < engine.kdops.size(); ++i)
    meshes.push_back(kdopMesh("kdop" + std::to_string(KDOP_SIZES[i]), engine.kdops[i]));
  for (std::size_t i = 0; i < engine.reducedHulls.size(); ++i) {
    meshes.push_back(reducedHullMesh("reduced-hull-" + std::to_string(REDUCED_HULL_SIZES[i]),
                                     engine.reducedHulls[i]));
  }
  return meshes;
}
