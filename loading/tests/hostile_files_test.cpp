// Tests of hostile input: what is not a readable file, what is empty, unreadable, huge,
// garbage, non-finite, degenerate, claims more than it holds or nests deeper than the reader's
// stack. Each gives its one error line (or, where the file is valid, its points), and the
// calling process survives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <random>

#include "loading/model_loader.h"
#include "loading/tests/model_files.h"
#include "loading/tests/scratch_files.h"

namespace {

using testing::StartsWith;

constexpr float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();

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

TEST(HostileFiles, PathsWithSpacesAndNonAsciiLettersWork) {
  const ScratchDirectory directory;
  const std::string good = directory.write("Modèle 3D ÄÖÜ/würfel mit Leerzeichen.ply",
                                           plyBinary(boxCorners(), 12, false));
  const LoadResult result = loadPoints(good);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(triples(result.points), triples(boxCorners()));
  const std::string bad = directory.write("Modèle 3D ÄÖÜ/nuage de points ñ.xyz", "1 2 3\n4 5\n");
  EXPECT_EQ(loadPoints(bad).error, bad + ": line 2: expected three coordinates, found 2");
}

TEST(HostileFiles, NonFiniteCoordinatesNameTheirPoint) {
  const ScratchDirectory directory;
  std::vector<Vector3> corners = boxCorners();
  corners[4].y = NOT_A_NUMBER;
  std::vector<Vector3> triangles = boxTriangleCorners();
  triangles[6].z = std::numeric_limits<float>::infinity();
  const std::string files[][3] = {
      {"nan.ply", plyBinary(corners, 12, false), "point 5 has a non-finite coordinate"},
      {"inf.stl", stlBinary(triangles), "point 7 has a non-finite coordinate"},
      {"inf.obj", "v 0 0 0\nv 1 0 0\nv 0 0 -inf\nf 1 2 3\n", "point 3 has a non-finite coordinate"},
      {"nan.xyz", "0 0 0\n# gap\n1 nan 2\n", "point 2 has a non-finite coordinate (line 3)"},
      // Finite in the file, beyond float range once the node's scale is applied.
      {"overflow.gltf",
       gltf({{{{1, 1, 1}, {1e30f, 0, 0}}, 0}}, R"([{"scale":[1e10,1,1],"mesh":0}])", "[0]"),
       "point 2 has a non-finite coordinate after its node transform"},
  };
  for (const auto& [name, bytes, error] : files) {
    const std::string path = directory.write(name, bytes);
    EXPECT_EQ(loadPoints(path).error, path + ": " + error);
  }
}

TEST(HostileFiles, AModelWhoseVerticesAreAllEqualIsLoaded) {
  const std::vector<Vector3> same(5, Vector3{3.5f, -2, 1e6f});
  const std::string bytes = plyAscii(same, 0);
  const LoadResult result = loadPointsFromMemory(asBytes(bytes), "ply", "same.ply");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(triples(result.points), triples(same));
}

TEST(HostileFiles, HeadersClaimingABillionVerticesFailAtOnce) {
  std::string stl(80, ' ');
  appendUint32(stl, 1'000'000'000);
  const std::string files[][3] = {
      {"billion.ply", plyHeader("ascii", 1'000'000'000, 0) + "0 0 0\n",
       "\"vertex\" elements, one a line, but only 1 lines follow the header"},
      {"billion_binary.ply", plyHeader("binary_little_endian", 1'000'000'000, 0) + "0123456789ab",
       "\"vertex\" elements, which need at least 12000000000 bytes after the header, but only 12 "
       "follow"},
      {"billion.off", "OFF\n1000000000 1 0\n0 0 0\n3 0 0 0\n",
       "vertices and 1 faces, one a line, but only 2 lines follow the header"},
      {"billion.stl", stl + std::string(50, '\0'),
       "triangles, which need at least 50000000000 bytes after the header, but only 50 follow"},
  };
  const ScratchDirectory directory;
  for (const auto& [name, bytes, rest] : files) {
    const std::string path = directory.write(name, bytes);
    const std::string reason = "file ends early: its header declares 1000000000 " + rest;
    EXPECT_EQ(loadPoints(path).error, path + ": " + reason);
    const std::string extension = name.substr(name.find('.') + 1);
    EXPECT_EQ(loadPointsFromMemory(asBytes(bytes), extension, name).error, name + ": " + reason);
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
