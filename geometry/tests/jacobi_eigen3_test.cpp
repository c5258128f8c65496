// Tests of the double Jacobi eigen solver: eigenpairs of random symmetric matrices at every
// scale, including repeated eigenvalues, come back sorted, orthonormal and right-handed.
#include "geometry/jacobi_eigen3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// R diag(values) R^T for a random rotation R.
void buildMatrix(std::mt19937_64& rng, const double (&values)[3], double (&a)[3][3]) {
  std::normal_distribution<double> normal;
  Vector3d q[3];
  q[0] = normalized({normal(rng), normal(rng), normal(rng)});
  const Vector3d t = normalized({normal(rng), normal(rng), normal(rng)});
  q[1] = normalized(t - q[0] * dot(t, q[0]));
  q[2] = cross(q[0], q[1]);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      a[i][j] = 0.0;
      for (int k = 0; k < 3; ++k)
        a[i][j] += q[k][i] * values[k] * q[k][j];
    }
  }
}

TEST(JacobiEigen3, ReturnsSortedOrthonormalRightHandedEigenpairsAtEveryScale) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int trial = 0; trial < 20000; ++trial) {
    const double scale = std::pow(10.0, trial % 13 - 6);
    double values[3] = {unit(rng) * scale, unit(rng) * scale, unit(rng) * scale};
    if (trial % 4 == 1)
      values[1] = values[0];  // a repeated eigenvalue
    if (trial % 4 == 2)
      values[2] = values[1] = values[0];
    double a[3][3];
    buildMatrix(rng, values, a);
    const EigenDecomposition3d e = jacobiEigen3(a);
    std::sort(values, values + 3);
    SCOPED_TRACE(trial);
    for (int k = 0; k < 3; ++k) {
      ASSERT_NEAR(e.values[k], values[k], 1e-13 * scale);
      for (int i = 0; i < 3; ++i) {
        const double av =
            a[i][0] * e.vectors[k].x + a[i][1] * e.vectors[k].y + a[i][2] * e.vectors[k].z;
        ASSERT_NEAR(av, e.values[k] * e.vectors[k][i], 1e-13 * scale);
      }
      for (int j = 0; j < 3; ++j)
        ASSERT_NEAR(dot(e.vectors[k], e.vectors[j]), k == j ? 1.0 : 0.0, 1e-14);
    }
    ASSERT_LE(e.values[0], e.values[1]);
    ASSERT_LE(e.values[1], e.values[2]);
    ASSERT_GT(dot(cross(e.vectors[0], e.vectors[1]), e.vectors[2]), 0.0);
  }
}

TEST(JacobiEigen3, DiagonalMatricesGiveTheCoordinateAxes) {
  const double a[3][3] = {{3, 0, 0}, {0, -1, 0}, {0, 0, 2}};
  const EigenDecomposition3d e = jacobiEigen3(a);
  EXPECT_EQ(e.values[0], -1.0);
  EXPECT_EQ(e.values[1], 2.0);
  EXPECT_EQ(e.values[2], 3.0);
  EXPECT_EQ(std::fabs(e.vectors[0].y), 1.0);
  EXPECT_EQ(std::fabs(e.vectors[1].z), 1.0);
  EXPECT_EQ(std::fabs(e.vectors[2].x), 1.0);
  const double zero[3][3] = {};
  const EigenDecomposition3d z = jacobiEigen3(zero);
  EXPECT_EQ(dot(cross(z.vectors[0], z.vectors[1]), z.vectors[2]), 1.0);
}

}  // namespace
