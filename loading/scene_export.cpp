// Scene export through Assimp: the meshes become an aiScene (one node per mesh, one plain
// material, which the glTF writer needs), Assimp's exporter writes it into a temporary folder
// beside the target, and the finished files are renamed into place.
#include "loading/scene_export.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string lowerExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  if (!extension.empty()) {
    extension.erase(0, 1);
  }
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return extension;
}

// Assimp's exporter ids: glTF 2.0 (the plain "gltf" ids are glTF 1), OBJ without a .mtl file,
// and the text forms of PLY and STL.
const char* formatIdFor(std::string_view extension) {
  constexpr std::pair<std::string_view, const char*> IDS[] = {
      {"glb", "glb2"}, {"gltf", "gltf2"}, {"obj", "objnomtl"}, {"ply", "ply"}, {"stl", "stl"}};
  for (const auto& [known, id] : IDS) {
    if (extension == known) {
      return id;
    }
  }
  return nullptr;
}

std::string oneLine(std::string message) {
  std::replace_if(
      message.begin(), message.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  while (!message.empty() && message.back() == ' ') {
    message.pop_back();
  }
  return message.empty() ? "Assimp could not write it" : message;
}

// The scene Assimp writes. aiScene frees its meshes, nodes and materials itself, with delete
// and delete[], so they are allocated the way it expects and handed over at once.
std::unique_ptr<aiScene> sceneOf(std::span<const TriangleMesh> meshes) {
  std::vector<const TriangleMesh*> written;
  for (const TriangleMesh& mesh : meshes) {
    // Writers stumble over meshes without faces, and such a mesh shows nothing anyway.
    if (!mesh.triangles.empty()) {
      written.push_back(&mesh);
    }
  }
  auto scene = std::make_unique<aiScene>();
  scene->mNumMaterials = 1;
  scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene->mRootNode = new aiNode("volumes");
  const auto count = static_cast<unsigned>(written.size());
  scene->mNumMeshes = count;
  scene->mMeshes = new aiMesh*[count];
  scene->mRootNode->mNumChildren = count;
  scene->mRootNode->mChildren = new aiNode*[count];
  for (unsigned m = 0; m < count; ++m) {
    const TriangleMesh& source = *written[m];
    aiMesh* mesh = new aiMesh();
    scene->mMeshes[m] = mesh;
    mesh->mName = source.name;
    mesh->mMaterialIndex = 0;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = static_cast<unsigned>(source.vertices.size());
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      const Vector3& p = source.vertices[v];
      mesh->mVertices[v] = aiVector3D(p.x, p.y, p.z);
    }
    mesh->mNumFaces = static_cast<unsigned>(source.triangles.size());
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      aiFace& face = mesh->mFaces[f];
      face.mNumIndices = 3;
      face.mIndices = new unsigned[3];
      std::copy(source.triangles[f].begin(), source.triangles[f].end(), face.mIndices);
    }
    aiNode* node = new aiNode(source.name);
    node->mParent = scene->mRootNode;
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{m};
    scene->mRootNode->mChildren[m] = node;
  }
  return scene;
}

// A folder made for one export and removed with everything in it when the export ends.
class TemporaryFolder {
 public:
  // path() is empty when the folder could not be made; error() says why.
  explicit TemporaryFolder(const fs::path& beside) {
    std::string pattern = (beside / ".bvfit-export-XXXXXX").string();
    errno = 0;
    if (mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern;
    } else {
      error_ = std::strerror(errno);
    }
  }
  ~TemporaryFolder() {
    if (!path_.empty()) {
      std::error_code ignored;
      fs::remove_all(path_, ignored);
    }
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const fs::path& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  fs::path path_;
  std::string error_;
};

}  // namespace

std::string checkExportPath(const std::string& path) {
  const std::string extension = lowerExtension(path);
  if (formatIdFor(extension) != nullptr) {
    return {};
  }
  std::string known;
  for (const char* name : EXPORT_EXTENSIONS) {
    known += (known.empty() ? "." : ", .") + std::string(name);
  }
  return "unknown export format '" + (extension.empty() ? "" : "." + extension) +
         "' (known: " + known + ")";
}

std::string exportMeshes(const std::string& path, std::span<const TriangleMesh> meshes) {
  if (std::string reason = checkExportPath(path); !reason.empty()) {
    return reason;
  }
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const TemporaryFolder scratch(folder);
  if (scratch.path().empty()) {
    return "cannot write into " + folder.string() + " (" + scratch.error() + ")";
  }
  const std::unique_ptr<aiScene> scene = sceneOf(meshes);
  Assimp::Exporter exporter;
  const fs::path written = scratch.path() / target.filename();
  if (exporter.Export(scene.get(), formatIdFor(lowerExtension(target)), written.string()) !=
      aiReturn_SUCCESS) {
    return oneLine(exporter.GetErrorString());
  }
  // Companions first (a glTF's buffer), the file itself last, so a reader that finds the file
  // finds what it refers to.
  std::vector<fs::path> files;
  std::error_code code;
  for (const fs::directory_entry& entry : fs::directory_iterator(scratch.path(), code)) {
    if (entry.path() != written) {
      files.push_back(entry.path());
    }
  }
  files.push_back(written);
  std::vector<fs::path> moved;
  for (const fs::path& file : files) {
    const fs::path destination = folder / file.filename();
    fs::rename(file, destination, code);
    if (code) {
      for (const fs::path& companion : moved) {
        std::error_code ignored;
        fs::remove(companion, ignored);
      }
      return "cannot write " + destination.string() + " (" + code.message() + ")";
    }
    moved.push_back(destination);
  }
  return {};
}
