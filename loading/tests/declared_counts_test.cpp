// Tests of the header plausibility check: complete PLY and OFF files of every kind pass, every
// truncation of their vertex data is refused, header variants are read as Assimp reads them
// and files of other formats are left alone. Exact messages: hostile_files_test.cpp.
#include "loading/declared_counts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "loading/tests/model_files.h"

namespace {

std::vector<Vector3> randomPoints(std::mt19937& random, int count) {
  std::uniform_real_distribution<float> coordinate(-1000, 1000);
  std::vector<Vector3> points(static_cast<std::size_t>(count));
  for (Vector3& p : points) {
    p = {coordinate(random), coordinate(random), coordinate(random)};
  }
  return points;
}

// The check as a loader runs it: head of at most DECLARED_COUNTS_HEAD_SIZE bytes, the rest in
// small chunks so that counting across chunk boundaries is exercised.
std::string check(const std::string& file, const std::string& extension) {
  const std::string_view all = file;
  const std::string_view head = all.substr(0, DECLARED_COUNTS_HEAD_SIZE);
  std::size_t position = head.size();
  return checkDeclaredCounts(head, file.size(), extension, [&] {
    const std::string_view chunk = all.substr(position, 7);
    position += chunk.size();
    return chunk;
  });
}

bool endsEarly(const std::string& reason) {
  return reason.rfind("file ends early: its header declares ", 0) == 0;
}

// Drops the last line of a text file.
void dropLastLine(std::string& file) {
  file.erase(file.find_last_of('\n', file.size() - 2) + 1);
}

TEST(DeclaredCounts, CompleteFilesPassAndEveryTruncatedVertexSectionIsRefused) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> count(1, 40);
  for (int round = 0; round < 60; ++round) {
    const std::vector<Vector3> points = randomPoints(random, count(random));
    const std::size_t faces = round % 2 == 0 ? 0 : static_cast<std::size_t>(count(random));
    SCOPED_TRACE(std::to_string(points.size()) + " vertices, " + std::to_string(faces) + " faces");
    // Text: dropping any number of final lines, or the last number, is refused.
    for (const auto& [file, extension] :
         {std::pair{plyAscii(points, faces), "ply"}, std::pair{off(points, faces + 1), "off"}}) {
      ASSERT_EQ(check(file, extension), "");
      std::string cut = file;
      for (std::size_t line = 0; line < points.size() + faces; ++line) {
        dropLastLine(cut);
        ASSERT_TRUE(endsEarly(check(cut, extension))) << extension << " " << line;
      }
      if (faces == 0 && std::string(extension) == "ply") {
        ASSERT_TRUE(endsEarly(check(file.substr(0, file.find_last_of(' ')), extension)));
      }
    }
    // Binary: any cut inside the vertex data leaves too few bytes even for empty face lists.
    for (bool bigEndian : {false, true}) {
      const std::string file = plyBinary(points, faces, bigEndian);
      ASSERT_EQ(check(file, "ply"), "");
      const std::size_t vertexEnd = file.find("end_header\n") + 11 + 12 * points.size();
      for (std::size_t kept = vertexEnd - 12 * points.size(); kept < vertexEnd; kept += 5) {
        ASSERT_TRUE(endsEarly(check(file.substr(0, kept), "ply"))) << kept;
      }
    }
  }
}

TEST(DeclaredCounts, BinaryGltfLengthMustFitTheFile) {
  // Found by fuzzing: a 1 KB binary glTF whose header claims 1.8 GB made Assimp allocate it.
  std::string glb = "glTF";
  appendUint32(glb, 2);
  appendUint32(glb, 0x6c62ec00);
  appendUint32(glb, 12);
  glb += "JSON{\"a\":1}     ";
  EXPECT_EQ(check(glb, "glb"),
            "file ends early: its binary glTF header declares 1818422272 bytes, the file has 32");
  glb.replace(8, 4, std::string("\x20\0\0\0", 4));  // the true length: accepted
  EXPECT_EQ(check(glb, "glb"), "");
}

TEST(DeclaredCounts, AnyFileStartingWithPlyIsCheckedAsPly) {
  // Found by fuzzing: "ply" and odd bytes, then a header claiming about 1e31 vertices. The
  // check wanted a blank after "ply", Assimp does not, and its reader ran for minutes. Its
  // header never ends.
  std::ifstream in(std::string(BVDEMO_SOURCE_DIR) + "/fuzz/corpus/model_loader/ply_prefix_hang",
                   std::ios::binary);
  ASSERT_TRUE(in);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(check(file.substr(1), "ply"), "");
  EXPECT_NE(check("plywood 1 2 3\n", "obj"), "");
}

TEST(DeclaredCounts, HeadersAreReadAsAssimpReadsThem) {
  // Uppercase magic, CRLF lines, an unknown property type (Assimp skips it: no bytes counted).
  EXPECT_EQ(check("PLY\r\nformat binary_little_endian 1.0\r\nelement vertex 2\r\nproperty float "
                  "x\r\nproperty float y\r\nproperty float z\r\nproperty mystery w\r\n"
                  "end_header\r\n" +
                      std::string(24, '\0'),
                  "ply"),
            "");
  // OFF keyword prefixes, an n-dimensional header, a file without the keyword.
  for (const char* keyword : {"COFF", "NOFF", "CNOFF", "STOFF", "4OFF"}) {
    EXPECT_EQ(check(std::string(keyword) + "\n2 1 0\n1 2 3\n4 5 6\n3 0 1 1\n", "off"), "")
        << keyword;
    EXPECT_TRUE(endsEarly(check(std::string(keyword) + "\n3 1 0\n1 2 3\n4 5 6\n", "off")))
        << keyword;
  }
  EXPECT_EQ(check("nOFF 2\n2 1 0\n1 2\n3 4\n2 0 1\n", "off"), "");
  EXPECT_EQ(check("2 1 0\n1 2 3\n4 5 6\n3 0 1 1\n", "off"), "");
  EXPECT_TRUE(endsEarly(check("9 1 0\n1 2 3\n4 5 6\n3 0 1 1\n", "off")));
  // No vertices declared.
  EXPECT_EQ(check("ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nend_header\n", "ply"),
            "no vertices");
  EXPECT_EQ(check("OFF\n0 0 0\n", "off"), "no vertices");
  // Counts beyond 64 bits saturate instead of wrapping round to something small.
  EXPECT_TRUE(
      endsEarly(check("ply\nformat binary_big_endian 1.0\nelement vertex 99999999999999999999999\n"
                      "property float x\nend_header\n",
                      "ply")));
  // Other formats are left to Assimp, an STL file of the exact binary size included.
  EXPECT_EQ(check("v 0 0 0\nv 1 0 0\nf 1 2 1\n", "obj"), "");
  EXPECT_EQ(check("solid cube\nendsolid cube\n", "stl"), "");
  std::string stl(80, 'b');
  appendUint32(stl, 2);
  EXPECT_EQ(check(stl + std::string(100, '\0'), "stl"), "");
  // A header that never ends within the head.
  EXPECT_EQ(check("ply\n" + std::string(DECLARED_COUNTS_HEAD_SIZE, 'c'), "ply"),
            "PLY header does not end within its first 65536 bytes");
}

}  // namespace
