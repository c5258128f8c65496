// Fuzz target: computeBoundingVolumes on up to 2,048 points. The result is either an error
// that the input explains (no points; a non-finite coordinate, named by its number) or
// volumes with no NaN that hold every input point within the tolerance the header states.
// A leading byte with its top bit set asks for a generated cloud (a seeded cube, sheet,
// segment or sphere shell at a chosen scale and offset) before the decoded points, so that
// large inputs are reachable from a few bytes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "fuzz/point_decoder.h"

namespace {

constexpr std::size_t MAX_POINTS = 2048;

// Fails the run with a message the fuzzer shows next to the input.
void require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "volumes_fuzz: %s\n", what);
    std::abort();
  }
}

// A small linear congruential generator: the cloud depends only on the input bytes.
struct Lcg {
  std::uint32_t state;
  float unit() {  // in [-1, 1)
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
  }
};

void appendGeneratedCloud(ByteReader& in, std::vector<Vector3>& points) {
  const std::size_t count = in.u16() % (MAX_POINTS + 1);
  const int shape = in.byte() % 4;
  const int exponent = static_cast<int>(in.byte() % 80) - 40;
  const float offset =
      std::ldexp(static_cast<float>(static_cast<std::int8_t>(in.byte())), exponent + 4);
  Lcg random{in.u16()};
  for (std::size_t i = 0; i < count; ++i) {
    Vector3 p{random.unit(), random.unit(), random.unit()};
    if (shape == 1)
      p.z = 0.5f * p.x - 0.25f * p.y;  // a tilted sheet
    else if (shape == 2)
      p = Vector3{1.0f, -2.0f, 0.5f} * p.x;  // a segment
    else if (shape == 3 && length(p) > 0.0f)
      p.normalize();  // a sphere shell
    points.push_back(Vector3{std::ldexp(p.x, exponent) + offset, std::ldexp(p.y, exponent),
                             std::ldexp(p.z, exponent)});
  }
}

bool isFiniteVector(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double distance(const Vector3& a, const Vector3& b) {
  const double dx = double{a.x} - b.x;
  const double dy = double{a.y} - b.y;
  const double dz = double{a.z} - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void checkContainment(const BoundingVolumes& v, const std::vector<Vector3>& points) {
  const OrientedBox& box = v.facetMomentBox;
  const double halfDiagonal = length(box.halfLengths);
  for (const Vector3& p : points) {
    for (int k = 0; k < 3; ++k) {
      const Vector3& a = box.axes[k];
      const double along = (double{p.x} - box.center.x) * a.x + (double{p.y} - box.center.y) * a.y +
                           (double{p.z} - box.center.z) * a.z;
      require(std::fabs(along) <= box.halfLengths[k] + CONTAINMENT_TOLERANCE * halfDiagonal,
              "a point lies outside the facet-moment box");
      require(p[k] >= v.axisAlignedBox.min[k] && p[k] <= v.axisAlignedBox.max[k],
              "a point lies outside the axis-aligned box");
    }
    for (const Sphere* s : {&v.cornerSphere, &v.minimalSphere})
      require(distance(p, s->center) <= s->radius * (1.0 + CONTAINMENT_TOLERANCE),
              "a point lies outside a sphere");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  std::vector<Vector3> points;
  if (size > 0 && (data[0] & 0x80) != 0) {
    in.byte();
    appendGeneratedCloud(in, points);
  }
  const std::vector<Vector3> decoded = decodePoints(in, MAX_POINTS - points.size());
  points.insert(points.end(), decoded.begin(), decoded.end());

  const BoundingVolumesResult result = computeBoundingVolumes(points);

  const auto firstNonFinite = std::find_if_not(points.begin(), points.end(), isFiniteVector);
  if (points.empty()) {
    require(result.error == "no points", "no points without the error 'no points'");
    return 0;
  }
  if (firstNonFinite != points.end()) {
    const std::string expected = "point " + std::to_string(firstNonFinite - points.begin() + 1) +
                                 " has a non-finite coordinate";
    require(result.error == expected, "a non-finite point without its error");
    return 0;
  }
  if (!result.ok()) {
    // Only a spread near the float range's end may overflow a returned size.
    double spread = 0.0;
    for (int k = 0; k < 3; ++k) {
      const auto [low, high] =
          std::minmax_element(points.begin(), points.end(),
                              [k](const Vector3& a, const Vector3& b) { return a[k] < b[k]; });
      spread = std::max(spread, double{(*high)[k]} - (*low)[k]);
    }
    require(result.error == "the bounding volumes exceed the float range" &&
                spread > std::numeric_limits<float>::max() / 4,
            "an error on finite points");
    return 0;
  }

  const BoundingVolumes& v = result.volumes;
  require(v.points == points.size(), "the point count differs");
  const OrientedBox& box = v.facetMomentBox;
  bool allFinite = isFiniteVector(box.center) && isFiniteVector(box.halfLengths) &&
                   isFiniteVector(v.cornerSphere.center) &&
                   isFiniteVector(v.minimalSphere.center) && std::isfinite(v.cornerSphere.radius) &&
                   std::isfinite(v.minimalSphere.radius) && !std::isnan(box.volume) &&
                   !std::isnan(v.axisAlignedBox.volume) && !std::isnan(v.hull.area) &&
                   !std::isnan(v.hull.volume);
  for (const Vector3& a : box.axes)
    allFinite = allFinite && isFiniteVector(a);
  require(allFinite, "a returned number is NaN or infinite");
  for (int k = 0; k < 3; ++k)
    require(box.halfLengths[k] >= 0.0f, "a negative half-length");
  checkContainment(v, points);
  return 0;
}
