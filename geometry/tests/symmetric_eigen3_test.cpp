// Tests of SymmetricEigen3: agreement with Eigen's double-precision solver on thousands of
// seeded symmetric matrices, then the rules of each stage on small literal cases.
#include "geometry/symmetric_eigen3.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

using Rows = SymmetricEigen3::Rows;
const float NaN = std::numeric_limits<float>::quiet_NaN();

struct Decomposition {
  Eigen::Vector3f values;
  Eigen::Matrix3f vectors;  // eigenvector k is column k
};

// The upper triangle of a, with `lower` in place of every entry below the diagonal.
Rows toRows(const Eigen::Matrix3f& a, float lower) {
  Rows rows(3, std::vector<float>(3));
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      rows[i][j] = j >= i ? a(i, j) : lower;
    }
  }
  return rows;
}

Eigen::Matrix3f toMatrix(const Rows& rows) {
  Eigen::Matrix3f m;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      m(i, j) = rows[i][j];
    }
  }
  return m;
}

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
      for (int j = i; j < 3; ++j) {
        a(i, j) = a(j, i) = float(small(rng));
      }
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
  const Eigen::Vector3d& lambda = spectra[kind];
  const Eigen::Matrix3d m = scale * q * lambda.asDiagonal() * q.transpose();
  const Eigen::Matrix3f f = (0.5 * (m + m.transpose())).cast<float>();
  // The reflection squares a01 and a02 in float without scaling; rounding noise so small
  // that the sum of squares is subnormal (entries below about 1e-19) leaves it
  // non-orthogonal. Moment matrices of integer point clouds never hold such entries.
  const float squares = f(0, 1) * f(0, 1) + f(0, 2) * f(0, 2);
  if (f(0, 2) != 0.0f && squares < std::numeric_limits<float>::min()) {
    return randomSymmetric(rng, kind);
  }
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

    const Decomposition got = solve(a, NaN);
    const Eigen::Vector3d values = got.values.cast<double>();
    const Eigen::Matrix3d vectors = got.vectors.cast<double>();
    EXPECT_LE(values[0], values[1]);
    EXPECT_LE(values[1], values[2]);
    EXPECT_LE((values - expected).cwiseAbs().maxCoeff(), 1e-4 * largest);
    // Columns are products of float rotations: orthonormal to a few float ulps.
    EXPECT_LE((vectors.transpose() * vectors - Eigen::Matrix3d::Identity()).cwiseAbs().maxCoeff(),
              1e-5);
    for (int k = 0; k < 3; ++k) {
      const Eigen::Vector3d v = vectors.col(k);
      EXPECT_LE((ad * v - values[k] * v).norm(), 4e-6 * largest) << "residual of column " << k;
      // An eigenvector is determined (up to sign) only when its value is well separated;
      // its error grows like rounding / gap.
      double gap = std::numeric_limits<double>::infinity();
      for (int j = 0; j < 3; ++j) {
        if (j != k) {
          gap = std::min(gap, std::abs(expected[k] - expected[j]) / largest);
        }
      }
      if (gap > 1e-3) {
        const Eigen::Vector3d r = reference.eigenvectors().col(k);
        EXPECT_LE(std::min((v - r).norm(), (v + r).norm()), 4e-6 / gap) << "column " << k;
      }
    }
    // Garbage below the diagonal changes nothing, bit for bit.
    const Decomposition mirrored = solve(a, a(2, 0));
    EXPECT_EQ(got.values, mirrored.values);
    EXPECT_EQ(got.vectors, mirrored.vectors);
  }
}

TEST(SymmetricEigen3, DiagonalMatrixSortsWithMatchingUnitColumns) {
  const Decomposition got = solve(Eigen::Vector3f(3, 1, 2).asDiagonal(), 7.0f);
  EXPECT_EQ(got.values, Eigen::Vector3f(1, 2, 3));
  Eigen::Matrix3f columns;
  columns << 0, 0, 1,  //
      1, 0, 0,         //
      0, 1, 0;
  EXPECT_EQ(got.vectors, columns);
}

TEST(SymmetricEigen3, EqualEigenvaluesExchangeNoColumns) {
  for (const float c : {1.0f, -2.5f, 0.0f}) {
    const Decomposition got = solve(c * Eigen::Matrix3f::Identity(), NaN);
    EXPECT_EQ(got.values, Eigen::Vector3f::Constant(c));
    EXPECT_EQ(got.vectors, Eigen::Matrix3f::Identity());
  }
}

TEST(SymmetricEigen3, ReductionReflectsOnlyWhenA02IsNotExactlyZero) {
  float d[3], e[3];
  // a02 = 0, a01 != 0: already tridiagonal, the frame stays the identity.
  Rows rows{{2, 1, 0}, {NaN, 3, 5}, {NaN, NaN, 4}};
  SymmetricEigen3::tridiagonalize(rows, d, e);
  EXPECT_EQ(rows, (Rows{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  EXPECT_EQ(Eigen::Vector3f(d[0], d[1], d[2]), Eigen::Vector3f(2, 3, 4));
  EXPECT_EQ(Eigen::Vector3f(e[0], e[1], e[2]), Eigen::Vector3f(1, 5, 0));

  // (a01, a02) = (3, 4): L = 5, u = 0.6, v = 0.8, q = 2 u a12 + v (a22 - a11) = 1.4.
  rows = {{1, 3, 4}, {NaN, 2, 0.5f}, {NaN, NaN, 3}};
  SymmetricEigen3::tridiagonalize(rows, d, e);
  const float u = 3.0f * (1.0f / 5.0f), v = 4.0f * (1.0f / 5.0f);
  EXPECT_EQ(rows, (Rows{{1, 0, 0}, {0, u, v}, {0, v, -u}}));
  EXPECT_FLOAT_EQ(d[1], 2.0f + 0.8f * 1.4f);
  EXPECT_FLOAT_EQ(d[2], 3.0f - 0.8f * 1.4f);
  EXPECT_EQ(e[0], 5.0f);
  EXPECT_FLOAT_EQ(e[1], 0.5f - 0.6f * 1.4f);
  EXPECT_EQ(e[2], 0.0f);

  // Anything but an exact zero reflects: a tiny a02, and a not-a-number one (all NaN then).
  rows = {{1, 3, 1e-30f}, {NaN, 2, 1}, {NaN, NaN, 3}};
  SymmetricEigen3::tridiagonalize(rows, d, e);
  EXPECT_EQ(rows[2][2], -1.0f);
  rows = {{1, 3, NaN}, {0, 2, 1}, {0, 0, 3}};
  SymmetricEigen3::tridiagonalize(rows, d, e);
  EXPECT_EQ(rows[0], (std::vector<float>{1, 0, 0}));
  EXPECT_TRUE(std::isnan(rows[1][1]) && std::isnan(rows[2][2]) && std::isnan(d[1]));
}

// The reflection has determinant -1 and every QL rotation +1, so before sorting the frame
// is left-handed exactly when a02 != 0; each column exchange of the sort flips it again.
TEST(SymmetricEigen3, HandednessFollowsTheReflectionAndTheExchanges) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 500; ++trial) {
    Eigen::Matrix3f a = randomSymmetric(rng, 0);
    if (trial % 2 == 0) {
      a(0, 2) = a(2, 0) = 0.0f;
    }
    Rows rows = toRows(a, NaN);
    float d[3], e[3];
    SymmetricEigen3::tridiagonalize(rows, d, e);
    ASSERT_TRUE(SymmetricEigen3::reduceQL(3, d, e, rows));
    const double before = toMatrix(rows).cast<double>().determinant();
    EXPECT_NEAR(before, a(0, 2) == 0.0f ? 1.0 : -1.0, 1e-5) << trial;
    // Distinct values: the sort applies the permutation that orders them.
    const int inversions = (d[0] > d[1]) + (d[0] > d[2]) + (d[1] > d[2]);
    SymmetricEigen3::sortIncreasing(3, d, rows);
    EXPECT_NEAR(toMatrix(rows).cast<double>().determinant(), inversions % 2 == 0 ? before : -before,
                1e-5)
        << trial;
  }
}

TEST(SymmetricEigen3, ShiftTakesThePositiveRootWhenGIsZero) {
  // d[0] == d[1] makes g = 0: the shift becomes d[1] - d[0] + e[0] / (0 + 1), and one sweep
  // leaves the block's small value first. The other root would leave them in reverse.
  float d[3] = {1, 1, 5}, e[3] = {1, 0, 0};
  Rows z{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_TRUE(SymmetricEigen3::reduceQL(3, d, e, z));
  EXPECT_NEAR(d[0], 0.0f, 1e-6f);
  EXPECT_NEAR(d[1], 2.0f, 1e-6f);
  EXPECT_EQ(d[2], 5.0f);
}

TEST(SymmetricEigen3, CouplingBelowFloatRoundingStillRotatesTheVectors) {
  // 1e-8 + 3 rounds to 3 in float but not in double: the coupling is not negligible, one
  // sweep runs and tilts the first two eigenvectors by about 1e-8.
  float d[3] = {1, 2, 5}, e[3] = {1e-8f, 0, 0};
  Rows z{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_TRUE(SymmetricEigen3::reduceQL(3, d, e, z));
  EXPECT_NEAR(std::abs(z[0][1]), 1e-8f, 1e-9f);
  EXPECT_NEAR(std::abs(z[1][0]), 1e-8f, 1e-9f);
  EXPECT_EQ(z[2][2], 1.0f);
}

TEST(SymmetricEigen3, NotANumberEndsTheQLStageInsteadOfLooping) {
  // A NaN off-diagonal never tests negligible: the sweep limit is what ends the stage.
  float d[3] = {1, 2, 3}, e[3] = {NaN, 0, 0};
  Rows z{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_FALSE(SymmetricEigen3::reduceQL(3, d, e, z));
  // solve() swallows the failure, sorts what is there and returns.
  Eigen::Matrix3f a = Eigen::Matrix3f::Identity();
  a(0, 1) = NaN;
  EXPECT_TRUE(std::isnan(solve(a, 0.0f).values[0]));
}

TEST(SymmetricEigen3, SortKeepsTheFirstOfEqualsAndNeverMovesNaN) {
  const auto sorted = [](float d0, float d1, float d2) {
    float d[3] = {d0, d1, d2};
    Rows z{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // column k ends as the unit vector of its origin
    SymmetricEigen3::sortIncreasing(3, d, z);
    std::vector<int> origin;
    for (int k = 0; k < 3; ++k) {
      origin.push_back(z[0][k] == 1.0f ? 0 : (z[1][k] == 1.0f ? 1 : 2));
    }
    return origin;
  };
  EXPECT_EQ(sorted(2, 1, 1), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(sorted(NaN, 1, 0), (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(sorted(1, NaN, 0), (std::vector<int>{2, 1, 0}));
}

}  // namespace
