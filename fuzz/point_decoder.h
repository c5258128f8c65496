// Turns fuzzer bytes into point sets that reach the corners of float geometry: raw float bits
// (NaN, infinities, denormals, huge and tiny values), small integers like the program's own
// clouds, values at the scale of the absolute tolerances (0.001), and points that repeat,
// lie on a line or in a plane with earlier points, or sit a few units in the last place
// beside one. Shared by the pipeline and any-scale targets so that their corpora mix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/vector3.h"

// Reads bytes front to back; past the end every read gives zero bytes.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  std::uint8_t byte();
  std::uint16_t u16();
  float rawFloat();  // four bytes, little endian, as float bits

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// Decodes points until the bytes run out or maxPoints are made. Each point starts with a
// mode byte (see point_decoder.cpp); modes that refer to earlier points fall back to small
// integers while there are none.
std::vector<Vector3> decodePoints(ByteReader& in, std::size_t maxPoints);
