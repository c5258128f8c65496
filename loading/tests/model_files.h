// What the loading tests share: a private scratch directory that disappears with its contents,
// writers of small model files (any points in every format the tests read, faces, where a
// format has them, being triangles of consecutive vertices; a box with quads in OBJ; glTF
// scenes with any node tree and their buffer embedded), and point sets in a form GoogleTest
// compares and prints.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/vector3.h"

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "loading-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a scratch directory");
    }
    root_ = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // The path of name (which may contain '/' for subdirectories) inside the directory.
  std::string path(const std::string& name) const { return (root_ / name).string(); }

  // Writes bytes to name, creating subdirectories, and returns the path.
  std::string write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = root_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }

 private:
  std::filesystem::path root_;
};

inline void appendUint32(std::string& out, std::uint32_t value, bool bigEndian = false) {
  for (int i = 0; i < 4; ++i) {
    const int shift = bigEndian ? 24 - 8 * i : 8 * i;
    out += static_cast<char>((value >> shift) & 0xFF);
  }
}

inline void appendFloat(std::string& out, float value, bool bigEndian = false) {
  appendUint32(out, std::bit_cast<std::uint32_t>(value), bigEndian);
}

using Triple = std::array<float, 3>;

inline std::vector<Triple> triples(const std::vector<Vector3>& points) {
  std::vector<Triple> result;
  result.reserve(points.size());
  for (const Vector3& p : points) {
    result.push_back({p.x, p.y, p.z});
  }
  return result;
}

// Bit patterns, so that -0 differs from 0 and NaN from nothing.
inline std::vector<std::array<std::uint32_t, 3>> bits(const std::vector<Vector3>& points) {
  std::vector<std::array<std::uint32_t, 3>> result;
  result.reserve(points.size());
  for (const Vector3& p : points) {
    result.push_back({std::bit_cast<std::uint32_t>(p.x), std::bit_cast<std::uint32_t>(p.y),
                      std::bit_cast<std::uint32_t>(p.z)});
  }
  return result;
}

inline std::span<const unsigned char> asBytes(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// A box with corners that are exact in binary and decimal, none symmetric to another.
inline Vector3 boxCorner(int i) {
  const float xs[2] = {-1.5f, 2.25f};
  const float ys[2] = {0.5f, 4.0f};
  const float zs[2] = {-8.0f, 16.125f};
  return {xs[i & 1], ys[(i >> 1) & 1], zs[(i >> 2) & 1]};
}

inline std::vector<Vector3> boxCorners() {
  std::vector<Vector3> corners;
  for (int i = 0; i < 8; ++i) {
    corners.push_back(boxCorner(i));
  }
  return corners;
}

inline constexpr int BOX_QUADS[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                        {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};

// The corners of the box's twelve triangles in order, each quad split along a diagonal.
inline std::vector<Vector3> boxTriangleCorners() {
  std::vector<Vector3> corners;
  for (const auto& q : BOX_QUADS) {
    for (int k : {q[0], q[1], q[2], q[0], q[2], q[3]}) {
      corners.push_back(boxCorner(k));
    }
  }
  return corners;
}

inline std::string shortest(float value) {
  char buffer[32];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

inline std::string text(const Vector3& p) {
  return shortest(p.x) + " " + shortest(p.y) + " " + shortest(p.z);
}

inline std::string boxObj() {
  std::string file = "# box\no box\n";
  for (const Vector3& p : boxCorners()) {
    file += "v " + text(p) + "\n";
  }
  for (const auto& q : BOX_QUADS) {
    file += "f";
    for (int k : q) {
      file.append(" ").append(std::to_string(k + 1));
    }
    file += "\n";
  }
  return file;
}

// Face f of a mesh of n vertices: a triangle of three consecutive vertices, as "3 a b c".
inline std::string triangleLine(std::size_t n, std::size_t f) {
  return "3 " + std::to_string(f % n) + " " + std::to_string((f + 1) % n) + " " +
         std::to_string((f + 2) % n) + "\n";
}

inline std::string plyHeader(const char* format, std::size_t vertices, std::size_t faces) {
  std::string header = std::string("ply\nformat ") + format + " 1.0\nelement vertex " +
                       std::to_string(vertices) +
                       "\nproperty float x\nproperty float y\nproperty float z\n";
  if (faces > 0) {
    header +=
        "element face " + std::to_string(faces) + "\nproperty list uchar int vertex_indices\n";
  }
  return header + "end_header\n";
}

inline std::string plyAscii(const std::vector<Vector3>& points, std::size_t faces) {
  std::string file = plyHeader("ascii", points.size(), faces);
  for (const Vector3& p : points) {
    file += text(p) + "\n";
  }
  for (std::size_t f = 0; f < faces; ++f) {
    file += triangleLine(points.size(), f);
  }
  return file;
}

inline std::string plyBinary(const std::vector<Vector3>& points, std::size_t faces,
                             bool bigEndian) {
  std::string file =
      plyHeader(bigEndian ? "binary_big_endian" : "binary_little_endian", points.size(), faces);
  for (const Vector3& p : points) {
    appendFloat(file, p.x, bigEndian);
    appendFloat(file, p.y, bigEndian);
    appendFloat(file, p.z, bigEndian);
  }
  for (std::size_t f = 0; f < faces; ++f) {
    file += '\3';
    for (std::size_t k = 0; k < 3; ++k) {
      appendUint32(file, static_cast<std::uint32_t>((f + k) % points.size()), bigEndian);
    }
  }
  return file;
}

inline std::string off(const std::vector<Vector3>& points, std::size_t faces) {
  std::string file = "OFF\n# written by a test\n" + std::to_string(points.size()) + " " +
                     std::to_string(faces) + " 0\n";
  for (std::size_t i = 0; i < points.size(); ++i) {
    file += text(points[i]) + (i % 3 == 0 ? " # a comment\n" : "\n");
  }
  for (std::size_t f = 0; f < faces; ++f) {
    file += triangleLine(points.size(), f);
  }
  return file;
}

inline std::string stlAscii(const std::vector<Vector3>& corners) {
  std::string file = "solid box\n";
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3) {
    file += " facet normal 0 0 0\n  outer loop\n";
    for (std::size_t k = i; k < i + 3; ++k) {
      file += "   vertex " + text(corners[k]) + "\n";
    }
    file += "  endloop\n endfacet\n";
  }
  return file + "endsolid box\n";
}

inline std::string stlBinary(const std::vector<Vector3>& corners) {
  std::string file = "binary box, written by the loading tests";
  file.resize(80, ' ');
  appendUint32(file, static_cast<std::uint32_t>(corners.size() / 3));
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3) {
    for (int n = 0; n < 3; ++n) {
      appendFloat(file, 0.0f);
    }
    for (std::size_t k = i; k < i + 3; ++k) {
      appendFloat(file, corners[k].x);
      appendFloat(file, corners[k].y);
      appendFloat(file, corners[k].z);
    }
    file += std::string(2, '\0');
  }
  return file;
}

inline std::string pointList(const std::vector<Vector3>& points) {
  std::string file = "# x y z\n";
  for (const Vector3& p : points) {
    file += text(p) + "\n";
  }
  return file;
}

inline std::string base64(std::string_view bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) {
      group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    }
    if (i + 2 < bytes.size()) {
      group |= static_cast<unsigned char>(bytes[i + 2]);
    }
    out += alphabet[(group >> 18) & 63];
    out += alphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
  }
  return out;
}

struct GltfMesh {
  std::vector<Vector3> points;
  int mode = 0;  // 0 points, 1 lines, 4 triangles
};

// A glTF 2.0 scene: nodes is the JSON array of nodes, roots the JSON array of the scene's
// root node indices; each mesh one primitive with positions in one embedded buffer.
inline std::string gltf(const std::vector<GltfMesh>& meshes, const std::string& nodes,
                        const std::string& roots) {
  std::string buffer;
  std::string views;
  std::string accessors;
  std::string meshList;
  for (std::size_t m = 0; m < meshes.size(); ++m) {
    const std::size_t offset = buffer.size();
    Vector3 low = meshes[m].points.at(0);
    Vector3 high = low;
    for (const Vector3& p : meshes[m].points) {
      for (int axis = 0; axis < 3; ++axis) {
        appendFloat(buffer, p[axis]);
        low[axis] = std::min(low[axis], p[axis]);
        high[axis] = std::max(high[axis], p[axis]);
      }
    }
    const std::string separator = m == 0 ? "" : ",";
    views += separator + "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) +
             ",\"byteLength\":" + std::to_string(buffer.size() - offset) + "}";
    accessors += separator + "{\"bufferView\":" + std::to_string(m) +
                 ",\"componentType\":5126,\"count\":" + std::to_string(meshes[m].points.size()) +
                 ",\"type\":\"VEC3\",\"min\":[" + shortest(low.x) + "," + shortest(low.y) + "," +
                 shortest(low.z) + "],\"max\":[" + shortest(high.x) + "," + shortest(high.y) + "," +
                 shortest(high.z) + "]}";
    meshList += separator + "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(m) +
                "},\"mode\":" + std::to_string(meshes[m].mode) + "}]}";
  }
  return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":" + roots +
         "}],\"nodes\":" + nodes + ",\"meshes\":[" + meshList +
         "],\"buffers\":[{\"byteLength\":" + std::to_string(buffer.size()) +
         ",\"uri\":\"data:application/octet-stream;base64," + base64(buffer) +
         "\"}],\"bufferViews\":[" + views + "],\"accessors\":[" + accessors + "]}";
}
