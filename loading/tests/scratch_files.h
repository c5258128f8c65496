// Helpers of the loading tests: a private scratch directory that disappears with its
// contents, the byte encodings models are written with, and point sets in a form GoogleTest
// compares and prints.
#pragma once

#include <stdlib.h>

#include <array>
#include <bit>
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
