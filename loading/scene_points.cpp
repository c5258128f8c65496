// The node-tree walk over an Assimp scene, iterative and with every transform composed in
// double, then applied to each vertex once.
#include "loading/scene_points.h"

#include <assimp/scene.h>

#include <cmath>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace {

// An affine map x' = A x + t in double, rows of [A | t].
struct Affine {
  double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  bool identity = true;

  static Affine of(const aiMatrix4x4& a) {
    Affine result;
    const ai_real* rows[3] = {a[0], a[1], a[2]};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 4; ++c) {
        result.m[r][c] = rows[r][c];
      }
    }
    // Exact: aiMatrix4x4::IsIdentity allows 0.01 of slack, which would drop a small transform.
    // The bottom row is taken as (0 0 0 1): node transforms are affine in the formats read.
    result.identity = a == aiMatrix4x4();
    return result;
  }

  // this * local: local applied first.
  Affine then(const Affine& local) const {
    if (local.identity) {
      return *this;
    }
    if (identity) {
      return local;
    }
    Affine result;
    result.identity = false;
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 4; ++c) {
        double sum = c == 3 ? m[r][3] : 0.0;
        for (int k = 0; k < 3; ++k) {
          sum += m[r][k] * local.m[k][c];
        }
        result.m[r][c] = sum;
      }
    }
    return result;
  }

  Vector3 apply(const aiVector3D& v) const {
    if (identity) {
      return {v.x, v.y, v.z};
    }
    Vector3 p;
    for (int r = 0; r < 3; ++r) {
      p[r] = static_cast<float>(m[r][0] * v.x + m[r][1] * v.y + m[r][2] * v.z + m[r][3]);
    }
    return p;
  }
};

struct MeshInstance {
  const aiMesh* mesh;
  Affine toScene;
};

// Every (mesh, accumulated transform) pair in depth-first order, or an error reason.
// Iterative, so a deep hostile tree cannot exhaust the stack. A node met twice would make the
// walk exponential (shared children) or endless (a cycle): the scene is refused instead, so
// the loop ends after at most one visit per node Assimp built.
std::string collectInstances(const aiScene& scene, std::vector<MeshInstance>& instances) {
  if (scene.mRootNode == nullptr) {
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
      instances.push_back({scene.mMeshes[i], Affine{}});
    }
    return {};
  }
  struct Pending {
    const aiNode* node;
    Affine parentToScene;
  };
  std::vector<Pending> stack{{scene.mRootNode, Affine{}}};
  std::unordered_set<const aiNode*> visited;
  while (!stack.empty()) {
    const Pending pending = stack.back();
    stack.pop_back();
    if (!visited.insert(pending.node).second) {
      return "its node graph is not a tree (a node is reached twice)";
    }
    const aiNode& node = *pending.node;
    const Affine toScene = pending.parentToScene.then(Affine::of(node.mTransformation));
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
      const unsigned index = node.mMeshes[i];
      if (index >= scene.mNumMeshes || scene.mMeshes[index] == nullptr) {
        return "node refers to mesh " + std::to_string(index) + " of " +
               std::to_string(scene.mNumMeshes);
      }
      instances.push_back({scene.mMeshes[index], toScene});
    }
    for (unsigned i = node.mNumChildren; i-- > 0;) {
      if (node.mChildren[i] != nullptr) {
        stack.push_back({node.mChildren[i], toScene});
      }
    }
  }
  return {};
}

}  // namespace

namespace {

// The triangles face's fan adds: one per corner beyond the second.
std::size_t fanSize(const aiFace& face) {
  return face.mNumIndices >= 3 ? face.mNumIndices - 2 : 0;
}

// Checks the faces of every instance and counts the triangles they fan into; an error reason
// for faces no importer should build (absent, or naming a vertex the mesh lacks) or too many.
std::string countTriangles(const std::vector<MeshInstance>& instances, std::size_t& total) {
  total = 0;
  for (const MeshInstance& instance : instances) {
    const aiMesh& mesh = *instance.mesh;
    if (mesh.mNumFaces > 0 && mesh.mFaces == nullptr) {
      return "a mesh declares faces but has none";
    }
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices > 0 && face.mIndices == nullptr) {
        return "a face declares corners but has none";
      }
      for (unsigned c = 0; c < face.mNumIndices; ++c) {
        if (face.mIndices[c] >= mesh.mNumVertices) {
          return "a face refers to vertex " + std::to_string(face.mIndices[c]) + " of a mesh of " +
                 std::to_string(mesh.mNumVertices);
        }
      }
      total += fanSize(face);
      if (total > MAX_LOADED_TRIANGLES) {
        return "more than " + std::to_string(MAX_LOADED_TRIANGLES) + " triangles";
      }
    }
  }
  return {};
}

}  // namespace

LoadResult pointsOfScene(const aiScene& scene, const std::string& name) {
  std::vector<MeshInstance> instances;
  if (std::string reason = collectInstances(scene, instances); !reason.empty()) {
    return LoadResult::failure(name, reason);
  }
  std::size_t total = 0;
  for (const MeshInstance& instance : instances) {
    if (instance.mesh->mNumVertices > 0 && instance.mesh->mVertices == nullptr) {
      return LoadResult::failure(name, "a mesh declares vertices but has none");
    }
    total += instance.mesh->mNumVertices;
    if (total > MAX_LOADED_POINTS) {
      return LoadResult::failure(name,
                                 "more than " + std::to_string(MAX_LOADED_POINTS) + " points");
    }
  }
  if (total == 0) {
    return LoadResult::failure(name, "no vertices");
  }
  std::size_t triangleTotal = 0;
  if (std::string reason = countTriangles(instances, triangleTotal); !reason.empty()) {
    return LoadResult::failure(name, reason);
  }
  LoadResult result;
  result.points.reserve(total);
  result.triangles.reserve(triangleTotal);
  for (const MeshInstance& instance : instances) {
    const aiMesh& mesh = *instance.mesh;
    // Fits: total <= MAX_LOADED_POINTS, far below 2^32.
    const auto base = static_cast<std::uint32_t>(result.points.size());
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
      const aiVector3D& v = mesh.mVertices[i];
      const Vector3 p = instance.toScene.apply(v);
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
        const bool fileValueFinite = std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        return LoadResult::failure(name, "point " + std::to_string(result.points.size() + 1) +
                                             " has a non-finite coordinate" +
                                             (fileValueFinite ? " after its node transform" : ""));
      }
      result.points.push_back(p);
    }
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      for (unsigned c = 2; c < face.mNumIndices; ++c) {
        result.triangles.push_back(
            {base + face.mIndices[0], base + face.mIndices[c - 1], base + face.mIndices[c]});
      }
    }
  }
  return result;
}
