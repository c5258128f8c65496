// Benchmark: three convex hulls on the same seeded float clouds in the same run: the exact
// hull (buildExactHull), Qhull (reentrant C library, option Qt: triangulated output) and
// CGAL's convex_hull_3 (exact predicates, inexact constructions, into a Surface_mesh). The
// clouds are uniform in a cube and in a ball, on a sphere (every point a vertex), sampled on
// the surface of a closed model like a scan, and the two classic hard cases on the surface of
// a cube: points exactly on its faces and points a few float steps off them. The demo's own
// tolerance hull (ConvexHull::build, "literal" in the run names) runs on the cube, ball and
// sphere clouds as well, and alone in the program's 20-point pipeline (hull, box with its
// report, sphere, against Qhull's hull alone) and under the box and sphere fits.
//
// After Google Benchmark's output and the ratio table it prints two tables. The first has,
// per input, the three hulls' times, the exact hull's ratios to the two libraries, the growth
// exponent of its time between successive sizes, the peak heap of one build of each (counted
// by wrapping malloc, which operator new, Qhull and CGAL all use; the wrappers count only
// while a peak is measured, so the timed runs pay nothing for the accounting), the exact
// hull's vertex count beside the number of corners of CGAL's hull (computed once per input,
// outside the timing), and the tolerance hull's time. The second has the pipeline and the
// fits.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/convex_hull_3.h>
#include <libqhull_r/qhull_ra.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/heap_peak.h"
#include "bench/ratio_reporter.h"
#include "bench/surface_sample.h"
#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "geometry/vector3d.h"
#include "hull/convex_hull.h"
#include "hull/exact_hull.h"

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Mesh = CGAL::Surface_mesh<Kernel::Point_3>;
using Point = std::array<float, 3>;  // a point as a sortable value

constexpr float HALF_EXTENT = 100.0f;

enum class Shape { Cube, Ball, Sphere, Scan, CubeFaces, FuzzyCube };
const char* const SHAPE_NAMES[] = {"cube",      "ball",       "sphere",
                                   "duck-scan", "cube-faces", "fuzzy-cube"};

// Clouds per size: enough to vary the input, few enough to keep a million points cheap.
int cloudsFor(int count) {
  return count <= 1000 ? 16 : (count <= 100000 ? 4 : 1);
}

// A point uniform on the surface of the cube [-0.5, 0.5]^3: a face picked uniformly, its
// coordinate exactly -0.5 or 0.5, the other two uniform. Almost every point lies inside a
// face of the hull, in exact coplanarity with thousands of others.
Vector3 onCubeFace(std::mt19937& rng, int& face) {
  std::uniform_real_distribution<float> coordinate(-0.5f, 0.5f);
  Vector3 p;
  p.x = coordinate(rng);
  p.y = coordinate(rng);
  p.z = coordinate(rng);
  face = std::uniform_int_distribution<int>(0, 5)(rng);
  p[face / 2] = face % 2 == 0 ? -0.5f : 0.5f;
  return p;
}

Vector3 onCubeFace(std::mt19937& rng) {
  int face = 0;
  return onCubeFace(rng, face);
}

// The same point moved off its face by 1 to 4 float steps, inward or outward at random, so
// that each face's points are nearly but not exactly coplanar. The double-precision habit of
// a fuzz of 1e-13 of the side cannot be kept in float: it rounds away at 0.5, where the float
// spacing is 3.0e-8 below and 6.0e-8 above, and moving or scaling the cube does not help,
// since float spacing is relative to the coordinate and some face always sits at a coordinate
// of the order of the side. A few steps (at most 2.4e-7 of the side) is the finest fuzz float
// can hold.
Vector3 nearCubeFace(std::mt19937& rng) {
  int face = 0;
  Vector3 p = onCubeFace(rng, face);
  const int steps = std::uniform_int_distribution<int>(1, 4)(rng);
  const bool outward = std::bernoulli_distribution(0.5)(rng);
  float& c = p[face / 2];
  const float towards = outward ? 2 * c : 0.0f;
  for (int i = 0; i < steps; ++i)
    c = std::nextafter(c, towards);
  return p;
}

std::vector<std::vector<Vector3>> makeClouds(Shape shape, int count) {
  std::mt19937 rng(static_cast<unsigned>(count) * 3 + static_cast<unsigned>(shape));
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::vector<std::vector<Vector3>> clouds(static_cast<std::size_t>(cloudsFor(count)));
  for (std::vector<Vector3>& cloud : clouds) {
    if (shape == Shape::Scan) {
      sampleSurface(rng, cloud, count);
      if (cloud.empty())
        return {};
      continue;
    }
    while (static_cast<int>(cloud.size()) < count) {
      if (shape == Shape::CubeFaces || shape == Shape::FuzzyCube) {
        cloud.push_back(shape == Shape::CubeFaces ? onCubeFace(rng) : nearCubeFace(rng));
        continue;
      }
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

void exact(const std::vector<Vector3>& cloud) {
  const ExactHull hull = buildExactHull(cloud);
  benchmark::DoNotOptimize(hull.triangles.data());
}

void literal(const std::vector<Vector3>& cloud) {
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

// CGAL takes its kernel's points: the conversion from the float cloud is part of its cost,
// as it is of Qhull's.
Mesh cgalHull(const std::vector<Vector3>& cloud) {
  std::vector<Kernel::Point_3> points;
  points.reserve(cloud.size());
  for (const Vector3& p : cloud)
    points.emplace_back(p.x, p.y, p.z);
  Mesh mesh;
  CGAL::convex_hull_3(points.begin(), points.end(), mesh);
  return mesh;
}

void cgal(const std::vector<Vector3>& cloud) {
  const Mesh mesh = cgalHull(cloud);
  const auto faces = mesh.number_of_faces();
  benchmark::DoNotOptimize(faces);
}

// The corners among the vertices of CGAL's hull, sorted. Its quickhull keeps a point it once
// added even when later points leave it inside a face or on an edge of the hull (as on a
// cube's faces), so its vertex count alone is not the number of extreme points. A vertex is a
// corner when the triangles around it span three planes or more (one plane: inside a face;
// two: on an edge), decided by the kernel's exact coplanarity test.
std::vector<Point> cgalCorners(const Mesh& mesh) {
  std::vector<Point> corners;
  for (const Mesh::Vertex_index v : mesh.vertices()) {
    std::vector<std::array<Kernel::Point_3, 3>> planes;
    for (const Mesh::Face_index f : CGAL::faces_around_target(mesh.halfedge(v), mesh)) {
      if (f == Mesh::null_face())
        continue;
      std::array<Kernel::Point_3, 3> triangle;
      std::size_t k = 0;
      for (const Mesh::Vertex_index u : CGAL::vertices_around_face(mesh.halfedge(f), mesh))
        triangle[k++ % 3] = mesh.point(u);
      const auto holds = [&](const std::array<Kernel::Point_3, 3>& plane) {
        return std::all_of(triangle.begin(), triangle.end(), [&](const Kernel::Point_3& p) {
          return CGAL::coplanar(plane[0], plane[1], plane[2], p);
        });
      };
      if (std::none_of(planes.begin(), planes.end(), holds))
        planes.push_back(triangle);
      if (planes.size() == 3)
        break;
    }
    if (planes.size() == 3) {
      const Kernel::Point_3& p = mesh.point(v);
      corners.push_back({static_cast<float>(p.x()), static_cast<float>(p.y()),
                         static_cast<float>(p.z())});  // exact: the points came from floats
    }
  }
  std::sort(corners.begin(), corners.end());
  return corners;
}

// The exact hull against CGAL's on one cloud, so that a wrong hull shows in the table.
struct VertexCheck {
  std::size_t ours = 0;
  std::size_t cgalCorners = 0;
  std::size_t cgalVertices = 0;  // the mesh's, corners or not
  bool sameSet = false;          // the same points as corners, not only as many
  bool solid = false;            // the exact hull's dimension
};
std::map<std::string, VertexCheck> checks;  // by table label

VertexCheck checkVertices(const std::vector<Vector3>& cloud) {
  VertexCheck check;
  const ExactHull hull = buildExactHull(cloud);
  std::vector<Point> ours;
  for (const std::int32_t i : hull.vertices) {
    const Vector3& p = cloud[static_cast<std::size_t>(i)];
    ours.push_back({p.x, p.y, p.z});
  }
  std::sort(ours.begin(), ours.end());
  const Mesh mesh = cgalHull(cloud);
  const std::vector<Point> corners = cgalCorners(mesh);
  check.ours = ours.size();
  check.cgalCorners = corners.size();
  check.cgalVertices = mesh.number_of_vertices();
  check.sameSet = ours == corners;
  check.solid = hull.dimension == HullDimension::Solid;
  return check;
}

struct Row {
  std::string label;  // "family size" for the hull inputs
  std::string ours;   // run names; empty: not run
  std::string qhull;
  std::string cgal;
  std::string literal;
  int size = 0;  // 0: no growth exponent
};
std::vector<Row> hullRows;

// The tolerance hull's pipeline and the fits.
struct ProgramRow {
  std::string label;
  std::string ours;
  std::string qhull;  // empty: no peer
};
std::vector<ProgramRow> programRows;

// A time in milliseconds, a ratio or a counter, or nothing when a run is missing.
std::string milliseconds(double seconds) {
  char text[32] = "";
  if (seconds > 0)
    std::snprintf(text, sizeof text, "%.4g", seconds * 1e3);
  return text;
}
std::string ratio(double a, double b) {
  char text[32] = "";
  if (a > 0 && b > 0)
    std::snprintf(text, sizeof text, "%.2f", a / b);
  return text;
}
std::string megabytes(const RatioReporter& reporter, const std::string& name) {
  char text[32] = "";
  const double value = name.empty() ? -1 : reporter.counterOf(name, "heap_MB");
  if (value >= 0)
    std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

void printTables(const RatioReporter& reporter) {
  std::printf("\n%-18s %9s %9s %9s %10s %9s %6s %8s %8s %8s %17s %10s\n", "input", "ours ms",
              "Qhull ms", "CGAL ms", "ours/Qhull", "ours/CGAL", "growth", "ours MB", "Qhull MB",
              "CGAL MB", "V ours / V CGAL", "literal ms");
  double previousSeconds = -1;
  int previousSize = 0;
  std::string previousFamily;
  std::vector<std::string> notes;
  for (const Row& row : hullRows) {
    const double s = reporter.secondsOf(row.ours);
    const double q = reporter.secondsOf(row.qhull);
    const double c = reporter.secondsOf(row.cgal);
    const double l = row.literal.empty() ? -1 : reporter.secondsOf(row.literal);
    if (s < 0 && q < 0 && c < 0 && l < 0)
      continue;
    const std::string family = row.label.substr(0, row.label.find(' '));
    char growth[16] = "";
    if (s > 0 && family == previousFamily && previousSeconds > 0)
      std::snprintf(growth, sizeof growth, "%.2f",
                    std::log(s / previousSeconds) / std::log(double(row.size) / previousSize));
    char vertices[48] = "";
    const auto found = checks.find(row.label);
    if (found != checks.end()) {
      const VertexCheck& check = found->second;
      const bool agree = check.sameSet && check.solid;
      std::snprintf(vertices, sizeof vertices, "%zu / %zu%s", check.ours, check.cgalCorners,
                    agree ? "" : " *");
      if (!check.solid)
        notes.push_back(row.label + ": the exact hull is not a solid");
      else if (!check.sameSet)
        notes.push_back(row.label + ": the exact hull's vertices are not CGAL's corners");
      if (check.cgalVertices != check.cgalCorners)
        notes.push_back(row.label + ": CGAL's mesh has " + std::to_string(check.cgalVertices) +
                        " vertices, " + std::to_string(check.cgalCorners) + " of them corners");
    }
    std::printf("%-18s %9s %9s %9s %10s %9s %6s %8s %8s %8s %17s %10s\n", row.label.c_str(),
                milliseconds(s).c_str(), milliseconds(q).c_str(), milliseconds(c).c_str(),
                ratio(s, q).c_str(), ratio(s, c).c_str(), growth,
                megabytes(reporter, s > 0 ? row.ours : "").c_str(),
                megabytes(reporter, q > 0 ? row.qhull : "").c_str(),
                megabytes(reporter, c > 0 ? row.cgal : "").c_str(), vertices,
                milliseconds(l).c_str());
    previousSeconds = s;
    previousSize = row.size;
    previousFamily = family;
  }
  for (const std::string& note : notes)
    std::printf("* %s\n", note.c_str());

  std::printf("\n%-28s %12s %12s %8s %10s %10s\n", "tolerance hull", "ours ms", "Qhull ms", "ratio",
              "ours MB", "Qhull MB");
  for (const ProgramRow& row : programRows) {
    const double s = reporter.secondsOf(row.ours);
    if (s < 0)
      continue;
    const double q = row.qhull.empty() ? -1 : reporter.secondsOf(row.qhull);
    std::printf("%-28s %12s %12s %8s %10s %10s\n", row.label.c_str(), milliseconds(s).c_str(),
                milliseconds(q).c_str(), ratio(s, q).c_str(), megabytes(reporter, row.ours).c_str(),
                megabytes(reporter, q > 0 ? row.qhull : "").c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  QHULL_LIB_CHECK
  std::vector<Comparison> comparisons;

  static const auto program = programClouds();
  benchmark::RegisterBenchmark("pipeline/ours/20",
                               [](benchmark::State& state) { runOver(state, program, pipeline); });
  benchmark::RegisterBenchmark("pipeline/Qhull/20",
                               [](benchmark::State& state) { runOver(state, program, qhull); });
  programRows.push_back({"program 20 (hull+box+sphere)", "pipeline/ours/20", "pipeline/Qhull/20"});
  comparisons.push_back({"pipeline/ours/20", "pipeline/Qhull/20"});

  // Large inputs run a fixed number of times: on a sphere every point is a vertex and every
  // step tests many facets, so 1e5 runs once; a million points run once everywhere.
  const std::vector<std::pair<Shape, int>> inputs = {
      {Shape::Cube, 1000},    {Shape::Cube, 10000},       {Shape::Cube, 100000},
      {Shape::Cube, 1000000}, {Shape::Ball, 1000},        {Shape::Ball, 10000},
      {Shape::Ball, 100000},  {Shape::Ball, 1000000},     {Shape::Sphere, 1000},
      {Shape::Sphere, 10000}, {Shape::Sphere, 100000},    {Shape::Scan, 100000},
      {Shape::Scan, 1000000}, {Shape::CubeFaces, 100000}, {Shape::FuzzyCube, 100000}};
  for (const auto& [shape, count] : inputs) {
    const std::string name = SHAPE_NAMES[int(shape)];
    const std::string suffix = name + "/" + std::to_string(count);
    const std::string label = name + " " + std::to_string(count);
    const auto clouds = std::make_shared<std::vector<std::vector<Vector3>>>();
    // False when the input cannot be made (the scan's model is missing).
    const auto setup = [clouds, shape, count] {
      if (clouds->empty())
        *clouds = makeClouds(shape, count);
      return !clouds->empty();
    };
    // A benchmark of one hull on the input's clouds; the vertex check, when asked for, runs
    // once, before the first timed run.
    const auto hull = [clouds, setup, label](void (*job)(const std::vector<Vector3>&), bool check) {
      return [clouds, setup, label, job, check](benchmark::State& state) {
        if (!setup()) {
          state.SkipWithError(("cannot read " + std::string(SCAN_MODEL)).c_str());
          return;
        }
        if (check && checks.count(label) == 0)
          checks[label] = checkVertices(clouds->front());
        runOver(state, *clouds, job);
      };
    };
    std::vector<benchmark::internal::Benchmark*> benches = {
        benchmark::RegisterBenchmark(("hull/ours/" + suffix).c_str(), hull(exact, false)),
        benchmark::RegisterBenchmark(("hull/Qhull/" + suffix).c_str(), hull(qhull, false)),
        benchmark::RegisterBenchmark(("hull/CGAL/" + suffix).c_str(), hull(cgal, true))};
    // The tolerance hull keeps its place on the clouds it has always been timed on.
    const bool withLiteral = shape == Shape::Cube || shape == Shape::Ball || shape == Shape::Sphere;
    if (withLiteral)
      benches.push_back(
          benchmark::RegisterBenchmark(("hull/literal/" + suffix).c_str(), hull(literal, false)));
    const int iterations =
        count < 100000 ? 0 : (count >= 1000000 || shape == Shape::Sphere ? 1 : 4);
    std::string runSuffix;
    for (auto* bench : benches) {
      bench->Unit(benchmark::kMillisecond);
      if (iterations > 0) {
        bench->Iterations(iterations);
        runSuffix = "/iterations:" + std::to_string(iterations);
      }
    }
    const Row row = {label,
                     "hull/ours/" + suffix + runSuffix,
                     "hull/Qhull/" + suffix + runSuffix,
                     "hull/CGAL/" + suffix + runSuffix,
                     withLiteral ? "hull/literal/" + suffix + runSuffix : "",
                     count};
    hullRows.push_back(row);
    comparisons.push_back({row.ours, row.qhull});
    comparisons.push_back({row.ours, row.cgal});
    if (withLiteral)
      comparisons.push_back({row.literal, row.qhull});
  }

  // The box and the sphere alone on tolerance hulls with every point a vertex.
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
    programRows.push_back({"box on " + n + " vertices", "box/ours/" + n, ""});
    programRows.push_back({"sphere on " + n + " vertices", "sphere/ours/" + n, ""});
  }
  return runWithRatios(argc, argv, std::move(comparisons), printTables);
}
