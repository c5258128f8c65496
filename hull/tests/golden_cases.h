// Golden results: the fixed clouds whose hulls, box reports and minimal spheres are kept as
// text in the repository (hull/tests/golden, bounds/tests/golden), and the reading and
// comparing of those files, shared by the hull, bounds and end-to-end tests.
//
// A golden file holds comments (lines starting with '#') and one section per cloud: a line
// "== name" and then the expected text. Floats are written with nine significant digits,
// which tells every two floats apart, so equal text means equal bits. When the environment
// variable BVDEMO_WRITE_GOLDEN is set, expectGoldenHulls rewrites the file from the results
// instead (keeping its comments): only for a deliberate change of results, checked by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

namespace golden {

// The clock seeds whose program clouds are kept, the end-to-end tests' seeds among them.
inline const std::vector<long long> CLOCK_SEEDS = {1'700'000'000,
                                                   0,
                                                   1'234'567,
                                                   1'766'013'561,
                                                   1,
                                                   2,
                                                   3,
                                                   4,
                                                   5,
                                                   6,
                                                   7,
                                                   8,
                                                   9,
                                                   10,
                                                   11,
                                                   12,
                                                   13,
                                                   14,
                                                   15,
                                                   16};

// The program's cloud for a clock seed: srand(seed), then x, y, z of each of 20 points in
// turn, each rand() % 200 - 100.
inline std::vector<Vector3> clockSeedCloud(long long seed) {
  std::srand(static_cast<unsigned int>(seed));
  std::vector<Vector3> points;
  for (int i = 0; i < 20; ++i) {
    const float x = static_cast<float>(std::rand() % 200 - 100);
    const float y = static_cast<float>(std::rand() % 200 - 100);
    const float z = static_cast<float>(std::rand() % 200 - 100);
    points.push_back({x, y, z});
  }
  return points;
}

// Every golden cloud by name: the program's clouds, then literal ones. Exact ties (the cube,
// the rotated pairs), a flat tetrahedron, non-integer coordinates and a far point.
inline std::vector<std::pair<std::string, std::vector<Vector3>>> clouds() {
  std::vector<std::pair<std::string, std::vector<Vector3>>> all;
  for (const long long seed : CLOCK_SEEDS) {
    all.emplace_back("clock seed " + std::to_string(seed), clockSeedCloud(seed));
  }
  std::vector<Vector3> cube;
  for (int i = 0; i < 8; ++i) {
    cube.push_back({i & 4 ? 50.0f : -50.0f, i & 2 ? 50.0f : -50.0f, i & 1 ? 50.0f : -50.0f});
  }
  all.emplace_back("cube corners", cube);
  all.emplace_back("flat tetrahedron",
                   std::vector<Vector3>{{-86, -1, 1}, {-86, 89, -86}, {10, 0, 0}, {0, 0, 0}});
  // Thousandths in [-100, 100] from a fixed congruential sequence, then one far point.
  std::uint64_t state = 88172645463325252ull;
  std::vector<Vector3> thousandths;
  for (int i = 0; i < 60; ++i) {
    float c[3];
    for (float& v : c) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      v = static_cast<float>(static_cast<int>(state >> 33) % 200001 - 100000) / 1000.0f;
    }
    thousandths.push_back({c[0], c[1], c[2]});
  }
  all.emplace_back("thousandths", thousandths);
  thousandths.push_back({400.5f, -250.25f, 300.125f});
  all.emplace_back("thousandths and a far point", thousandths);
  return all;
}

// Nine significant digits: enough for any float to read back to the same bits.
inline std::string exact(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}
inline std::string exact(const Vector3& v) {
  return exact(v.x) + ' ' + exact(v.y) + ' ' + exact(v.z);
}

// The sections of a golden file by name, each its lines joined by line feeds.
inline std::map<std::string, std::string> read(const std::string& path) {
  std::map<std::string, std::string> sections;
  std::ifstream in(path);
  std::string* section = nullptr;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("== ")) {
      section = &sections[line.substr(3)];
    } else if (section != nullptr) {
      *section += line + '\n';
    }
  }
  return sections;
}

// Builds the hull of every golden cloud and hands it to describe, which returns the cloud's text
// (and may check more); compares each text with its section of the golden file (a missing
// section fails), or rewrites the file from them when BVDEMO_WRITE_GOLDEN is set.
inline void expectGoldenHulls(
    const std::string& path,
    const std::function<std::string(const std::vector<Vector3>&, ConvexHull&)>& describe) {
  std::vector<std::pair<std::string, std::string>> results;
  for (const auto& [name, points] : clouds()) {
    SCOPED_TRACE(name);
    ConvexHull hull;
    hull.build(points);
    results.emplace_back(name, describe(points, hull));
  }
  if (std::getenv("BVDEMO_WRITE_GOLDEN") != nullptr) {
    std::ifstream old(path);
    std::ostringstream text;
    for (std::string line; std::getline(old, line) && line.starts_with("#");) {
      text << line << '\n';
    }
    for (const auto& [name, result] : results) {
      text << "== " << name << '\n' << result;
    }
    std::ofstream(path) << text.str();
    return;
  }
  const std::map<std::string, std::string> expected = read(path);
  ASSERT_FALSE(expected.empty()) << "no golden text in " << path;
  for (const auto& [name, result] : results) {
    const auto found = expected.find(name);
    ASSERT_NE(found, expected.end()) << name << " is missing from " << path;
    EXPECT_EQ(result, found->second) << name << " in " << path;
  }
}

}  // namespace golden
