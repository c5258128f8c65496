// Tests of the header plausibility check: complete PLY and OFF files of every kind pass, every
// truncation of their vertex data is refused, absurd counts are refused without reading the
// body, and files of other formats are left alone.
#include "loading/declared_counts.h"

#include <gtest/gtest.h>

#include <random>

#include "loading/tests/scratch_files.h"

namespace {

// A file split into the header and the body, as the writers below make them.
struct Model {
  std::string header;
  std::string body;
  std::size_t vertexBytes = 0;  // binary PLY: bytes of the vertex data at the body's start
  std::string whole() const { return header + body; }
};

enum class Encoding { Ascii, LittleEndian, BigEndian };

Model plyModel(std::mt19937& random, int vertices, int faces, Encoding encoding) {
  std::uniform_real_distribution<float> coordinate(-1000, 1000);
  Model model;
  model.header = std::string("ply\nformat ") +
                 (encoding == Encoding::Ascii          ? "ascii"
                  : encoding == Encoding::LittleEndian ? "binary_little_endian"
                                                       : "binary_big_endian") +
                 " 1.0\ncomment made by a test\nelement vertex " + std::to_string(vertices) +
                 "\nproperty float x\nproperty float y\nproperty float z\n";
  if (faces > 0) {
    model.header +=
        "element face " + std::to_string(faces) + "\nproperty list uchar int vertex_indices\n";
  }
  model.header += "end_header\n";
  for (int i = 0; i < vertices; ++i) {
    for (int axis = 0; axis < 3; ++axis) {
      const float value = coordinate(random);
      if (encoding == Encoding::Ascii) {
        model.body += std::to_string(value) + (axis < 2 ? " " : "\n");
      } else {
        appendFloat(model.body, value, encoding == Encoding::BigEndian);
      }
    }
  }
  model.vertexBytes = model.body.size();
  for (int f = 0; f < faces; ++f) {
    if (encoding == Encoding::Ascii) {
      model.body +=
          "3 0 " + std::to_string(f % vertices) + " " + std::to_string(vertices - 1) + "\n";
    } else {
      model.body += '\3';
      for (int k = 0; k < 3; ++k) {
        appendUint32(model.body, static_cast<std::uint32_t>((f + k) % vertices),
                     encoding == Encoding::BigEndian);
      }
    }
  }
  return model;
}

Model offModel(std::mt19937& random, int vertices, int faces) {
  std::uniform_int_distribution<int> coordinate(-99, 99);
  Model model;
  model.header =
      "OFF\n# a comment\n" + std::to_string(vertices) + " " + std::to_string(faces) + " 0\n";
  for (int i = 0; i < vertices; ++i) {
    model.body += std::to_string(coordinate(random)) + " " + std::to_string(coordinate(random)) +
                  " " + std::to_string(coordinate(random)) + (i % 3 == 0 ? " # note\n" : "\n");
  }
  for (int f = 0; f < faces; ++f) {
    model.body += "3 0 1 " + std::to_string(f % vertices) + "\n";
  }
  return model;
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

TEST(DeclaredCounts, CompleteFilesPassAndEveryTruncatedVertexSectionIsRefused) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> count(1, 40);
  for (int round = 0; round < 60; ++round) {
    const int vertices = count(random);
    const int faces = round % 2 == 0 ? 0 : count(random);
    for (Encoding encoding : {Encoding::Ascii, Encoding::LittleEndian, Encoding::BigEndian}) {
      const Model model = plyModel(random, vertices, faces, encoding);
      SCOPED_TRACE(model.header);
      ASSERT_EQ(check(model.whole(), "ply"), "");
      if (encoding == Encoding::Ascii) {
        // Drop whole lines from the end, and the last number of the last vertex line.
        std::string cut = model.whole();
        for (int line = 0; line < faces + vertices; ++line) {
          cut.erase(cut.find_last_of('\n', cut.size() - 2) + 1);
          ASSERT_TRUE(endsEarly(check(cut, "ply"))) << line;
        }
        if (faces == 0) {
          std::string lastNumberMissing = model.whole();
          lastNumberMissing.erase(lastNumberMissing.find_last_of(' '));
          ASSERT_TRUE(endsEarly(check(lastNumberMissing, "ply")));
        }
      } else {
        // Any cut inside the vertex data leaves too few bytes even for empty face lists.
        for (std::size_t kept = 0; kept < model.vertexBytes; kept += 5) {
          ASSERT_TRUE(endsEarly(check(model.header + model.body.substr(0, kept), "ply"))) << kept;
        }
      }
    }
    const Model off = offModel(random, vertices, 1 + faces);
    SCOPED_TRACE(off.whole());
    ASSERT_EQ(check(off.whole(), "off"), "");
    std::string cut = off.whole();
    for (int line = 0; line < vertices + 1 + faces; ++line) {
      cut.erase(cut.find_last_of('\n', cut.size() - 2) + 1);
      ASSERT_TRUE(endsEarly(check(cut, "off"))) << line;
    }
  }
}

TEST(DeclaredCounts, AbsurdCountsAreRefusedWithBytesNeededAndPresent) {
  const std::string vertexProperties = "property float x\nproperty float y\nproperty float z\n";
  EXPECT_EQ(check("ply\nformat binary_little_endian 1.0\nelement vertex 1000000000\n" +
                      vertexProperties + "end_header\n" + std::string(16, '\0'),
                  "ply"),
            "file ends early: its header declares 1000000000 \"vertex\" elements, which need at "
            "least 12000000000 bytes after the header, but only 16 follow");
  EXPECT_EQ(check("ply\nformat binary_big_endian 1.0\nelement vertex 99999999999999999999999\n" +
                      vertexProperties + "end_header\n",
                  "ply"),
            "file ends early: its header declares 18446744073709551615 \"vertex\" elements, which "
            "need at least more than 18446744073709551615 bytes after the header, but only 0 "
            "follow");
  EXPECT_EQ(check("ply\nformat ascii 1.0\nelement vertex 1000000000\n" + vertexProperties +
                      "end_header\n0 0 0\n",
                  "ply"),
            "file ends early: its header declares 1000000000 \"vertex\" elements, one a line, but "
            "only 1 lines follow the header");
  EXPECT_EQ(check("OFF\n1000000000 1 0\n0 0 0\n", "off"),
            "file ends early: its header declares 1000000000 vertices and 1 faces, one a line, "
            "but only 1 lines follow the header");
  std::string stl(80, ' ');
  appendUint32(stl, 1000000000);
  EXPECT_EQ(check(stl + std::string(100, '\0'), "stl"),
            "file ends early: its header declares 1000000000 triangles, which need at least "
            "50000000000 bytes after the header, but only 100 follow");
  EXPECT_EQ(check(std::string(50, ' '), "stl"),
            "file ends early: a binary STL file has an 84-byte header, this file has 50 bytes");
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

TEST(DeclaredCounts, HeaderVariantsAreReadAsAssimpReadsThem) {
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
  // A header that never ends within the head.
  EXPECT_EQ(check("ply\n" + std::string(DECLARED_COUNTS_HEAD_SIZE, 'c'), "ply"),
            "PLY header does not end within its first 65536 bytes");
}

TEST(DeclaredCounts, FilesOfOtherFormatsAreLeftAlone) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string garbage;
  for (int i = 0; i < 5000; ++i) {
    garbage += static_cast<char>(byte(random));
  }
  EXPECT_EQ(check(garbage, "bin"), "");
  EXPECT_EQ(check("v 0 0 0\nv 1 0 0\nf 1 2 1\n", "obj"), "");
  EXPECT_EQ(check("<?xml version=\"1.0\"?><COLLADA/>", "dae"), "");
  EXPECT_EQ(check("solid cube\nendsolid cube\n", "stl"), "");
  EXPECT_EQ(check("plywood 1 2 3\n", "txt"), "");
  // A binary STL of the exact size passes.
  std::string stl(80, 'b');
  appendUint32(stl, 2);
  EXPECT_EQ(check(stl + std::string(100, '\0'), "stl"), "");
}

}  // namespace
