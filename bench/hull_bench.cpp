// Benchmark: ConvexHull::build against Qhull (reentrant C library, option Qt: triangulated
// output) on the same seeded float clouds, plus the program's 20-point pipeline (hull, box
// with its report, sphere) against Qhull's hull alone, and the box and sphere fits alone.
// After Google Benchmark's output and the ratio table it prints one table with, per input,
// both times, their ratio, the growth exponent of our time between successive sizes, and the
// peak heap of one build of each, counted by wrapping malloc (which operator new and Qhull
// both use). The wrappers count only while a peak is being measured, so that the timed runs
// pay nothing for the accounting.
#include <libqhull_r/qhull_ra.h>
#include <malloc.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

// Heap accounting: every allocation of the process goes through these wrappers of glibc's
// allocator. Single-threaded use only (the benchmarks run on one thread).
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace {

bool counting = false;
// Signed: memory taken before the count started may be given back while it runs.
std::ptrdiff_t heapInUse = 0;
std::ptrdiff_t heapPeak = 0;

void* counted(void* p) {
  if (counting && p != nullptr) {
    heapInUse += static_cast<std::ptrdiff_t>(malloc_usable_size(p));
    if (heapInUse > heapPeak)
      heapPeak = heapInUse;
  }
  return p;
}

void uncount(void* p) {
  if (counting && p != nullptr)
    heapInUse -= static_cast<std::ptrdiff_t>(malloc_usable_size(p));
}

}  // namespace

extern "C" {
void* malloc(std::size_t size) {
  return counted(__libc_malloc(size));
}
void* calloc(std::size_t count, std::size_t size) {
  return counted(__libc_calloc(count, size));
}
void* realloc(void* p, std::size_t size) {
  uncount(p);
  return counted(__libc_realloc(p, size));
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
  return counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  *out = counted(__libc_memalign(alignment, size));
  return *out == nullptr ? 12 /* ENOMEM */ : 0;
}
void free(void* p) {
  uncount(p);
  __libc_free(p);
}
}

namespace {

constexpr float HALF_EXTENT = 100.0f;

enum class Shape { Cube, Ball, Sphere };
const char* const SHAPE_NAMES[] = {"cube", "ball", "sphere"};

// Clouds per size: enough to vary the input, few enough to keep a million points cheap.
int cloudsFor(int count) {
  return count <= 1000 ? 16 : (count <= 100000 ? 4 : 1);
}

std::vector<std::vector<Vector3>> makeClouds(Shape shape, int count) {
  std::mt19937 rng(static_cast<unsigned>(count) * 3 + static_cast<unsigned>(shape));
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::vector<std::vector<Vector3>> clouds(static_cast<std::size_t>(cloudsFor(count)));
  for (std::vector<Vector3>& cloud : clouds) {
    while (static_cast<int>(cloud.size()) < count) {
      Vector3 p(coordinate(rng), coordinate(rng), coordinate(rng));
      if (shape != Shape::Cube && (dot(p, p) > 1.0f || dot(p, p) < 1e-6f))
        continue;
      if (shape == Shape::Sphere)
        p.normalize();
      cloud.push_back(p * HALF_EXTENT);
    }
  }
  return clouds;
}

// The program's clouds: srand(seed), then rand() % 200 - 100 for x, y and z of 20 points.
std::vector<std::vector<Vector3>> programClouds() {
  std::vector<std::vector<Vector3>> clouds(64);
  for (std::size_t seed = 0; seed < clouds.size(); ++seed) {
    std::srand(static_cast<unsigned>(seed) + 1);
    for (int i = 0; i < 20; ++i) {
      const auto x = static_cast<float>(std::rand() % 200 - 100);
      const auto y = static_cast<float>(std::rand() % 200 - 100);
      const auto z = static_cast<float>(std::rand() % 200 - 100);
      clouds[seed].emplace_back(x, y, z);
    }
  }
  return clouds;
}

// A stream that drops everything, so that the box report is formatted but not written.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The peak heap of one call of run above what was in use before, in megabytes.
template <class Run>
double peakHeapMegabytes(Run run) {
  heapInUse = 0;
  heapPeak = 0;
  counting = true;
  run();
  counting = false;
  return static_cast<double>(heapPeak) / (1024.0 * 1024.0);
}

// Runs one job per iteration over the clouds in turn, and records one job's peak heap.
template <class Job>
void runOver(benchmark::State& state, const std::vector<std::vector<Vector3>>& clouds, Job job) {
  state.counters["heap_MB"] = peakHeapMegabytes([&] { job(clouds[0]); });
  std::size_t next = 0;
  for (auto _ : state) {
    job(clouds[next]);
    next = (next + 1) % clouds.size();
  }
}

void ours(const std::vector<Vector3>& cloud) {
  ConvexHull hull;
  hull.build(cloud);
  benchmark::DoNotOptimize(hull.facets.data());
}

void pipeline(const std::vector<Vector3>& cloud) {
  static NullBuffer sink;
  static std::ostream discard(&sink);
  ConvexHull hull;
  hull.build(cloud);
  OBB box;
  fitBoxToHull(hull, box, discard);
  Sphere sphere;
  fitSphereToHull(hull, sphere);
  benchmark::DoNotOptimize(sphere.radius);
}

// Qhull takes double coordinates: the conversion from the float cloud is part of its cost.
void qhull(const std::vector<Vector3>& cloud) {
  std::vector<coordT> coordinates(3 * cloud.size());
  for (std::size_t i = 0; i < cloud.size(); ++i) {
    for (int k = 0; k < 3; ++k)
      coordinates[3 * i + static_cast<std::size_t>(k)] = cloud[i][k];
  }
  char options[] = "qhull Qt";
  qhT context;
  qhT* qh = &context;
  qh_zero(qh, stderr);
  const int status = qh_new_qhull(qh, 3, static_cast<int>(cloud.size()), coordinates.data(), False,
                                  options, nullptr, stderr);
  benchmark::DoNotOptimize(status);
  qh_freeqhull(qh, !qh_ALL);
  int curlong = 0;
  int totlong = 0;
  qh_memfreeshort(qh, &curlong, &totlong);
}

struct Row {
  std::string label;
  std::string subject;
  std::string peer;  // empty: no peer
  int size = 0;      // 0: no growth exponent
};
std::vector<Row> rows;

void printTable(const RatioReporter& reporter) {
  std::printf("\n%-30s %12s %12s %8s %7s %10s %10s\n", "input", "ours ms", "Qhull ms", "ratio",
              "growth", "ours MB", "Qhull MB");
  double previousSeconds = -1;
  int previousSize = 0;
  std::string previousShape;
  for (const Row& row : rows) {
    const double s = reporter.secondsOf(row.subject);
    if (s < 0)
      continue;
    const double p = row.peer.empty() ? -1 : reporter.secondsOf(row.peer);
    const std::string shape = row.label.substr(0, row.label.find(' '));
    char growth[16] = "";
    if (row.size > 0 && shape == previousShape && previousSeconds > 0)
      std::snprintf(growth, sizeof growth, "%.2f",
                    std::log(s / previousSeconds) / std::log(double(row.size) / previousSize));
    char peer[32] = "";
    char ratio[32] = "";
    char peerHeap[32] = "";
    if (p > 0) {
      std::snprintf(peer, sizeof peer, "%.4g", p * 1e3);
      std::snprintf(ratio, sizeof ratio, "%.2f", s / p);
      std::snprintf(peerHeap, sizeof peerHeap, "%.3g", reporter.counterOf(row.peer, "heap_MB"));
    }
    char heap[32] = "";
    if (reporter.counterOf(row.subject, "heap_MB") >= 0)
      std::snprintf(heap, sizeof heap, "%.3g", reporter.counterOf(row.subject, "heap_MB"));
    std::printf("%-30s %12.4g %12s %8s %7s %10s %10s\n", row.label.c_str(), s * 1e3, peer, ratio,
                growth, heap, peerHeap);
    previousSeconds = s;
    previousSize = row.size;
    previousShape = shape;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QHULL_LIB_CHECK
  std::vector<Comparison> comparisons;
  const auto add = [&](const std::string& label, const std::string& subject,
                       const std::string& peer, int size) {
    rows.push_back({label, subject, peer, size});
    if (!peer.empty())
      comparisons.push_back({subject, peer});
  };

  static const auto program = programClouds();
  benchmark::RegisterBenchmark("pipeline/ours/20",
                               [](benchmark::State& state) { runOver(state, program, pipeline); });
  benchmark::RegisterBenchmark("pipeline/Qhull/20",
                               [](benchmark::State& state) { runOver(state, program, qhull); });
  add("program 20 (hull+box+sphere)", "pipeline/ours/20", "pipeline/Qhull/20", 0);

  // On a sphere every point is a vertex and every step tests every facet: 1e5 runs once.
  const std::vector<std::pair<Shape, int>> inputs = {
      {Shape::Cube, 1000},   {Shape::Cube, 10000},   {Shape::Cube, 100000},  {Shape::Cube, 1000000},
      {Shape::Ball, 1000},   {Shape::Ball, 10000},   {Shape::Ball, 100000},  {Shape::Ball, 1000000},
      {Shape::Sphere, 1000}, {Shape::Sphere, 10000}, {Shape::Sphere, 100000}};
  for (const auto& [shape, count] : inputs) {
    const std::string suffix = std::string(SHAPE_NAMES[int(shape)]) + "/" + std::to_string(count);
    const auto clouds = std::make_shared<std::vector<std::vector<Vector3>>>();
    const auto setup = [clouds, shape, count] {
      if (clouds->empty())
        *clouds = makeClouds(shape, count);
    };
    auto* a = benchmark::RegisterBenchmark(("hull/ours/" + suffix).c_str(),
                                           [clouds, setup](benchmark::State& state) {
                                             setup();
                                             runOver(state, *clouds, ours);
                                           });
    auto* b = benchmark::RegisterBenchmark(("hull/Qhull/" + suffix).c_str(),
                                           [clouds, setup](benchmark::State& state) {
                                             setup();
                                             runOver(state, *clouds, qhull);
                                           });
    // Large inputs run a fixed number of times; Google Benchmark names such runs accordingly.
    const int iterations =
        count < 100000 ? 0 : (count >= 1000000 || shape == Shape::Sphere ? 1 : 4);
    std::string runSuffix;
    for (auto* bench : {a, b}) {
      bench->Unit(benchmark::kMillisecond);
      if (iterations > 0) {
        bench->Iterations(iterations);
        runSuffix = "/iterations:" + std::to_string(iterations);
      }
    }
    add(std::string(SHAPE_NAMES[int(shape)]) + " " + std::to_string(count),
        "hull/ours/" + suffix + runSuffix, "hull/Qhull/" + suffix + runSuffix, count);
  }

  // The box and the sphere alone on hulls with every point a vertex.
  for (const int count : {10000, 100000}) {
    const auto hull = std::make_shared<ConvexHull>();
    const auto setup = [hull, count] {
      if (hull->facets.empty())
        hull->build(makeClouds(Shape::Sphere, count)[0]);
    };
    const std::string n = std::to_string(count);
    benchmark::RegisterBenchmark(("box/ours/" + n).c_str(), [hull, setup](benchmark::State& state) {
      setup();
      NullBuffer sink;
      std::ostream discard(&sink);
      for (auto _ : state) {
        OBB box;
        fitBoxToHull(*hull, box, discard);
        benchmark::DoNotOptimize(box.center.x);
      }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("sphere/ours/" + n).c_str(), [hull,
                                                                setup](benchmark::State& state) {
      setup();
      for (auto _ : state) {
        Sphere sphere;
        fitSphereToHull(*hull, sphere);
        benchmark::DoNotOptimize(sphere.radius);
      }
    })->Unit(benchmark::kMillisecond);
    add("box on " + n + " vertices", "box/ours/" + n, "", 0);
    add("sphere on " + n + " vertices", "sphere/ours/" + n, "", 0);
  }
  return runWithRatios(argc, argv, std::move(comparisons), printTable);
}
