// bvfit --export: the meshes written in every format read back through the loader hold to
// their volumes both ways (each vertex within its own volume, every model point inside each
// closed mesh), and a wrong format or place is one error line, exit status 2, nothing left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "bounds/volume_meshes.h"
#include "geometry/vector3d.h"
#include "loading/model_loader.h"
#include "loading/scene_export.h"
#include "viewer/tests/child_process.h"

namespace {

using namespace std::chrono_literals;

// A turned, stretched ball of points: every volume differs from every other.
std::vector<Vector3> cloud(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<float> normal;
  std::vector<Vector3> points(300);
  const float shift = std::ldexp(1.0f, static_cast<int>(seed % 9)) * 3;
  for (Vector3& p : points) {
    const Vector3 q{normal(random) * 4, normal(random), normal(random) * 2};
    p = {0.6f * q.x - 0.8f * q.y + shift, 0.8f * q.x + 0.6f * q.y, q.z - shift};
  }
  return points;
}

// How far a vertex lies outside the volume the mesh was built from (<= 0: inside), against
// a tolerance the scale of the volume gives.
double excess(const TriangleMesh& mesh, const BoundingVolumes& v, const Vector3& vertex,
              double& tolerance) {
  const Vector3d p(vertex);
  const auto boxExcess = [&](const OrientedBox& box) {
    tolerance = 4 * CONTAINMENT_TOLERANCE *
                (length(Vector3d(box.halfLengths)) + length(Vector3d(box.center)));
    double worst = -INFINITY;
    for (int k = 0; k < 3; ++k) {
      worst = std::max(worst, std::fabs(dot(p - Vector3d(box.center), Vector3d(box.axes[k]))) -
                                  box.halfLengths[k]);
    }
    return worst;
  };
  const auto sphereExcess = [&](const Sphere& s) {
    tolerance = 4 * CONTAINMENT_TOLERANCE * (s.radius + length(Vector3d(s.center)));
    const double distance = length(p - Vector3d(s.center));
    // Circumscribed: no vertex inside the sphere, none beyond the mesh's reach.
    return std::max(s.radius - distance, distance - s.radius * SPHERE_MESH_OUTER_RATIO);
  };
  if (mesh.name.ends_with("box") && mesh.name != "axis-aligned-box") {
    return boxExcess(mesh.name == "facet-moment-box" ? v.facetMomentBox
                     : mesh.name == "minimum-box"    ? v.comparison.minimumBox
                                                     : v.comparison.pointCovarianceBox);
  }
  if (mesh.name == "axis-aligned-box") {
    tolerance = 4 * CONTAINMENT_TOLERANCE * length(Vector3d(v.axisAlignedBox.max));
    double worst = -INFINITY;
    for (int k = 0; k < 3; ++k) {
      worst = std::max({worst, v.axisAlignedBox.min[k] - p[k], p[k] - v.axisAlignedBox.max[k]});
    }
    return worst;
  }
  if (mesh.name.ends_with("sphere")) {
    return sphereExcess(mesh.name == "corner-sphere"    ? v.cornerSphere
                        : mesh.name == "minimal-sphere" ? v.minimalSphere
                                                        : v.comparison.ritterSphere);
  }
  tolerance = 4 * CONTAINMENT_TOLERANCE * length(Vector3d(v.axisAlignedBox.max));
  double worst = -INFINITY;
  if (mesh.name == "dop26" || mesh.name.starts_with("kdop")) {
    const Kdop& dop = mesh.name == "dop26"    ? v.comparison.dop26
                      : mesh.name == "kdop6"  ? v.engine.kdops[0]
                      : mesh.name == "kdop14" ? v.engine.kdops[1]
                                              : v.engine.kdops[2];
    for (std::size_t k = 0; k < dop.offsets.size(); ++k) {
      worst = std::max(worst, dot(kdopDirection(dop.k, static_cast<int>(k)), p) - dop.offsets[k]);
    }
  }
  return worst;  // the hull's vertices are model points, checked below
}

TEST(Export, EveryFormatReadsBackAsMeshesThatHoldTheirVolumesBothWays) {
  const ScratchFolder folder("bvfit-export");
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE(seed);
    const std::vector<Vector3> points = cloud(seed);
    const BoundingVolumesResult fitted = computeBoundingVolumes(points);
    ASSERT_TRUE(fitted.ok());
    const std::vector<TriangleMesh> meshes = volumeMeshes(points, fitted.volumes);
    double scale = 0;
    for (const Vector3& p : points) {
      scale =
          std::max({scale, double{std::fabs(p.x)}, double{std::fabs(p.y)}, double{std::fabs(p.z)}});
    }
    ASSERT_EQ(meshes.size(), 18u);
    for (const char* extension : EXPORT_EXTENSIONS) {
      SCOPED_TRACE(extension);
      const std::string path = folder.path() + "/volumes." + extension;
      ASSERT_EQ(exportMeshes(path, meshes), "");
      const LoadResult back = loadPoints(path);
      ASSERT_TRUE(back.ok()) << back.error;
      // OBJ and STL come back with each triangle's own corners, the others with the vertices.
      const bool corners = extension == std::string("obj") || extension == std::string("stl");
      std::size_t first = 0;
      for (const TriangleMesh& mesh : meshes) {
        SCOPED_TRACE(mesh.name);
        const std::size_t count = corners ? 3 * mesh.triangles.size() : mesh.vertices.size();
        ASSERT_LE(first + count, back.points.size());
        for (std::size_t i = first; i < first + count; ++i) {
          double tolerance = 0;
          EXPECT_LE(excess(mesh, fitted.volumes, back.points[i], tolerance), tolerance);
          if (mesh.name == "hull") {
            const Vector3 q = back.points[i];
            EXPECT_TRUE(std::any_of(points.begin(), points.end(), [&](const Vector3& p) {
              return p.x == q.x && p.y == q.y && p.z == q.z;
            }));
          }
        }
        // Every model point on the inner side of every triangle of the mesh read back.
        for (const Triangle& t : back.triangles) {
          if (t[0] < first || t[0] >= first + count) {
            continue;
          }
          const Vector3d a(back.points[t[0]]);
          const Vector3d normal =
              cross(Vector3d(back.points[t[1]]) - a, Vector3d(back.points[t[2]]) - a);
          if (length(normal) == 0) {
            continue;
          }
          double worst = -INFINITY;
          for (const Vector3& p : points) {
            worst = std::max(worst, dot(normalized(normal), Vector3d(p) - a));
          }
          EXPECT_LE(worst, 4 * CONTAINMENT_TOLERANCE * scale);
        }
        first += count;
      }
      EXPECT_EQ(first, back.points.size());
    }
  }
}

TEST(Export, AWrongFormatOrPlaceIsOneLineAndExitStatusTwoAndLeavesNothing) {
  const ScratchFolder folder("bvfit-export-cli");
  std::string model;
  for (const Vector3& p : cloud(7)) {
    model += std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z) + "\n";
  }
  const std::string input = folder.path() + "/cloud.xyz";
  const std::string blocker = folder.path() + "/plain-file";
  for (const std::string& path : {input, blocker}) {
    std::ofstream(path) << model;
  }
  const auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), BVFIT_PROGRAM);
    return runCaptured(arguments, {}, folder.path(), 60s);
  };
  const auto entries = [&] {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::recursive_directory_iterator(folder.path())) {
      ++n;
    }
    return n;
  };
  const std::size_t before = entries() + 2;  // the run's captured stdout and stderr files
  for (const std::string& out : {folder.path() + "/volumes.xyz", blocker + "/volumes.glb",
                                 folder.path() + "/missing/volumes.obj"}) {
    SCOPED_TRACE(out);
    const FinishedRun refused = run({"--export", out, input});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(std::count(refused.standardError.begin(), refused.standardError.end(), '\n'), 1)
        << refused.standardError;
    EXPECT_TRUE(refused.standardError.starts_with("bvfit: " + out + ": ")) << refused.standardError;
    EXPECT_EQ(entries(), before);
  }
  // Several files: one export each, named after it, in the folder OUT.
  const FinishedRun both = run({"--export", folder.path() + "/out.ply", input, blocker});
  EXPECT_EQ(both.status, 2) << both.standardError;  // plain-file is no model
  EXPECT_TRUE(std::filesystem::exists(folder.path() + "/out.ply/cloud.ply"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "/out.ply/plain-file.ply"));
}

}  // namespace
