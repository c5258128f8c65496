// Benchmark: the minimum-volume box against CGAL's oriented_bounding_box (a randomised
// optimisation over rotations on the convex hull's points) on the same seeded float clouds:
// points on a sphere (every point a hull vertex; 1,000, 10,000 and 100,000: round hulls, the
// search's hardest case), points filling a turned ellipsoid (a few hundred hull vertices, an
// uneven shape), a 1,000,000-point scan of a model's surface and a CAD part (a tessellated
// bracket's vertices, most of them in a few planes). Ours takes its hull from Qhull and its
// time includes building it, as CGAL's includes its own hull; the search alone is timed as
// well, and reports whether it was complete, its proven gap and its peak heap (per hull
// vertex too). Each benchmark also reports the box volume relative to a reference box (the
// box around the smooth shape, 8 a b c; the part's own box; for the scan its axis-aligned box), so
// speed and tightness can be read side by side. Peaks are counted in the timed runs (an atomic add
// per allocation, nothing beside a search's own cost). The minimum-volume cylinder is compared with
// a naive search over directions 30 degrees apart on the same clouds.
#include <CGAL/Simple_cartesian.h>
#include <CGAL/optimal_bounding_box.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "bench/heap_peak.h"
#include "bench/ratio_reporter.h"
#include "bench/surface_sample.h"
#include "geometry/vector3.h"
#include "geometry/vector3d.h"
#include "hull/exact_hull.h"
#include "hull/tests/qhull_run.h"
#include "volumes/cylinder.h"
#include "volumes/hull_graph.h"
#include "volumes/minimum_box.h"

namespace {

using Kernel = CGAL::Simple_cartesian<double>;

constexpr float RADIUS = 100.0f;
constexpr double SEMI_AXES[3] = {100.0, 60.0, 20.0};  // of the ellipsoid

enum class Shape { Sphere, Ellipsoid, Scan, CadPart };

struct Cloud {
  std::vector<Vector3> points;
  double referenceVolume = 0.0;
};

// Turned about (1, 2, 3) by 0.7 radians, in double, rounded to float.
Vector3 turned(const Vector3d& v) {
  const Vector3d k = normalized({1, 2, 3});
  const double c = std::cos(0.7);
  const double s = std::sin(0.7);
  return (v * c + cross(k, v) * s + k * (dot(k, v) * (1 - c))).toFloat();
}

// A machined bracket as a CAD export gives it: the vertices of a tessellated part. A 200 x
// 120 x 10 plate with four holes of radius 8 (48-gons in both faces), a boss of radius 30 and
// 60 high on it (96-gon rings at its foot and top) and a 10 x 100 x 40 rib, turned.
Cloud cadPart() {
  Cloud cloud;
  const auto ring = [&cloud](double cx, double cy, double z, double r, int sides) {
    for (int i = 0; i < sides; ++i) {
      const double a = 2 * axis_search::PI * i / sides;
      cloud.points.push_back(turned({cx + r * std::cos(a), cy + r * std::sin(a), z}));
    }
  };
  const auto block = [&cloud](Vector3d low, Vector3d high) {
    for (int i = 0; i < 8; ++i)
      cloud.points.push_back(
          turned({i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z}));
  };
  block({-100, -60, 0}, {100, 60, 10});
  for (const double z : {0.0, 10.0})
    for (const double x : {-85.0, 85.0})
      for (const double y : {-45.0, 45.0})
        ring(x, y, z, 8, 48);
  ring(0, 0, 10, 30, 96);
  ring(0, 0, 70, 30, 96);
  block({-5, -50, 10}, {5, 50, 50});
  cloud.referenceVolume = 200.0 * 120.0 * 70.0;
  return cloud;
}

Cloud makeCloud(Shape shape, int count) {
  if (shape == Shape::CadPart)
    return cadPart();
  std::mt19937 rng(static_cast<unsigned>(count) * 2 + (shape == Shape::Sphere ? 1 : 0));
  std::normal_distribution<float> normal;
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  Cloud cloud;
  if (shape == Shape::Scan) {
    sampleSurface(rng, cloud.points, count);
    Vector3d low(INFINITY, INFINITY, INFINITY), high(-INFINITY, -INFINITY, -INFINITY);
    for (const Vector3& p : cloud.points) {
      low = Vector3d(std::min<double>(low.x, p.x), std::min<double>(low.y, p.y),
                     std::min<double>(low.z, p.z));
      high = Vector3d(std::max<double>(high.x, p.x), std::max<double>(high.y, p.y),
                      std::max<double>(high.z, p.z));
    }
    const Vector3d extent = high - low;
    cloud.referenceVolume = extent.x * extent.y * extent.z;
    return cloud;
  }
  if (shape == Shape::Sphere) {
    for (int i = 0; i < count; ++i) {
      Vector3 p(normal(rng), normal(rng), normal(rng));
      p.normalize();
      cloud.points.push_back(p * RADIUS);
    }
    cloud.referenceVolume = 8.0 * RADIUS * RADIUS * RADIUS;
    return cloud;
  }
  // Uniform in the ellipsoid (rejection from its box), turned.
  while (cloud.points.size() < static_cast<std::size_t>(count)) {
    const Vector3d u(unit(rng), unit(rng), unit(rng));
    if (dot(u, u) > 1.0)
      continue;
    cloud.points.push_back(turned({u.x * SEMI_AXES[0], u.y * SEMI_AXES[1], u.z * SEMI_AXES[2]}));
  }
  cloud.referenceVolume = 8.0 * SEMI_AXES[0] * SEMI_AXES[1] * SEMI_AXES[2];
  return cloud;
}

// The hull's facets as loops of points, by Qhull (triangulated).
std::vector<std::vector<Vector3>> qhullLoops(const std::vector<Vector3>& points) {
  QhullRun run(std::span<const Vector3>(points), "qhull Qt");
  std::vector<std::vector<Vector3>> loops;
  if (run.status() == 0) {
    qhT* qh = run.context();  // the name the FORALL macros expect
    facetT* facet;
    vertexT* vertex;
    vertexT** vertexp;
    FORALLfacets {
      std::vector<Vector3>& loop = loops.emplace_back();
      FOREACHvertex_(facet->vertices) {
        loop.push_back(points[static_cast<std::size_t>(qh_pointid(qh, vertex->point))]);
      }
    }
  }
  return loops;
}

void minimumBox(benchmark::State& state, Shape shape, int count, bool withHull) {
  const Cloud cloud = makeCloud(shape, count);
  const HullGraph prebuilt = hullGraphFromLoops(qhullLoops(cloud.points));
  if (cloud.points.empty()) {
    state.SkipWithError(("cannot read " + std::string(SCAN_MODEL)).c_str());
    return;
  }
  double volume = 0.0;
  double heap = 0.0;
  MinimumBoxReport report;
  for (auto _ : state) {
    heap = peakHeapMegabytes([&] {
      const HullGraph graph = withHull ? hullGraphFromLoops(qhullLoops(cloud.points)) : prebuilt;
      volume = minimumVolumeBox(cloud.points, graph, {}, {}, &report).volume;
    });
  }
  const double hullVertices = static_cast<double>(prebuilt.vertices.size());
  state.counters["volume"] = volume / cloud.referenceVolume;
  state.counters["hullVertices"] = hullVertices;
  state.counters["complete"] = report.complete ? 1 : 0;
  state.counters["gap"] = report.optimalityGap;
  state.counters["heap_MB"] = heap;
  state.counters["heapBytesPerHullVertex"] = heap * 1024 * 1024 / hullVertices;
}

void cgalBox(benchmark::State& state, Shape shape, int count) {
  const Cloud cloud = makeCloud(shape, count);
  std::vector<Kernel::Point_3> points;
  for (const Vector3& p : cloud.points)
    points.emplace_back(p.x, p.y, p.z);
  if (points.empty()) {
    state.SkipWithError(("cannot read " + std::string(SCAN_MODEL)).c_str());
    return;
  }
  double volume = 0.0;
  double heap = 0.0;
  unsigned seed = 1;
  for (auto _ : state) {
    std::array<Kernel::Point_3, 8> corners;
    heap = peakHeapMegabytes([&] {
      CGAL::oriented_bounding_box(points, corners,
                                  CGAL::parameters::use_convex_hull(true).random_seed(seed++));
    });
    // Corners 1, 3 and 5 are the neighbours of corner 0.
    volume = std::sqrt(CGAL::squared_distance(corners[0], corners[1]) *
                       CGAL::squared_distance(corners[0], corners[3]) *
                       CGAL::squared_distance(corners[0], corners[5]));
  }
  state.counters["volume"] = volume / cloud.referenceVolume;
  state.counters["heap_MB"] = heap;
}

// The minimum-volume cylinder on the exact hull's vertices (the hull is built once, outside
// the timing, as both sides take it), against the naive search that keeps the best of the
// directions 30 degrees apart over the hemisphere. "volume" is relative to the smooth shape's
// box, as above, so the two rows' volumes give the tightness ratio.
std::vector<Vector3> exactHullVertices(const std::vector<Vector3>& points) {
  std::vector<Vector3> out;
  for (std::int32_t i : buildExactHull(points).vertices)
    out.push_back(points[static_cast<std::size_t>(i)]);
  return out;
}

void minimumCylinderBench(benchmark::State& state, Shape shape, int count, bool naive) {
  const Cloud cloud = makeCloud(shape, count);
  const std::vector<Vector3> hull = exactHullVertices(cloud.points);
  double volume = 0.0;
  for (auto _ : state) {
    if (!naive) {
      volume = minimumCylinder(cloud.points, hull).volume;
      continue;
    }
    volume = std::numeric_limits<double>::infinity();
    for (int polar = 0; polar <= 90; polar += 30)
      for (int azimuth = 0; azimuth < (polar == 0 ? 1 : 360); azimuth += 30) {
        const double p = polar * axis_search::PI / 180.0, a = azimuth * axis_search::PI / 180.0;
        const Vector3d u(std::sin(p) * std::cos(a), std::sin(p) * std::sin(a), std::cos(p));
        volume = std::min(volume, cylinderAlong(hull, u).volume);
      }
  }
  state.counters["volume"] = volume / cloud.referenceVolume;
  state.counters["hullVertices"] = static_cast<double>(hull.size());
}

}  // namespace

int main(int argc, char** argv) {
  QHULL_LIB_CHECK
  std::vector<Comparison> comparisons;
  const struct {
    Shape shape;
    int count;
    const char* name;
  } cases[] = {
      {Shape::Ellipsoid, 10000, "ellipsoid/10000"}, {Shape::Sphere, 1000, "sphere/1000"},
      {Shape::Sphere, 10000, "sphere/10000"},       {Shape::Sphere, 100000, "sphere/100000"},
      {Shape::Scan, 1000000, "duck-scan/1000000"},  {Shape::CadPart, 0, "cad-part"}};
  for (const auto& c : cases) {
    const std::string ours = std::string("volumes/MinimumBox/") + c.name;
    const std::string search = std::string("volumes/MinimumBoxSearch/") + c.name;
    const std::string cgal = std::string("volumes/CGAL_OBB/") + c.name;
    // The search runs on two threads: its CPU time is the process's, both threads together.
    benchmark::RegisterBenchmark(ours.c_str(), minimumBox, c.shape, c.count, true)
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(search.c_str(), minimumBox, c.shape, c.count, false)
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(cgal.c_str(), cgalBox, c.shape, c.count)
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    comparisons.push_back({ours, cgal});
    const std::string cylinder = std::string("volumes/MinimumCylinder/") + c.name;
    const std::string naive = std::string("volumes/NaiveCylinder30deg/") + c.name;
    benchmark::RegisterBenchmark(cylinder.c_str(), minimumCylinderBench, c.shape, c.count, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(naive.c_str(), minimumCylinderBench, c.shape, c.count, true)
        ->Unit(benchmark::kMillisecond);
    comparisons.push_back({cylinder, naive});
  }
  return runWithRatios(argc, argv, std::move(comparisons));
}
