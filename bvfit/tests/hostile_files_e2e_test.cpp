// Hostile files end to end: bvfit (and bvdemo, whose file errors come before any window) on
// files a user may hand them by mistake or on purpose. Each run must end by itself with its
// one error line, or with the volumes where the file is valid; never a crash (a signal), a
// hang (the child's deadline) or unbounded memory (the largest resident size of any child).
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bvfit/tests/json_value.h"
#include "viewer/tests/child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A generous deadline: the files below are refused or read in well under a second each.
constexpr auto DEADLINE = 120s;
// Resident memory any one child may reach (the sanitizer runtime included).
constexpr long MEMORY_BOUND_KB = 1536L * 1024;

std::string plyHeader(const std::string& format, long long vertices, int faces) {
  return "ply\nformat " + format + " 1.0\nelement vertex " + std::to_string(vertices) +
         "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
         std::to_string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n";
}

std::string littleEndian(std::uint32_t value) {
  std::string bytes;
  for (int k = 0; k < 4; ++k)
    bytes += static_cast<char>(value >> (8 * k) & 0xff);
  return bytes;
}

std::string floatBytes(float value) {
  std::uint32_t bits = 0;
  static_assert(sizeof bits == sizeof value);
  std::copy_n(reinterpret_cast<const char*>(&value), 4, reinterpret_cast<char*>(&bits));
  return littleEndian(bits);
}

class HostileFiles : public testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& content) {
    return folder_.write(name, content);
  }

  FinishedRun run(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // No display: bvdemo must refuse a bad file before it would need one.
    return runCaptured(argv, {{"DISPLAY", ""}}, folder_.path(), DEADLINE);
  }

  // Both programs refuse the file with exit status 2 and exactly the line "<prefix>PATH: reason"
  // on standard error, the reason containing `reason`.
  void expectRefused(const std::string& path, const std::string& reason) {
    std::vector<std::pair<std::string, std::string>> programs{{BVFIT_PROGRAM, "bvfit: "}};
#ifdef BVDEMO_PROGRAM
    programs.emplace_back(BVDEMO_PROGRAM, "");
#endif
    for (const auto& [program, prefix] : programs) {
      SCOPED_TRACE(program + " " + path);
      const FinishedRun outcome = run(program, {path});
      EXPECT_EQ(outcome.status, 2) << outcome.standardError;
      EXPECT_EQ(outcome.standardOutput, "");
      EXPECT_TRUE(outcome.standardError.starts_with(prefix + path + ": ")) << outcome.standardError;
      EXPECT_NE(outcome.standardError.find(reason), std::string::npos) << outcome.standardError;
      EXPECT_EQ(std::count(outcome.standardError.begin(), outcome.standardError.end(), '\n'), 1)
          << outcome.standardError;
      EXPECT_TRUE(outcome.standardError.ends_with("\n"));
    }
    expectBoundedMemory();
  }

  // bvfit --json reads the file: one JSON line with the volumes.
  JsonValue fitted(const std::string& path) {
    const FinishedRun outcome = run(BVFIT_PROGRAM, {"--json", path});
    EXPECT_EQ(outcome.status, 0) << outcome.standardError;
    EXPECT_EQ(outcome.standardError, "");
    const std::optional<JsonValue> line =
        parseJson(outcome.standardOutput.substr(0, outcome.standardOutput.find('\n')));
    EXPECT_TRUE(line.has_value()) << outcome.standardOutput;
    expectBoundedMemory();
    if (!line)
      return JsonValue();
    EXPECT_EQ((*line)["file"].string, path);
    return *line;
  }

  static void expectBoundedMemory() {
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, MEMORY_BOUND_KB);
  }

  ScratchFolder folder_{"hostile-files"};
};

TEST_F(HostileFiles, FilesThatCannotBeReadAreRefusedAtOnceWithTheirReason) {
  std::string body;
  for (int i = 0; i < 4; ++i)
    body += floatBytes(static_cast<float>(i)) + floatBytes(1.0f) + floatBytes(2.0f);
  // Binary STL: 80-byte header, triangle count, 50 bytes per triangle; two of twelve present.
  const std::string triangle = std::string(12, '\0') + body.substr(0, 36) + std::string(2, '\0');
  fs::create_directories(fs::path(folder_.path()) / "folder.obj");
  const std::pair<std::string, const char*> files[] = {
      {folder_.path() + "/missing.obj", "no such file"},
      {folder_.path() + "/folder.obj", "is a directory"},
      {write("empty.ply", ""), "empty file"},
      {write("truncated.ply", plyHeader("binary_little_endian", 4, 0) + body.substr(0, 30)),
       "ends early"},
      {write("truncated.stl",
             std::string(80, 'x') + littleEndian(12) + triangle + triangle.substr(0, 20)),
       "ends early"},
      {write("billion.ply", plyHeader("binary_little_endian", 1000000000, 0) + body), "ends early"},
      {write("billion.off", "OFF\n1000000000 0 0\n0 0 0\n"), "ends early"},
      {write("words.obj", "this is not a model\n"), ""},
      {write("comments.txt", "# nothing but a comment\n"), "no points"},
      {write("nan.obj", "v 0 0 0\nv 1 0 0\nv nan 1 0\nv 0 0 1\n"),
       "point 3 has a non-finite coordinate"},
      {write("inf.xyz", "0 0 0\n1 0 0\n0 1 0\n0 0 inf\n"), "point 4 has a non-finite coordinate"},
      // Read, so its path with blanks and letters beyond ASCII reached the reader unchanged.
      {write("a folder with blanks/Modèle ünïcode ß.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv inf 0 0\n"),
       "point 4 has a non-finite coordinate"},
  };
  for (const auto& [path, reason] : files)
    expectRefused(path, reason);
}

TEST_F(HostileFiles, HundredMegabytesOfGarbageIsRefusedInBoundedMemory) {
  std::mt19937 random(20);
  std::string block(1 << 20, '\0');
  const std::string garbage = folder_.path() + "/garbage.bin";
  {
    std::ofstream out(garbage, std::ios::binary);
    for (int megabyte = 0; megabyte < 100; ++megabyte) {
      for (char& c : block)
        c = static_cast<char>(random());
      out << block;
    }
  }
  expectRefused(garbage, "");
}

TEST_F(HostileFiles, UnreadableFilesAreRefused) {
  const std::string locked = write("locked.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n");
  fs::permissions(locked, fs::perms::none);
  if (access(locked.c_str(), R_OK) == 0)
    GTEST_SKIP() << "running with the right to read any file (root): permissions do not bite";
  expectRefused(locked, "Permission denied");
}

TEST_F(HostileFiles, AFileOfEqualVerticesGivesASinglePointWithoutNotANumber) {
  // Every vertex equal: a single point, radius 0, no NaN anywhere.
  const JsonValue same = fitted(write("same.obj", "v 1 2 3\nv 1 2 3\nv 1 2 3\nv 1 2 3\n"));
  EXPECT_TRUE(same["degenerate"].boolean);
  EXPECT_EQ(same["degeneracy"].string, "single point");
  EXPECT_EQ(same["spheres"]["minimal"]["radius"].number, 0);
  EXPECT_EQ(same["spheres"]["minimal"]["center"].items.at(0).number, 1);
}

}  // namespace
