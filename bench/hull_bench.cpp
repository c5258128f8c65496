// Benchmark: ConvexHull::build against Qhull (reentrant C library, triangulated output) on
// the same seeded float clouds of 20, 100 and 1,000 points, drawn uniformly in a cube
// (few points on the hull) and on a sphere (every point on the hull).
#include <libqhull_r/qhull_ra.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

namespace {

constexpr int CLOUDS = 16;  // per size and shape; the benchmarks cycle through them
constexpr float HALF_EXTENT = 100.0f;

enum class Shape { Cube, Sphere };

std::vector<std::vector<Vector3>> makeClouds(Shape shape, int count) {
  std::mt19937 rng(static_cast<unsigned>(count) * 2 + (shape == Shape::Sphere ? 1 : 0));
  std::uniform_real_distribution<float> coordinate(-HALF_EXTENT, HALF_EXTENT);
  std::normal_distribution<float> normal;
  std::vector<std::vector<Vector3>> clouds(CLOUDS);
  for (std::vector<Vector3>& cloud : clouds) {
    for (int i = 0; i < count; ++i) {
      if (shape == Shape::Cube) {
        cloud.emplace_back(coordinate(rng), coordinate(rng), coordinate(rng));
      } else {
        Vector3 p(normal(rng), normal(rng), normal(rng));
        p.normalize();
        cloud.push_back(p * HALF_EXTENT);
      }
    }
  }
  return clouds;
}

void convexHullBuild(benchmark::State& state, Shape shape, int count) {
  const std::vector<std::vector<Vector3>> clouds = makeClouds(shape, count);
  std::size_t next = 0;
  double facets = 0;
  for (auto _ : state) {
    ConvexHull hull;
    hull.build(clouds[next]);
    facets += static_cast<double>(hull.facets.size());
    next = (next + 1) % clouds.size();
  }
  state.counters["facets"] = benchmark::Counter(facets, benchmark::Counter::kAvgIterations);
}

// Qhull takes double coordinates: the conversion from the float cloud is part of its cost.
void qhullBuild(benchmark::State& state, Shape shape, int count) {
  const std::vector<std::vector<Vector3>> clouds = makeClouds(shape, count);
  std::vector<coordT> coordinates(3 * static_cast<std::size_t>(count));
  char options[] = "qhull Qt";  // triangulated facets, as ConvexHull produces
  std::size_t next = 0;
  double facets = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < clouds[next].size(); ++i) {
      for (int k = 0; k < 3; ++k)
        coordinates[3 * i + k] = clouds[next][i][k];
    }
    qhT context;
    qhT* qh = &context;  // the name the FORALL macros expect
    qh_zero(qh, stderr);
    if (qh_new_qhull(qh, 3, count, coordinates.data(), False, options, nullptr, stderr) == 0) {
      facetT* facet;
      FORALLfacets {
        facets += 1;
      }
    } else {
      state.SkipWithError("qhull failed");
    }
    qh_freeqhull(qh, !qh_ALL);
    int curlong = 0;
    int totlong = 0;
    qh_memfreeshort(qh, &curlong, &totlong);
    next = (next + 1) % clouds.size();
  }
  state.counters["facets"] = benchmark::Counter(facets, benchmark::Counter::kAvgIterations);
}

}  // namespace

int main(int argc, char** argv) {
  QHULL_LIB_CHECK
  std::vector<Comparison> comparisons;
  for (const Shape shape : {Shape::Cube, Shape::Sphere}) {
    for (const int count : {20, 100, 1000}) {
      const std::string suffix =
          std::string(shape == Shape::Cube ? "cube/" : "sphere/") + std::to_string(count);
      const std::string ours = "hull/ConvexHull/" + suffix;
      const std::string qhull = "hull/Qhull/" + suffix;
      benchmark::RegisterBenchmark(ours.c_str(), convexHullBuild, shape, count);
      benchmark::RegisterBenchmark(qhull.c_str(), qhullBuild, shape, count);
      comparisons.push_back({ours, qhull});
    }
  }
  return runWithRatios(argc, argv, std::move(comparisons));
}
