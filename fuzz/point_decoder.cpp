// Point decoding for the geometry fuzz targets (see point_decoder.h).
#include "fuzz/point_decoder.h"

#include <bit>
#include <cmath>
#include <limits>

std::uint8_t ByteReader::byte() {
  return position_ < size_ ? data_[position_++] : 0;
}

std::uint16_t ByteReader::u16() {
  const std::uint16_t low = byte();
  return static_cast<std::uint16_t>(low | (byte() << 8));
}

float ByteReader::rawFloat() {
  std::uint32_t bits = 0;
  for (int k = 0; k < 4; ++k)
    bits |= static_cast<std::uint32_t>(byte()) << (8 * k);
  return std::bit_cast<float>(bits);
}

namespace {

constexpr float SPECIAL_VALUES[] = {
    0.0f,
    -0.0f,
    std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    std::numeric_limits<float>::denorm_min(),
    -std::numeric_limits<float>::denorm_min(),
    std::numeric_limits<float>::min(),
    std::numeric_limits<float>::max(),
    -std::numeric_limits<float>::max(),
    1e-30f,
    1e30f,
    0.001f,
    -0.001f,
    0.0005f,
    1e9f,
    -1e9f,
    100.0f,
    -100.0f,
    99.0f,
    1.0f,
    -1.0f,
    0.031622775f,  // sqrt(0.001): the sphere's coincidence distance
    0.000001f,
};
constexpr std::size_t SPECIAL_COUNT = sizeof(SPECIAL_VALUES) / sizeof(SPECIAL_VALUES[0]);

float signedByte(ByteReader& in) {
  return static_cast<float>(static_cast<std::int8_t>(in.byte()));
}

const Vector3& earlier(ByteReader& in, const std::vector<Vector3>& points) {
  return points[in.byte() % points.size()];
}

Vector3 smallIntegers(ByteReader& in) {
  const float x = signedByte(in);
  const float y = signedByte(in);
  return {x, y, signedByte(in)};
}

// Steps of a quarter of HULL_EPSILON: points that straddle the tolerances.
Vector3 toleranceScale(ByteReader& in) {
  const Vector3 p = smallIntegers(in);
  return p * 0.00025f;
}

Vector3 special(ByteReader& in) {
  const float x = SPECIAL_VALUES[in.byte() % SPECIAL_COUNT];
  const float y = SPECIAL_VALUES[in.byte() % SPECIAL_COUNT];
  return {x, y, SPECIAL_VALUES[in.byte() % SPECIAL_COUNT]};
}

// a + t (b - a) with t in sixteenths.
Vector3 onLine(ByteReader& in, const std::vector<Vector3>& points) {
  const Vector3 a = earlier(in, points);
  const Vector3 b = earlier(in, points);
  const float t = signedByte(in) / 16.0f;
  return a + (b - a) * t;
}

// a + s (b - a) + t (c - a) with s, t in sixteenths.
Vector3 inPlane(ByteReader& in, const std::vector<Vector3>& points) {
  const Vector3 a = earlier(in, points);
  const Vector3 b = earlier(in, points);
  const Vector3 c = earlier(in, points);
  const float s = signedByte(in) / 16.0f;
  const float t = signedByte(in) / 16.0f;
  return a + (b - a) * s + (c - a) * t;
}

// An earlier point moved by a few units in the last place per coordinate.
Vector3 nudged(ByteReader& in, const std::vector<Vector3>& points) {
  Vector3 p = earlier(in, points);
  for (int k = 0; k < 3; ++k) {
    const int steps = static_cast<std::int8_t>(in.byte()) % 8;
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i)
      p[k] = std::nextafter(p[k], steps < 0 ? -FLOAT_INFINITY : FLOAT_INFINITY);
  }
  return p;
}

// A small integer point scaled by 2^e, e from -140 to 115: tiny, denormal and huge clouds.
Vector3 scaled(ByteReader& in) {
  const int exponent = static_cast<int>(in.byte()) - 140;
  const Vector3 p = smallIntegers(in);
  return {std::ldexp(p.x, exponent), std::ldexp(p.y, exponent), std::ldexp(p.z, exponent)};
}

}  // namespace

std::vector<Vector3> decodePoints(ByteReader& in, std::size_t maxPoints) {
  std::vector<Vector3> points;
  while (!in.empty() && points.size() < maxPoints) {
    const int mode = in.byte() % 9;
    const bool haveEarlier = !points.empty();
    switch (mode) {
      case 0: {
        const float x = in.rawFloat();
        const float y = in.rawFloat();
        points.push_back({x, y, in.rawFloat()});
        break;
      }
      case 1:
        points.push_back(smallIntegers(in));
        break;
      case 2:
        points.push_back(toleranceScale(in));
        break;
      case 3:
        points.push_back(special(in));
        break;
      case 4:
        points.push_back(haveEarlier ? earlier(in, points) : smallIntegers(in));
        break;
      case 5:
        points.push_back(haveEarlier ? onLine(in, points) : smallIntegers(in));
        break;
      case 6:
        points.push_back(haveEarlier ? inPlane(in, points) : smallIntegers(in));
        break;
      case 7:
        points.push_back(haveEarlier ? nudged(in, points) : smallIntegers(in));
        break;
      default:
        points.push_back(scaled(in));
        break;
    }
  }
  return points;
}
