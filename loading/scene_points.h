// The point set of a scene that Assimp has read: a walk of its node tree that applies each
// node's transforms, from the root down, to the vertices of the meshes it refers to.
//
// The walk is done here rather than by aiProcess_PreTransformVertices: that step merges meshes
// by material and works in the scene's float matrices; walking ourselves keeps file order,
// composes the transforms in double and touches every vertex exactly once.
#pragma once

#include <string>

#include "loading/model_loader.h"

struct aiScene;

// The vertices and faces as loadPoints describes them, or "NAME: reason" for: no vertices, more
// than MAX_LOADED_POINTS points or MAX_LOADED_TRIANGLES triangles, a non-finite coordinate
// (naming the point), and scenes no importer should build (a node reached twice, a mesh index
// out of range, vertices or faces declared but absent, a face naming a vertex its mesh lacks).
LoadResult pointsOfScene(const aiScene& scene, const std::string& name);
