// The text mesh readers give back the very floats a file's shortest round-trip digits name:
// random floats of every magnitude, written as OBJ, OFF, ASCII PLY and ASCII STL, read back
// bit for bit, and equal to the same digits read as a point list.
#include "loading/text_meshes.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "loading/tests/model_files.h"

namespace {

// Floats from every binade, subnormals and signed zeros included, mixed with the kind of
// value a scaled model holds (a short decimal times a power of two).
float randomFloat(std::mt19937& random) {
  for (;;) {
    float value = 0;
    if (random() % 2 == 0) {
      value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    } else {
      const auto decimal = static_cast<float>(static_cast<int>(random() % 20001) - 10000) / 1000;
      value = std::ldexp(decimal, static_cast<int>(random() % 41) - 20);
    }
    if (std::isfinite(value)) {
      return value;
    }
  }
}

std::string plyText(const std::vector<Vector3>& points) {
  std::string file =
      "ply\nformat ascii 1.0\ncomment random\nelement vertex " + std::to_string(points.size()) +
      "\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\n"
      "element face " +
      std::to_string(points.size() / 3) + "\nproperty list uchar int vertex_indices\nend_header\n";
  for (const Vector3& p : points) {
    file += text(p) + " 7\n";
  }
  for (std::size_t f = 0; f < points.size() / 3; ++f) {
    file += "3 " + std::to_string(3 * f) + " " + std::to_string(3 * f + 1) + " " +
            std::to_string(3 * f + 2) + "\n";
  }
  return file;
}

std::string offText(const std::vector<Vector3>& points) {
  std::string file =
      "OFF\n" + std::to_string(points.size()) + " " + std::to_string(points.size() / 3) + " 0\n";
  for (const Vector3& p : points) {
    file += text(p) + "\n";
  }
  for (std::size_t f = 0; f < points.size() / 3; ++f) {
    file += "3 " + std::to_string(3 * f) + " " + std::to_string(3 * f + 1) + " " +
            std::to_string(3 * f + 2) + "\n";
  }
  return file;
}

std::string objText(const std::vector<Vector3>& points) {
  std::string file = "o random\n";
  for (const Vector3& p : points) {
    file += "v " + text(p) + "\n";
  }
  for (std::size_t f = 0; f < points.size() / 3; ++f) {
    file += "f " + std::to_string(3 * f + 1) + " " + std::to_string(3 * f + 2) + " " +
            std::to_string(3 * f + 3) + "\n";
  }
  return file;
}

TEST(TextMeshes, EveryFormatReadsBackTheVeryFloatsWritten) {
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::vector<Vector3> points(3 * (1 + random() % 40));
    for (Vector3& p : points) {
      p = {randomFloat(random), randomFloat(random), randomFloat(random)};
    }
    const LoadResult asList = loadPointsFromMemory(asBytes(pointList(points)), "xyz", "p.xyz");
    ASSERT_TRUE(asList.ok()) << asList.error;
    ASSERT_EQ(bits(asList.points), bits(points));
    const std::pair<const char*, std::string> files[] = {{"obj", objText(points)},
                                                         {"off", offText(points)},
                                                         {"ply", plyText(points)},
                                                         {"stl", stlAscii(points)}};
    for (const auto& [extension, bytes] : files) {
      SCOPED_TRACE(extension);
      ASSERT_NE(textMeshFormatOf(extension, bytes, bytes.size()), TextMeshFormat::None);
      const LoadResult result = loadPointsFromMemory(asBytes(bytes), extension, "random");
      ASSERT_TRUE(result.ok()) << result.error;
      EXPECT_EQ(bits(result.points), bits(points));
      EXPECT_EQ(result.triangles.size(), points.size() / 3);
    }
  }
}

}  // namespace
