// Writing named triangle meshes as one scene file through Assimp's exporter, in the format the
// file's extension names. Nothing half-written is ever left under the target name.
//
// Contract (stated once, here):
// - EXPORT_EXTENSIONS (lower case, no dot) are the formats written: glb and gltf (glTF 2.0,
//   binary and text with its buffer beside it as NAME.bin), obj (no material file), ply and
//   stl (text; these two formats keep no mesh names, so the meshes follow one another in the
//   given order). The extension of the path is matched in any case.
// - exportMeshes writes every mesh, with its name, as one node each under the scene's root,
//   in the given order, coordinates as given (no transform). It writes into a fresh folder
//   made beside the target and renames the finished file (and a glTF's buffer) onto the
//   target, so the target is either the complete new file or untouched; the temporary folder
//   is removed on success and on failure alike.
// - The result is empty on success, else one line without the path: "unknown export format
//   '.xyz' (known: .glb, .gltf, .obj, .ply, .stl)", "cannot write into FOLDER (reason)",
//   Assimp's own message condensed to one line, or the failed rename's reason.
#pragma once

#include <span>
#include <string>

#include "geometry/triangle_mesh.h"

inline constexpr const char* EXPORT_EXTENSIONS[] = {"glb", "gltf", "obj", "ply", "stl"};

// Empty when path's extension names a format written here, else the reason as above.
std::string checkExportPath(const std::string& path);

std::string exportMeshes(const std::string& path, std::span<const TriangleMesh> meshes);
