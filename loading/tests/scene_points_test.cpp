// Tests of the node-tree walk on scenes built by hand: scenes that no importer should build
// (a node reached twice, a cycle, a mesh index out of range, vertices declared but absent)
// are refused instead of walked exponentially, endlessly or out of bounds.
#include "loading/scene_points.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>

namespace {

// A scene whose root has the given children and one mesh of one vertex.
struct HandMadeScene {
  aiScene scene;
  HandMadeScene() {
    scene.mRootNode = new aiNode("root");
    scene.mNumMeshes = 1;
    scene.mMeshes = new aiMesh* [1] { new aiMesh };
    scene.mMeshes[0]->mNumVertices = 1;
    scene.mMeshes[0]->mVertices = new aiVector3D[1]{{1, 2, 3}};
  }
  // Children are owned by their parent; a node hung in twice is taken out before the scene
  // deletes its tree, so that it is deleted once.
  void hang(aiNode* parent, aiNode* child) { parent->addChildren(1, &child); }
  void unhang(aiNode* parent) { parent->mNumChildren = 1; }
};

TEST(ScenePoints, ScenesNoImporterShouldBuildAreRefused) {
  {
    HandMadeScene made;  // root -> a, root -> a: a DAG
    aiNode* shared = new aiNode("shared");
    made.hang(made.scene.mRootNode, shared);
    made.hang(made.scene.mRootNode, shared);
    EXPECT_EQ(pointsOfScene(made.scene, "dag.x").error,
              "dag.x: its node graph is not a tree (a node is reached twice)");
    made.unhang(made.scene.mRootNode);
  }
  {
    HandMadeScene made;  // root -> child -> root: a cycle
    aiNode* child = new aiNode("child");
    made.hang(made.scene.mRootNode, child);
    child->mNumChildren = 1;
    child->mChildren = new aiNode* [1] { made.scene.mRootNode };
    EXPECT_EQ(pointsOfScene(made.scene, "cycle.x").error,
              "cycle.x: its node graph is not a tree (a node is reached twice)");
    child->mChildren[0] = nullptr;
  }
  {
    HandMadeScene made;
    made.scene.mRootNode->mNumMeshes = 1;
    made.scene.mRootNode->mMeshes = new unsigned[1]{7};
    EXPECT_EQ(pointsOfScene(made.scene, "index.x").error, "index.x: node refers to mesh 7 of 1");
    made.scene.mRootNode->mMeshes[0] = 0;
    delete[] made.scene.mMeshes[0]->mVertices;
    made.scene.mMeshes[0]->mVertices = nullptr;
    EXPECT_EQ(pointsOfScene(made.scene, "absent.x").error,
              "absent.x: a mesh declares vertices but has none");
  }
}

}  // namespace
