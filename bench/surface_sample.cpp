// Sampling a model's surface: Assimp reads it, the sampler draws from its triangles.
#include "bench/surface_sample.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cmath>

std::vector<std::array<Vector3d, 3>> modelTriangles(const char* path) {
  Assimp::Importer importer;
  const aiScene* scene =
      importer.ReadFile(path, aiProcess_Triangulate | aiProcess_PreTransformVertices);
  std::vector<std::array<Vector3d, 3>> triangles;
  if (scene == nullptr)
    return triangles;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh& mesh = *scene->mMeshes[m];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3)
        continue;  // points and lines bound no surface
      std::array<Vector3d, 3>& triangle = triangles.emplace_back();
      for (int k = 0; k < 3; ++k) {
        const aiVector3D& v = mesh.mVertices[face.mIndices[k]];
        triangle[static_cast<std::size_t>(k)] = Vector3d(v.x, v.y, v.z);
      }
    }
  }
  return triangles;
}

void sampleSurface(std::mt19937& rng, std::vector<Vector3>& cloud, int count) {
  static const std::vector<std::array<Vector3d, 3>> triangles = modelTriangles(SCAN_MODEL);
  if (triangles.empty())
    return;
  static const std::vector<double> cumulativeArea = [] {
    std::vector<double> sums;
    double sum = 0;
    for (const auto& [a, b, c] : triangles) {
      sum += 0.5 * length(cross(b - a, c - a));
      sums.push_back(sum);
    }
    return sums;
  }();
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  while (static_cast<int>(cloud.size()) < count) {
    const double pick = unit(rng) * cumulativeArea.back();
    const auto found = std::upper_bound(cumulativeArea.begin(), cumulativeArea.end(), pick);
    const auto& [a, b, c] = triangles[std::min(
        static_cast<std::size_t>(found - cumulativeArea.begin()), triangles.size() - 1)];
    const double s = std::sqrt(unit(rng));
    const double t = unit(rng);
    cloud.push_back((a * (1 - s) + b * (s * (1 - t)) + c * (s * t)).toFloat());
  }
}
