// Tests of SymmetricEigen3: agreement with Eigen's double-precision solver on thousands of
// seeded symmetric matrices, then the rules of each stage on small literal cases.
#include "geometry/symmetric_eigen3.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using Rows = SymmetricEigen3::Rows;
const float NaN = std::numeric_limits<float>::quiet_NaN();
const Rows IDENTITY{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// The upper triangle of a, with `lower` in place of every entry below the diagonal.
Rows toRows(const Eigen::Matrix3f& a, float lower) {
  Rows rows(3, std::vector<float>(3));
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      rows[i][j] = j >= i ? a(i, j) : lower;
  }
  return rows;
}

Eigen::Matrix3f toMatrix(const Rows& rows) {
  Eigen::Matrix3f m;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      m(i, j) = rows[i][j];
  }
  return m;
}

struct Decomposition {
  Eigen::Vector3f values;
  Eigen::Matrix3f vectors;  // eigenvector k is column k
};

// Solves a with `lower` written below the diagonal, which must not matter.
Decomposition solve(const Eigen::Matrix3f& a, float lower) {
  SymmetricEigen3 eigen(3);
  eigen.rows = toRows(a, lower);
  eigen.solve();
  return {Eigen::Vector3f(eigen.diagonal[0], eigen.diagonal[1], eigen.diagonal[2]),
          toMatrix(eigen.rows)};
}

// Q diag(lambda) Q^T in double, rounded to float. The kinds cover distinct eigenvalues,
// repeated pairs, a triple, a spread of 1e6, and small integer matrices (many zeros, so
// both reduction branches and many exact ties).
Eigen::Matrix3f randomSymmetric(std::mt19937& rng, int kind) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  if (kind == 5) {
    std::uniform_int_distribution<int> small(-3, 3);
    Eigen::Matrix3f a;
    for (int i = 0; i < 3; ++i) {
      for (int j = i; j < 3; ++j)
        a(i, j) = a(j, i) = float(small(rng));
    }
    return a;
  }
  const Eigen::Matrix3d q = Eigen::Quaterniond(unit(rng), unit(rng), unit(rng), unit(rng))
                                .normalized()
                                .toRotationMatrix();
  const double scale = std::pow(10.0, 3.0 * unit(rng));
  const double a = unit(rng), b = unit(rng), c = unit(rng);
  const Eigen::Vector3d spectra[5] = {
      {a, b, c}, {a, a, b}, {a, b, b}, {a, a, a}, {a, 1e-3 * b, 1e-6 * c}};
  const Eigen::Matrix3d m = scale * q * spectra[kind].asDiagonal() * q.transpose();
  const Eigen::Matrix3f f = (0.5 * (m + m.transpose())).cast<float>();
  // The reflection squares a01 and a02 in float without scaling: rounding noise so small
  // that the sum of squares is subnormal (entries below about 1e-19) leaves it
  // non-orthogonal. Moment matrices of integer point clouds never hold such entries.
  const float squares = f(0, 1) * f(0, 1) + f(0, 2) * f(0, 2);
  if (f(0, 2) != 0.0f && squares < std::numeric_limits<float>::min())
    return randomSymmetric(rng, kind);
  return f;
}

TEST(SymmetricEigen3, AgreesWithEigenOnRandomSymmetricMatrices) {
  std::mt19937 rng(20240611);
  for (int trial = 0; trial < 3000; ++trial) {
    SCOPED_TRACE(trial);
    const Eigen::Matrix3f a = randomSymmetric(rng, trial % 6);
    const Eigen::Matrix3d ad = a.cast<double>();
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> reference(ad);
    const Eigen::Vector3d expected = reference.eigenvalues();  // increasing
    const double largest = expected.cwiseAbs().maxCoeff();

    // The stages one by one: the reflection has determinant -1 and every QL rotation +1, so
    // before sorting the frame is left-handed exactly when a02 != 0; every column exchange
    // of the sort flips it again.
    Rows rows = toRows(a, NaN);
    float d[3], e[3];
    SymmetricEigen3::tridiagonalize(rows, d, e);
    EXPECT_TRUE(SymmetricEigen3::reduceQL(3, d, e, rows));
    const double handedness = toMatrix(rows).cast<double>().determinant();
    EXPECT_NEAR(handedness, a(0, 2) == 0.0f ? 1.0 : -1.0, 1e-5);
    const int inversions = (d[0] > d[1]) + (d[0] > d[2]) + (d[1] > d[2]);
    const bool distinct = d[0] != d[1] && d[0] != d[2] && d[1] != d[2];
    SymmetricEigen3::sortIncreasing(3, d, rows);
    const Eigen::Vector3d values(d[0], d[1], d[2]);
    const Eigen::Matrix3d vectors = toMatrix(rows).cast<double>();
    if (distinct) {
      EXPECT_NEAR(vectors.determinant(), inversions % 2 == 0 ? handedness : -handedness, 1e-5);
    }

    EXPECT_LE(values[0], values[1]);
    EXPECT_LE(values[1], values[2]);
    EXPECT_LE((values - expected).cwiseAbs().maxCoeff(), 1e-4 * largest);
    // Columns are products of float rotations: orthonormal to a few float ulps.
    EXPECT_LE((vectors.transpose() * vectors - Eigen::Matrix3d::Identity()).cwiseAbs().maxCoeff(),
              1e-5);
    for (int k = 0; k < 3; ++k) {
      const Eigen::Vector3d v = vectors.col(k);
      EXPECT_LE((ad * v - values[k] * v).norm(), 4e-6 * largest) << "residual of column " << k;
      // An eigenvector is determined (up to sign) only when its value is well separated; its
      // error grows like rounding / gap.
      double gap = std::numeric_limits<double>::infinity();
      for (int j = 0; j < 3; ++j) {
        if (j != k)
          gap = std::min(gap, std::abs(expected[k] - expected[j]) / largest);
      }
      if (gap > 1e-3) {
        const Eigen::Vector3d r = reference.eigenvectors().col(k);
        EXPECT_LE(std::min((v - r).norm(), (v + r).norm()), 4e-6 / gap) << "column " << k;
      }
    }
    // solve() runs the same stages, and what stands below the diagonal changes nothing.
    const Decomposition mirrored = solve(a, a(2, 0));
    EXPECT_EQ(mirrored.values, values.cast<float>());
    EXPECT_EQ(mirrored.vectors, vectors.cast<float>());
    if (HasFailure())
      return;
  }
}

TEST(SymmetricEigen3, DiagonalMatricesNeedNoReflectionAndSortStrictly) {
  const Decomposition got = solve(Eigen::Vector3f(3, 1, 2).asDiagonal(), 7.0f);
  EXPECT_EQ(got.values, Eigen::Vector3f(1, 2, 3));
  Eigen::Matrix3f columns;
  columns << 0, 0, 1,  //
      1, 0, 0,         //
      0, 1, 0;
  EXPECT_EQ(got.vectors, columns);
  // Equal eigenvalues: the first of equals wins, no column is exchanged.
  for (const float c : {1.0f, -2.5f, 0.0f}) {
    const Decomposition same = solve(c * Eigen::Matrix3f::Identity(), NaN);
    EXPECT_EQ(same.values, Eigen::Vector3f::Constant(c));
    EXPECT_EQ(same.vectors, Eigen::Matrix3f::Identity());
  }
  // a02 == 0 exactly: already tridiagonal, the frame stays the identity. Anything else, even
  // 1e-30, reflects.
  float d[3], e[3];
  Rows rows{{2, 1, 0}, {NaN, 3, 5}, {NaN, NaN, 4}};
  SymmetricEigen3::tridiagonalize(rows, d, e);
  EXPECT_EQ(rows, IDENTITY);
  EXPECT_EQ(Eigen::Vector3f(d[0], d[1], d[2]), Eigen::Vector3f(2, 3, 4));
  EXPECT_EQ(Eigen::Vector3f(e[0], e[1], e[2]), Eigen::Vector3f(1, 5, 0));
  rows = {{1, 3, 1e-30f}, {NaN, 2, 1}, {NaN, NaN, 3}};
  SymmetricEigen3::tridiagonalize(rows, d, e);
  EXPECT_EQ(rows[2][2], -1.0f);
}

TEST(SymmetricEigen3, QLStageOnLiteralTridiagonals) {
  // d0 == d1 makes g = 0: the root takes the positive sign, and one sweep leaves the block's
  // small value first. The other sign would leave them in reverse.
  Rows z = IDENTITY;
  float d[3] = {1, 1, 5}, e[3] = {1, 0, 0};
  EXPECT_TRUE(SymmetricEigen3::reduceQL(3, d, e, z));
  EXPECT_NEAR(d[0], 0.0f, 1e-6f);
  EXPECT_NEAR(d[1], 2.0f, 1e-6f);
  // 1e-8 + 3 rounds to 3 in float but not in double: the coupling is not negligible, one
  // sweep runs and tilts the first two eigenvectors by about 1e-8.
  z = IDENTITY;
  float d2[3] = {1, 2, 5}, e2[3] = {1e-8f, 0, 0};
  EXPECT_TRUE(SymmetricEigen3::reduceQL(3, d2, e2, z));
  EXPECT_NEAR(std::abs(z[0][1]), 1e-8f, 1e-9f);
  EXPECT_NEAR(std::abs(z[1][0]), 1e-8f, 1e-9f);
  // d = (-1, -1, -2) with couplings 1 meets an exact tie |f| == |g| in a rotation: it divides
  // by f. Dividing by g gives the same rotation plane with the signs of c and s exchanged, and
  // every eigenvector comes out with another sign.
  z = IDENTITY;
  float d4[3] = {-1, -1, -2}, e4[3] = {1, 1, 0};
  EXPECT_TRUE(SymmetricEigen3::reduceQL(3, d4, e4, z));
  EXPECT_EQ(Eigen::Vector3f(z[0][0], z[0][1], z[0][2]).cwiseSign(), Eigen::Vector3f(-1, 1, 1));
  // A not-a-number coupling never tests negligible: the sweep limit ends the stage.
  float d3[3] = {1, 2, 5}, e3[3] = {NaN, 0, 0};
  EXPECT_FALSE(SymmetricEigen3::reduceQL(3, d3, e3, z));
}

// Every sweep of the QL stage is counted, so matrices that never converge still end: infinite
// and huge entries give infinities and NaN rather than a stage that runs on.
TEST(SymmetricEigen3, SolveEndsOnInfiniteAndHugeEntries) {
  const float inf = std::numeric_limits<float>::infinity();
  const float huge = std::numeric_limits<float>::max();
  for (const float a : {inf, -inf, huge, NaN}) {
    for (int entry = 0; entry < 6; ++entry) {
      SymmetricEigen3 solver(3);
      solver.rows = {{1, 2, 3}, {2, 4, 5}, {3, 5, 6}};
      const int i = entry < 3 ? 0 : (entry < 5 ? 1 : 2);
      const int j = entry < 3 ? entry : (entry < 5 ? entry - 2 : 2);
      solver.rows[i][j] = a;
      solver.rows[j][i] = a;
      solver.solve();  // returns: the sweep limit holds on every input
      EXPECT_EQ(solver.diagonal.size(), 3u);
    }
  }
}

// The fixed-size solve runs the same stages: same values and vectors to the bit, on random
// matrices of every kind the generator makes, already tridiagonal ones, and non-finite ones.
TEST(SymmetricEigen3, FixedSizeSolveGivesTheClassResultBitForBit) {
  std::mt19937 rng(7);
  const auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  for (int trial = 0; trial < 3000; ++trial) {
    SCOPED_TRACE(trial);
    Eigen::Matrix3f a = randomSymmetric(rng, trial % 6);
    if (trial % 7 == 0)
      a(0, 2) = a(2, 0) = 0.0f;
    if (trial % 50 == 1)
      a(trial % 3, 1) = a(1, trial % 3) = trial % 4 == 1 ? NaN : std::numeric_limits<float>::max();
    SymmetricEigen3 solver(3);
    solver.rows = toRows(a, NaN);
    Matrix3Rows rows{};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j)
        rows[i][j] = solver.rows[i][j];
    }
    solver.solve();
    std::array<float, 3> diagonal{};
    solveSymmetric3(rows, diagonal);
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(same(diagonal[i], solver.diagonal[i])) << i;
      for (int j = 0; j < 3; ++j)
        EXPECT_TRUE(same(rows[i][j], solver.rows[i][j])) << i << ' ' << j;
    }
    if (HasFailure())
      return;
  }
}

}  // namespace
