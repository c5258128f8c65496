// The exact hull of every sample model of Debian's assimp-testmodels, where installed: its
// dimension and, for a solid, its extreme points are CGAL's (CGAL's hull of flat input is no
// closed mesh, so flat models are not compared), and a solid has F = 2V - 4.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/convex_hull_3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <iostream>
#include <set>
#include <vector>

#include "hull/exact_hull.h"
#include "loading/model_loader.h"

namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Mesh = CGAL::Surface_mesh<K::Point_3>;
using Triangle = std::array<K::Point_3, 3>;

const std::filesystem::path MODELS = "/usr/share/assimp/models";

// CGAL's mesh may keep a point inside a face or on an edge as a vertex; a corner is a vertex
// whose incident triangles lie in at least three distinct planes.
std::set<K::Point_3> cgalCorners(const Mesh& mesh) {
  std::set<K::Point_3> corners;
  for (Mesh::Vertex_index v : mesh.vertices()) {
    std::vector<Triangle> planes;
    for (Mesh::Face_index f : CGAL::faces_around_target(mesh.halfedge(v), mesh)) {
      const Mesh::Halfedge_index h = mesh.halfedge(f);
      const Triangle t{mesh.point(mesh.source(h)), mesh.point(mesh.target(h)),
                       mesh.point(mesh.target(mesh.next(h)))};
      const auto samePlane = [&t](const Triangle& p) {
        return std::all_of(t.begin(), t.end(), [&p](const K::Point_3& q) {
          return CGAL::coplanar(p[0], p[1], p[2], q);
        });
      };
      if (!CGAL::collinear(t[0], t[1], t[2]) &&
          std::none_of(planes.begin(), planes.end(), samePlane))
        planes.push_back(t);
    }
    if (planes.size() >= 3)
      corners.insert(mesh.point(v));
  }
  return corners;
}

// 0 for equal points, 1 on a line, 2 in a plane, 3 otherwise, by CGAL's exact predicates.
int affineDimension(const std::vector<K::Point_3>& in) {
  std::vector<K::Point_3> basis{in.front()};
  for (const K::Point_3& p : in)
    if ((basis.size() == 1 && p != basis[0]) ||
        (basis.size() == 2 && !CGAL::collinear(basis[0], basis[1], p)) ||
        (basis.size() == 3 && !CGAL::coplanar(basis[0], basis[1], basis[2], p)))
      basis.push_back(p);
  return static_cast<int>(basis.size()) - 1;
}

TEST(ExactHullModels, ExtremePointsAgreeWithCgalOnEveryModel) {
  if (!std::filesystem::is_directory(MODELS))
    GTEST_SKIP() << MODELS << " is missing: scripts/install-deps installs assimp-testmodels";
  std::size_t files = 0, compared = 0, solid = 0, flat = 0, inner = 0, largest = 0;
  std::string largestName;
  // In name order, every file; under the address sanitizer, which slows Assimp's readers and
  // CGAL many times over, every fourth.
#ifdef __SANITIZE_ADDRESS__
  constexpr std::size_t STRIDE = 4;
#else
  constexpr std::size_t STRIDE = 1;
#endif
  std::vector<std::filesystem::directory_entry> entries(
      std::filesystem::recursive_directory_iterator(MODELS), {});
  std::sort(entries.begin(), entries.end());
  for (std::size_t e = 0; e < entries.size(); e += STRIDE) {
    const auto& entry = entries[e];
    if (!entry.is_regular_file())
      continue;
    ++files;
    const LoadResult loaded = loadPoints(entry.path().string());
    if (!loaded.ok() || loaded.points.size() < 4)
      continue;
    SCOPED_TRACE(entry.path().string());
    ++compared;
    const ExactHull hull = buildExactHull(loaded.points);
    std::vector<K::Point_3> in;
    for (const Vector3& p : loaded.points)
      in.emplace_back(p.x, p.y, p.z);
    EXPECT_EQ(static_cast<int>(hull.dimension), affineDimension(in));
    if (hull.dimension == HullDimension::Solid) {
      ++solid;
      EXPECT_EQ(hull.triangles.size(), 2 * hull.vertices.size() - 4);
      Mesh mesh;
      CGAL::convex_hull_3(in.begin(), in.end(), mesh);
      std::set<K::Point_3> ours, corners = cgalCorners(mesh);
      for (std::int32_t i : hull.vertices)
        ours.insert(in[static_cast<std::size_t>(i)]);
      EXPECT_TRUE(ours == corners) << ours.size() << " extreme points, CGAL " << corners.size();
      inner += mesh.number_of_vertices() - corners.size();
    }
    flat += hull.dimension == HullDimension::Polygon;
    if (hull.vertices.size() > largest) {
      largest = hull.vertices.size();
      largestName = entry.path().lexically_relative(MODELS).string() + ", " +
                    std::to_string(in.size()) + " points";
    }
  }
  std::cout << "exact hull models: " << files << " files, " << compared
            << " with >= 4 points: " << solid << " solid (compared with CGAL), " << flat
            << " flat, " << compared - solid - flat << " on a line or point; CGAL kept " << inner
            << " vertices that are no corner; largest hull " << largest << " vertices ("
            << largestName << ")\n";
  EXPECT_GT(solid * STRIDE, 100u);
}

}  // namespace
