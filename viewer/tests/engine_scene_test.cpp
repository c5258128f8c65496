// The engines' layers in the scene's frame: every normalised point inside each layer's mesh,
// creases that outline polytopes and rims but not smooth surfaces, and their legend lines.
#include "viewer/engine_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "geometry/vector3d.h"

namespace {

// A turned, squashed ball of points, far from the origin and not of the scene's size.
std::vector<Vector3> ballCloud(std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<float> normal;
  std::vector<Vector3> cloud;
  for (int i = 0; i < 300; ++i) {
    const Vector3 q{normal(rng), 0.6f * normal(rng), 0.3f * normal(rng)};
    cloud.push_back(Vector3{0.8f * q.x - 0.6f * q.y, 0.6f * q.x + 0.8f * q.y, q.z} * 3e3f +
                    Vector3{1e4f, -2e4f, 5e3f});
  }
  return cloud;
}

// The mesh is convex and closed: a point is inside when it is behind every triangle's plane,
// within 1e-4 of the mesh's size. Rounding the corners to the scene's floats tilts a
// cylinder's long, narrow sides by that much; on screen it is far below a pixel.
bool insideMesh(const TriangleMesh& mesh, const Vector3& p) {
  Vector3d low(mesh.vertices[0]), high(mesh.vertices[0]);
  for (const Vector3& v : mesh.vertices) {
    low = Vector3d(std::min<double>(low.x, v.x), std::min<double>(low.y, v.y),
                   std::min<double>(low.z, v.z));
    high = Vector3d(std::max<double>(high.x, v.x), std::max<double>(high.y, v.y),
                    std::max<double>(high.z, v.z));
  }
  const double slack = 1e-4 * length(high - low);
  for (const auto& t : mesh.triangles) {
    const Vector3d a(mesh.vertices[t[0]]);
    const Vector3d n = cross(Vector3d(mesh.vertices[t[1]]) - a, Vector3d(mesh.vertices[t[2]]) - a);
    const double size = length(n);
    if (size > 0 && dot(n, Vector3d(p) - a) > slack * size)
      return false;
  }
  return true;
}

TEST(EngineScene, EveryLayerHoldsEveryNormalisedPointAndOutlinesOnlyItsEdges) {
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    const std::vector<Vector3> points = ballCloud(seed);
    const BoundingVolumesResult fit = computeBoundingVolumes(points);
    ASSERT_TRUE(fit.ok());
    const std::vector<EngineLayerMesh> layers =
        engineScene(fit.volumes.engine, fit.volumes.normalisation);
    ASSERT_EQ(layers.size(), ENGINE_LAYERS.size());
    for (std::size_t i = 0; i < layers.size(); ++i) {
      SCOPED_TRACE(testing::Message() << ENGINE_LAYERS[i].name << " seed " << seed);
      EXPECT_EQ(layers[i].mesh.name, ENGINE_LAYERS[i].name);
      for (const Vector3& p : points)
        ASSERT_TRUE(insideMesh(layers[i].mesh, fit.volumes.normalisation.toNormalised(p)));
    }
    // A capsule's and an ellipsoid's surfaces are smooth; a cylinder shows its two rims of
    // 256 edges; the 6-DOP is a box of 12 edges.
    EXPECT_TRUE(layers[0].creases.empty());
    EXPECT_TRUE(layers[2].creases.empty());
    EXPECT_EQ(layers[1].creases.size(), 2u * 256);
    EXPECT_EQ(layers[3].creases.size(), 12u);
  }
}

TEST(EngineScene, LegendHasOneLinePerLayerWithItsKeyColourAndRatio) {
  const BoundingVolumesResult fit = computeBoundingVolumes(ballCloud(4));
  ASSERT_TRUE(fit.ok());
  const std::vector<LegendLine> lines =
      engineLegendLines(fit.volumes.engine, fit.volumes.hull.volume);
  ASSERT_EQ(lines.size(), ENGINE_LAYERS.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].text[0], ENGINE_LAYERS[i].key);
    EXPECT_NE(lines[i].text.find(ENGINE_LAYERS[i].name), std::string::npos);
    EXPECT_LE(lines[i].text.size(), 78u);
    ASSERT_TRUE(lines[i].swatch.has_value());
    EXPECT_EQ(*lines[i].swatch, ENGINE_LAYERS[i].colour);
  }
  // The reduced hull of 255 vertices is the hull itself here, at ratio 1.
  EXPECT_EQ(lines.back().text.substr(lines.back().text.size() - 2), " 1");
}

}  // namespace
