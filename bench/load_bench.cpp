// Benchmark: loading a large model and a large point list, against the plain way of getting
// the same points from the same libraries in the same run.
//
// Inputs, written once to a scratch directory: a binary PLY of 1,000,000 vertices and
// 2,000,000 triangles (38 MB) and a text point list of the same 1,000,000 points (about
// 30 MB). Times are wall-clock (UseRealTime): loadPoints does its import in a child process,
// whose processor time the parent's CPU time would not show.
//   loadPoints (child process) and loadPoints in process against Assimp's ReadFile with
//   aiProcess_PreTransformVertices followed by a copy of the vertices;
//   readPointList against reading the same file with std::ifstream >> x >> y >> z.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/ratio_reporter.h"
#include "loading/model_loader.h"
#include "loading/point_list.h"
#include "loading/tests/model_files.h"

namespace {

constexpr std::size_t VERTICES = 1'000'000;
constexpr std::size_t TRIANGLES = 2'000'000;

// The scratch directory with both inputs; removed when the program ends.
class Inputs {
 public:
  Inputs() {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> coordinate(-500, 500);
    std::uniform_int_distribution<std::uint32_t> vertex(0, VERTICES - 1);
    std::string ply =
        "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(VERTICES) +
        "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
        std::to_string(TRIANGLES) + "\nproperty list uchar int vertex_indices\nend_header\n";
    std::string list;
    for (std::size_t i = 0; i < VERTICES; ++i) {
      const float p[3] = {coordinate(random), coordinate(random), coordinate(random)};
      for (float c : p) {
        appendFloat(ply, c);
      }
      list += std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
    }
    for (std::size_t t = 0; t < TRIANGLES; ++t) {
      ply += '\3';
      for (int k = 0; k < 3; ++k) {
        appendUint32(ply, vertex(random));
      }
    }
    model_ = directory_.write("model.ply", ply);
    pointList_ = directory_.write("points.xyz", list);
  }
  const std::string& model() const { return model_; }
  const std::string& pointList() const { return pointList_; }

 private:
  ScratchDirectory directory_;
  std::string model_;
  std::string pointList_;
};

const Inputs& inputs() {
  static const Inputs instance;
  return instance;
}

void checkCount(benchmark::State& state, std::size_t count) {
  if (count != VERTICES) {
    state.SkipWithError("wrong number of points");
  }
}

void loadPointsIsolated(benchmark::State& state) {
  for (auto _ : state) {
    const LoadResult result = loadPoints(inputs().model());
    checkCount(state, result.points.size());
  }
}

void loadPointsInProcess(benchmark::State& state) {
  for (auto _ : state) {
    const LoadResult result = loadPoints(inputs().model(), Isolation::InProcess);
    checkCount(state, result.points.size());
  }
}

void assimpPreTransformed(benchmark::State& state) {
  for (auto _ : state) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(inputs().model(), aiProcess_PreTransformVertices);
    std::vector<Vector3> points;
    for (unsigned m = 0; scene != nullptr && m < scene->mNumMeshes; ++m) {
      const aiMesh& mesh = *scene->mMeshes[m];
      for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        points.emplace_back(mesh.mVertices[i].x, mesh.mVertices[i].y, mesh.mVertices[i].z);
      }
    }
    checkCount(state, points.size());
  }
}

void readPointListFile(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(inputs().pointList(), std::ios::binary);
    const LoadResult result = readPointList(in, inputs().pointList());
    checkCount(state, result.points.size());
  }
}

void streamExtraction(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(inputs().pointList(), std::ios::binary);
    std::vector<Vector3> points;
    Vector3 p;
    while (in >> p.x >> p.y >> p.z) {
      points.push_back(p);
    }
    checkCount(state, points.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Wall-clock time throughout: the isolated import does its work in a child process.
  using Benchmark = void (*)(benchmark::State&);
  const std::pair<const char*, Benchmark> benchmarks[] = {
      {"loading/loadPoints/ply1M", loadPointsIsolated},
      {"loading/loadPointsInProcess/ply1M", loadPointsInProcess},
      {"assimp/PreTransformVertices/ply1M", assimpPreTransformed},
      {"loading/readPointList/xyz1M", readPointListFile},
      {"iostream/extraction/xyz1M", streamExtraction}};
  for (const auto& [name, run] : benchmarks)
    benchmark::RegisterBenchmark(name, run)->UseRealTime()->Unit(benchmark::kMillisecond);
  return runWithRatios(
      argc, argv,
      {{"loading/loadPoints/ply1M/real_time", "assimp/PreTransformVertices/ply1M/real_time"},
       {"loading/loadPointsInProcess/ply1M/real_time",
        "assimp/PreTransformVertices/ply1M/real_time"},
       {"loading/readPointList/xyz1M/real_time", "iostream/extraction/xyz1M/real_time"}});
}
