// The engines' volumes moved into the scene's frame, their creases and their legend lines.
#include "viewer/engine_scene.h"

#include <cmath>
#include <map>
#include <numbers>

#include "bounds/volume_meshes.h"
#include "geometry/vector3d.h"

namespace {

Vector3d unitNormal(const TriangleMesh& mesh, const std::array<std::uint32_t, 3>& t) {
  const Vector3d a(mesh.vertices[t[0]]);
  const Vector3d n = cross(Vector3d(mesh.vertices[t[1]]) - a, Vector3d(mesh.vertices[t[2]]) - a);
  const double size = length(n);
  return size > 0 ? n * (1 / size) : Vector3d(0, 0, 0);
}

}  // namespace

std::vector<std::pair<std::uint32_t, std::uint32_t>> creaseEdges(const TriangleMesh& mesh) {
  const double limit = std::cos(CREASE_DEGREES * std::numbers::pi / 180);
  // Each undirected edge with the normal of the first triangle seen on it.
  std::map<std::pair<std::uint32_t, std::uint32_t>, Vector3d> firstSide;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> creases;
  for (const auto& t : mesh.triangles) {
    const Vector3d normal = unitNormal(mesh, t);
    if (length(normal) == 0)
      continue;  // a sliver of a flat volume bends nothing
    for (int i = 0; i < 3; ++i) {
      const std::uint32_t a = t[static_cast<std::size_t>(i)];
      const std::uint32_t b = t[static_cast<std::size_t>((i + 1) % 3)];
      const std::pair<std::uint32_t, std::uint32_t> edge =
          a < b ? std::pair(a, b) : std::pair(b, a);
      const auto [found, inserted] = firstSide.emplace(edge, normal);
      if (!inserted && dot(found->second, normal) < limit)
        creases.push_back(edge);
    }
  }
  return creases;
}

std::vector<EngineLayerMesh> engineScene(const EngineVolumes& volumes,
                                         const Normalisation& normalisation) {
  std::vector<TriangleMesh> meshes;
  meshes.push_back(capsuleMesh(ENGINE_LAYERS[0].name, volumes.capsule));
  meshes.push_back(cylinderMesh(ENGINE_LAYERS[1].name, volumes.cylinder));
  meshes.push_back(ellipsoidMesh(ENGINE_LAYERS[2].name, volumes.ellipsoid));
  for (std::size_t i = 0; i < 3; ++i)
    meshes.push_back(kdopMesh(ENGINE_LAYERS[3 + i].name, volumes.kdops[i]));
  for (std::size_t i = 0; i < 3; ++i)
    meshes.push_back(reducedHullMesh(ENGINE_LAYERS[6 + i].name, volumes.reducedHulls[i]));
  std::vector<EngineLayerMesh> layers;
  for (TriangleMesh& mesh : meshes) {
    // Creases from the model's own coordinates: the move to the scene only shifts and scales.
    EngineLayerMesh layer{std::move(mesh), {}};
    layer.creases = creaseEdges(layer.mesh);
    for (Vector3& v : layer.mesh.vertices)
      v = normalisation.toNormalised(v);
    layers.push_back(std::move(layer));
  }
  return layers;
}

std::vector<LegendLine> engineLegendLines(const EngineVolumes& volumes, double hullVolume) {
  const double figures[] = {volumes.capsule.volume,         volumes.cylinder.volume,
                            volumes.ellipsoid.volume,       volumes.kdops[0].volume,
                            volumes.kdops[1].volume,        volumes.kdops[2].volume,
                            volumes.reducedHulls[0].volume, volumes.reducedHulls[1].volume,
                            volumes.reducedHulls[2].volume};
  std::vector<LegendLine> lines;
  for (std::size_t i = 0; i < ENGINE_LAYERS.size(); ++i)
    lines.push_back(legendRow(ENGINE_LAYERS[i].key, ENGINE_LAYERS[i].name, figures[i], hullVolume,
                              ENGINE_LAYERS[i].colour));
  return lines;
}
