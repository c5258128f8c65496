// Tests of hostile input: what is not a readable file, what is empty, unreadable, huge,
// garbage, asks for too many points or nests deeper than the reader's stack. Each gives its one
// error line (or, where the file is valid, its points), and the calling process survives.
// Non-finite coordinates and headers that claim more than the file holds: the broken-file
// table of model_loader_test.cpp.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "loading/model_loader.h"
#include "loading/tests/model_files.h"

namespace {

using testing::StartsWith;

TEST(HostileFiles, WhatIsNoReadableFileSaysWhatItIs) {
  const ScratchDirectory directory;
  for (const char* name : {"empty.ply", "empty.xyz", "empty.obj", "empty"}) {
    const std::string path = directory.write(name, "");
    EXPECT_EQ(loadPoints(path).error, path + ": empty file");
  }
  EXPECT_EQ(loadPointsFromMemory({}, "stl", "nothing.stl").error, "nothing.stl: empty file");
  const std::string folder = directory.path("folder.ply");
  std::filesystem::create_directory(folder);
  EXPECT_EQ(loadPoints(folder).error, folder + ": is a directory");
  const std::string missing = directory.path("missing.obj");
  EXPECT_EQ(loadPoints(missing).error, missing + ": no such file");
  const std::string dangling = directory.path("dangling.ply");
  std::filesystem::create_symlink(missing, dangling);
  EXPECT_EQ(loadPoints(dangling).error, dangling + ": no such file");
  // Endless if read: a device has no size to check.
  EXPECT_EQ(loadPoints("/dev/zero").error, "/dev/zero: not a regular file");
}

TEST(HostileFiles, AFileWithoutReadPermissionCannotBeOpened) {
  const ScratchDirectory directory;
  for (const char* name : {"locked.ply", "locked.xyz"}) {
    const std::string path = directory.write(name, plyAscii(boxCorners(), 0));
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (::access(path.c_str(), R_OK) == 0) {
      GTEST_SKIP() << "this user reads files without read permission (root): nothing to refuse";
    }
    EXPECT_EQ(loadPoints(path).error, path + ": cannot be opened (Permission denied)");
  }
}

// One mesh of 10,000 points drawn by 10,001 nodes: 160 kB of file asking for 10^8 points.
TEST(HostileFiles, ASmallSceneCannotAskForTooManyPoints) {
  std::vector<Vector3> points(10'000);
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i] = {static_cast<float>(i), 0, 0};
  }
  std::string nodes = "[";
  std::string roots = "[";
  for (int i = 0; i <= 10'000; ++i) {
    nodes.append(i == 0 ? "" : ",").append(R"({"mesh":0})");
    roots.append(i == 0 ? "" : ",").append(std::to_string(i));
  }
  const std::string scene = gltf({{points, 0}}, nodes + "]", roots + "]");
  EXPECT_EQ(loadPointsFromMemory(asBytes(scene), "gltf", "instances.gltf").error,
            "instances.gltf: more than 100000000 points");
}

TEST(HostileFiles, AHundredMegabytesOfGarbageGiveAnErrorLine) {
  const ScratchDirectory directory;
  std::mt19937 random(100);
  std::string block(1 << 20, '\0');
  for (char& c : block) {
    c = static_cast<char>(random());
  }
  const std::string garbage = directory.path("garbage");
  {
    std::ofstream out(garbage, std::ios::binary);
    for (int i = 0; i < 100; ++i) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  for (const char* extension :
       {"", ".bin", ".ply", ".obj", ".stl", ".off", ".dae", ".gltf", ".txt"}) {
    const std::string path = garbage + extension;
    if (path != garbage) {
      std::filesystem::create_symlink(garbage, path);
    }
    const LoadResult result = loadPoints(path);
    EXPECT_THAT(result.error, StartsWith(path + ": "));
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
    EXPECT_TRUE(result.points.empty());
  }
}

// Assimp's readers recurse once per level of the node tree; deep enough, they overflow the
// stack. The reader runs in a child process, so the caller survives and reports it (or, with
// a stack large enough, gets the point at the bottom).
TEST(HostileFiles, ScenesNestedDeeperThanTheReadersStackDoNotTakeTheCallerDown) {
  constexpr int DEPTH = 50'000;
  std::string nodes = "[";
  for (int i = 0; i < DEPTH; ++i) {
    nodes += std::string(i == 0 ? "" : ",") +
             (i + 1 < DEPTH ? R"({"children":[)" + std::to_string(i + 1) + "]}" : R"({"mesh":0})");
  }
  const std::string chain = gltf({{{{1, 2, 3}}, 0}}, nodes + "]", "[0]");
  const std::string nested =
      R"(<?xml version="1.0"?><COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" )"
      R"(version="1.4.1"><library_visual_scenes><visual_scene id="s">)" +
      [] {
        std::string open, close;
        for (int i = 0; i < DEPTH; ++i) {
          open += "<node>";
          close += "</node>";
        }
        return open + close;
      }() +
      R"(</visual_scene></library_visual_scenes><scene><instance_visual_scene url="#s"/>)"
      R"(</scene></COLLADA>)";
  const ScratchDirectory directory;
  for (const auto& [name, bytes] :
       {std::pair{"chain.gltf", chain}, std::pair{"nested.dae", nested}}) {
    const std::string path = directory.write(name, bytes);
    const LoadResult result = loadPoints(path);
    if (!result.ok()) {
      EXPECT_THAT(result.error, StartsWith(path + ": the model reader "));
    }
  }
}

}  // namespace
