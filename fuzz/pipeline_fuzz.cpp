// Fuzz target: the program's own pipeline on 0 to 64 points. Hull, box fit with its report
// (into a stream that discards), and the minimal sphere of the hull's facet vertices, each
// called as the program calls it, with no guard beyond the box fit's stated precondition.
// These stages report no errors by design; the target looks for crashes, sanitizer reports
// and runs that do not end (run it with -timeout=1).
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <streambuf>

#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "fuzz/point_decoder.h"
#include "hull/convex_hull.h"

namespace {

// A stream buffer that accepts and drops everything.
class DiscardingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

constexpr std::size_t MAX_POINTS = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::vector<Vector3> points = decodePoints(in, MAX_POINTS);

  ConvexHull hull;
  hull.build(points);

  // fitBoxToHull's precondition: at least one facet, each of at least three vertices.
  bool boxFits = !hull.facets.empty();
  for (const Facet& f : hull.facets)
    boxFits = boxFits && f.vertices.size() >= 3;
  if (boxFits) {
    DiscardingBuffer discard;
    std::ostream report(&discard);
    OBB box;
    fitBoxToHull(hull, box, report);
  }

  // Every input starts from the first call's generator state, so a finding replays alone.
  sphereSeedPending = true;
  Sphere sphere;
  fitSphereToHull(hull, sphere);
  return 0;
}
