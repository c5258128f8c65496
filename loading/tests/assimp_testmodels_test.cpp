// Tests against the sample models of Debian's assimp-testmodels package, where installed:
// known models give their vertex counts and bounds, ASCII and binary copies agree, broken
// samples give their error line, and no file of the collection crashes the caller or gives
// anything but finite points or one error line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "loading/model_loader.h"

namespace {

using testing::StartsWith;

const std::filesystem::path MODELS = "/usr/share/assimp/models";

class AssimpTestModels : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(MODELS)) {
      GTEST_SKIP() << MODELS << " is missing: scripts/install-deps installs assimp-testmodels";
    }
  }
};

std::string model(const std::string& name) {
  return (MODELS / name).string();
}

void expectBounds(const std::vector<Vector3>& points, const Vector3& low, const Vector3& high) {
  Vector3 min = points.at(0);
  Vector3 max = min;
  for (const Vector3& p : points) {
    for (int axis = 0; axis < 3; ++axis) {
      min[axis] = std::min(min[axis], p[axis]);
      max[axis] = std::max(max[axis], p[axis]);
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_NEAR(min[axis], low[axis], 1e-4) << axis;
    EXPECT_NEAR(max[axis], high[axis], 1e-4) << axis;
  }
}

TEST_F(AssimpTestModels, KnownModelsGiveTheirVerticesWithinTheirBounds) {
  const struct {
    std::string name;
    std::size_t points;
    Vector3 low;
    Vector3 high;
  } cases[] = {
      {"PLY/cube.ply", 8, {0, 0, 0}, {1, 1, 1}},
      {"OBJ/box.obj", 24, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
      {"OFF/Cube.off", 8, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
      {"STL/Spider_binary.stl", 4104, {-3.11489f, -4, -1.64933f}, {3.11489f, 4, 1.64933f}},
      {"glTF2/BoxTextured-glTF/BoxTextured.gltf", 24, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
      {"Collada/duck.dae",
       8500,
       {-0.692985f, 0.0992937f, -0.613282f},
       {0.961799f, 1.6397f, 0.539252f}},
      // Nodes that instance other nodes' geometry.
      {"Collada/teapot_instancenodes.DAE",
       6144,
       {-4.82361f, -1.04025f, 0},
       {1.79886f, 1.2369f, 1.74164f}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LoadResult result = loadPoints(model(c.name));
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.points.size(), c.points);
    expectBounds(result.points, c.low, c.high);
  }
}

TEST_F(AssimpTestModels, AsciiAndBinaryCopiesOfAModelAgree) {
  const std::pair<std::string, std::string> copies[] = {
      {"PLY/cube.ply", "PLY/cube_binary.ply"},
      {"STL/Spider_ascii.stl", "STL/Spider_binary.stl"},
      {"glTF2/BoxTextured-glTF/BoxTextured.gltf", "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb"},
  };
  for (const auto& [ascii, binary] : copies) {
    SCOPED_TRACE(ascii);
    const LoadResult a = loadPoints(model(ascii));
    const LoadResult b = loadPoints(model(binary));
    ASSERT_TRUE(a.ok() && b.ok()) << a.error << b.error;
    ASSERT_EQ(a.points.size(), b.points.size());
    for (std::size_t i = 0; i < a.points.size(); ++i) {
      // The ASCII copies print five or six significant digits.
      ASSERT_TRUE(nearlyEqual(a.points[i], b.points[i], 1e-8f)) << i;
    }
  }
}

TEST_F(AssimpTestModels, BrokenSamplesGiveTheirErrorLine) {
  for (const char* name : {"invalid/empty.ply", "invalid/empty.obj", "invalid/empty.3ds"}) {
    EXPECT_EQ(loadPoints(model(name)).error, model(name) + ": empty file");
  }
  EXPECT_THAT(loadPoints(model("invalid/OutOfMemory.off")).error,
              StartsWith(model("invalid/OutOfMemory.off") +
                         ": file ends early: its header declares 353535235358 vertices"));
  const std::string recursive = model("glTF2/RecursiveNodes/RecursiveNodes.gltf");
  EXPECT_THAT(loadPoints(recursive).error, StartsWith(recursive + ": "));
  const std::string infinite = model("glTF2/BoxWithInfinites-glTF-Binary/BoxWithInfinites.glb");
  EXPECT_EQ(loadPoints(infinite).error, infinite + ": point 1 has a non-finite coordinate");
}

TEST_F(AssimpTestModels, EveryFileGivesFinitePointsOrOneErrorLine) {
  std::size_t loaded = 0;
  std::size_t refused = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(MODELS)) {
    if (!entry.is_regular_file()) {
      continue;
    }
    const std::string path = entry.path().string();
    const LoadResult result = loadPoints(path);
    if (result.ok()) {
      ++loaded;
      for (const Vector3& p : result.points) {
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << path;
      }
    } else {
      ++refused;
      ASSERT_TRUE(result.points.empty()) << path;
      ASSERT_THAT(result.error, StartsWith(path + ": "));
      ASSERT_EQ(result.error.find('\n'), std::string::npos) << result.error;
    }
  }
  // The collection holds hundreds of models of dozens of formats.
  EXPECT_GT(loaded, 200u);
  EXPECT_GT(refused, 0u);
}

}  // namespace
