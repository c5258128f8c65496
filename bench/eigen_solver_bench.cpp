// Benchmark: SymmetricEigen3 against Eigen's SelfAdjointEigenSolver<Matrix3f>, iterative
// (compute) and closed form (computeDirect), on the same seeded batch of symmetric
// positive semi-definite matrices, the kind of moment matrix the box fitter solves.
#include <Eigen/Eigenvalues>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "bench/ratio_reporter.h"
#include "geometry/symmetric_eigen3.h"

namespace {

constexpr int BATCH = 1024;

// Q diag(lambda) Q^T with a uniformly random rotation Q and lambda in [0, 1e4), in float.
std::vector<Eigen::Matrix3f> makeMatrices() {
  std::mt19937 rng(1234);
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> value(0.0, 1.0e4);
  std::vector<Eigen::Matrix3f> matrices;
  for (int i = 0; i < BATCH; ++i) {
    const Eigen::Matrix3d q = Eigen::Quaterniond(normal(rng), normal(rng), normal(rng), normal(rng))
                                  .normalized()
                                  .toRotationMatrix();
    const Eigen::Vector3d lambda(value(rng), value(rng), value(rng));
    const Eigen::Matrix3d m = q * lambda.asDiagonal() * q.transpose();
    matrices.push_back((0.5 * (m + m.transpose())).cast<float>());
  }
  return matrices;
}

const std::vector<Eigen::Matrix3f>& matrices() {
  static const std::vector<Eigen::Matrix3f> batch = makeMatrices();
  return batch;
}

void load(SymmetricEigen3& eigen, const Eigen::Matrix3f& a) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      eigen.rows[i][j] = a(i, j);
  }
}

// Times solve over the whole batch; solve returns a value of its result so that the work is
// not optimised away.
template <typename Solve>
void timeBatch(benchmark::State& state, Solve solve) {
  for (auto _ : state) {
    for (const Eigen::Matrix3f& a : matrices()) {
      benchmark::DoNotOptimize(solve(a));
    }
  }
  state.SetItemsProcessed(state.iterations() * BATCH);
}

// A fresh object (and its allocations) for every matrix.
void symmetricEigen3Fresh(benchmark::State& state) {
  timeBatch(state, [](const Eigen::Matrix3f& a) {
    SymmetricEigen3 eigen(3);
    load(eigen, a);
    eigen.solve();
    return eigen.diagonal[0] + eigen.rows[0][0];
  });
}

// The arithmetic alone: one object reused, so no allocation is timed.
void symmetricEigen3Reused(benchmark::State& state) {
  SymmetricEigen3 eigen(3);
  timeBatch(state, [&eigen](const Eigen::Matrix3f& a) {
    load(eigen, a);
    eigen.solve();
    return eigen.diagonal[0] + eigen.rows[0][0];
  });
}

// As the box fitter uses it: the fixed-size solve, no allocation.
void symmetricEigen3Fixed(benchmark::State& state) {
  timeBatch(state, [](const Eigen::Matrix3f& a) {
    Matrix3Rows rows{};
    for (std::size_t i = 0; i < 3; ++i) {
      for (std::size_t j = 0; j < 3; ++j)
        rows[i][j] = a(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j));
    }
    std::array<float, 3> diagonal{};
    solveSymmetric3(rows, diagonal);
    return diagonal[0] + rows[0][0];
  });
}

void eigenIterative(benchmark::State& state) {
  Eigen::SelfAdjointEigenSolver<Eigen::Matrix3f> solver;
  timeBatch(state, [&solver](const Eigen::Matrix3f& a) {
    solver.compute(a);
    return solver.eigenvalues()[0] + solver.eigenvectors()(0, 0);
  });
}

void eigenDirect(benchmark::State& state) {
  Eigen::SelfAdjointEigenSolver<Eigen::Matrix3f> solver;
  timeBatch(state, [&solver](const Eigen::Matrix3f& a) {
    solver.computeDirect(a);
    return solver.eigenvalues()[0] + solver.eigenvectors()(0, 0);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string fresh = "eigen3x3/SymmetricEigen3/fresh";
  const std::string reused = "eigen3x3/SymmetricEigen3/reused";
  const std::string fixed = "eigen3x3/solveSymmetric3";
  const std::string iterative = "eigen3x3/Eigen/compute";
  const std::string direct = "eigen3x3/Eigen/computeDirect";
  benchmark::RegisterBenchmark(fresh.c_str(), symmetricEigen3Fresh);
  benchmark::RegisterBenchmark(reused.c_str(), symmetricEigen3Reused);
  benchmark::RegisterBenchmark(fixed.c_str(), symmetricEigen3Fixed);
  benchmark::RegisterBenchmark(iterative.c_str(), eigenIterative);
  benchmark::RegisterBenchmark(direct.c_str(), eigenDirect);
  return runWithRatios(argc, argv,
                       {{fresh, iterative},
                        {reused, iterative},
                        {fixed, iterative},
                        {fresh, direct},
                        {reused, direct},
                        {fixed, direct}});
}
