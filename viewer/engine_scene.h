// EngineScene: the engines' volumes (capsule, cylinder, ellipsoid, the 6-, 14- and 18-DOPs and
// the reduced hulls of 32, 64 and 255 vertices) as layers of the scene, and their lines of the
// legend. GL-free, so what the layers show is tested without a display.
//
// Contract (stated once, here):
// - Each layer is the volume's closed mesh as bvfit --export writes it (bounds/volume_meshes.h,
//   so it holds every point), its vertices moved into the scene's frame through the fit's
//   Normalisation (the identity for the program's own cloud).
// - creases: the mesh's edges whose two triangles' normals differ by more than
//   CREASE_DEGREES, as pairs of vertex indices, each once. They outline a polytope's faces
//   (not the diagonals its faces were fanned along), a cylinder's rims, and nothing of a
//   smooth tessellated surface.
// - Layer colours are fixed (ENGINE_LAYERS); nothing here draws from rand().
// - engineLegendLines: one legend line per layer, in ENGINE_LAYERS order, formatted as the
//   other layers' lines (comparison_scene.h), ratios to hullVolume.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "geometry/triangle_mesh.h"
#include "viewer/comparison_scene.h"

// The keys: c, y and e switch their layer; k steps through the 6-, 14- and 18-DOP and off
// again, r through the reduced hulls of 32, 64 and 255 vertices and off again.
inline constexpr std::array<ComparisonLayer, 9> ENGINE_LAYERS = {{
    {'c', "capsule", {0.85f, 0.1f, 0.55f}},
    {'y', "cylinder", {0.45f, 0.3f, 0.1f}},
    {'e', "ellipsoid", {0.8f, 0.65f, 0.0f}},
    {'k', "6-DOP", {0.3f, 0.3f, 0.3f}},
    {'k', "14-DOP", {0.3f, 0.3f, 0.3f}},
    {'k', "18-DOP", {0.3f, 0.3f, 0.3f}},
    {'r', "reduced hull 32", {0.2f, 0.2f, 0.6f}},
    {'r', "reduced hull 64", {0.2f, 0.2f, 0.6f}},
    {'r', "reduced hull 255", {0.2f, 0.2f, 0.6f}},
}};

inline constexpr double CREASE_DEGREES = 20.0;

struct EngineLayerMesh {
  TriangleMesh mesh;                                             // in the scene's frame
  std::vector<std::pair<std::uint32_t, std::uint32_t>> creases;  // into mesh.vertices
};

// In ENGINE_LAYERS order.
std::vector<EngineLayerMesh> engineScene(const EngineVolumes& volumes,
                                         const Normalisation& normalisation);

std::vector<std::pair<std::uint32_t, std::uint32_t>> creaseEdges(const TriangleMesh& mesh);

std::vector<LegendLine> engineLegendLines(const EngineVolumes& volumes, double hullVolume);
