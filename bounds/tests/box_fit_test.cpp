// Tests of the box fit: the box holds and touches every hull vertex over many seeded
// clouds, its frame is orthonormal, its axes agree with an independent double-precision
// eigen decomposition of the same moments, and a box-shaped hull is fitted exactly.
#include "bounds/box_fit.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

#include "bounds/tests/test_hulls.h"

namespace {

// The moment matrix in double precision from the same definition: reference point
// sum(area * vertex sum) / (3 n A), then sum over facets of (area / A) s s^T with s the
// facet's vertex sum relative to that point (the uniform factor is left out).
Eigen::Matrix3d referenceMoments(const ConvexHull& hull) {
  const auto toEigen = [](const Vector3& v) { return Eigen::Vector3d(v.x, v.y, v.z); };
  double area = 0;
  Eigen::Vector3d weighted = Eigen::Vector3d::Zero();
  for (const Facet& f : hull.facets) {
    const Eigen::Vector3d p0 = toEigen(f.vertices[0]), p1 = toEigen(f.vertices[1]),
                          p2 = toEigen(f.vertices[2]);
    const double a = (p1 - p0).cross(p2 - p0).norm() / 2;
    area += a;
    weighted += a * (p0 + p1 + p2);
  }
  const double n = static_cast<double>(hull.facets.size());
  const Eigen::Vector3d c = weighted / (3 * n * area);
  Eigen::Matrix3d m = Eigen::Matrix3d::Zero();
  for (const Facet& f : hull.facets) {
    const Eigen::Vector3d p0 = toEigen(f.vertices[0]), p1 = toEigen(f.vertices[1]),
                          p2 = toEigen(f.vertices[2]);
    const double a = (p1 - p0).cross(p2 - p0).norm() / 2;
    const Eigen::Vector3d s = (p0 - c) + (p1 - c) + (p2 - c);
    m += (a / area) * s * s.transpose();
  }
  return m;
}

OBB fitQuietly(const ConvexHull& hull) {
  OBB box;
  std::ostringstream report;
  fitBoxToHull(hull, box, report);
  return box;
}

}  // namespace

TEST(BoxFit, DefaultBoxIsAllZero) {
  const OBB box;
  for (const Vector3& v : {box.center, box.halfLengths, box.axes[0], box.axes[1], box.axes[2]}) {
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
  }
}

TEST(BoxFit, HoldsAndTouchesEveryHullVertexWithAnOrthonormalFrame) {
  std::mt19937 rng(2024);
  for (int trial = 0; trial < 1000; ++trial) {
    SCOPED_TRACE(trial);
    ConvexHull hull;
    hull.build(programCloud(rng));
    const OBB box = fitQuietly(hull);

    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        ASSERT_NEAR(dot(box.axes[i], box.axes[j]), i == j ? 1.0f : 0.0f, 1e-5f);
      }
    }
    for (int k = 0; k < 3; ++k) {
      const float h = box.halfLengths[k];
      ASSERT_GE(h, 0.0f);
      float lo = FLOAT_INFINITY;
      float hi = -FLOAT_INFINITY;
      for (const Facet& f : hull.facets) {
        for (const Vector3& v : f.vertices) {
          const float t = dot(v - box.center, box.axes[k]);
          lo = std::min(lo, t);
          hi = std::max(hi, t);
        }
      }
      // Coordinates are at most 100 in magnitude: rounding stays far below 1e-3.
      ASSERT_NEAR(lo, -h, 1e-3f);
      ASSERT_NEAR(hi, h, 1e-3f);
    }
    const double diagonal = length(box.halfLengths);
    for (int corner = 0; corner < 8; ++corner) {
      Vector3 p = box.center;
      for (int k = 0; k < 3; ++k) {
        p = p + box.axes[k] * (corner & (1 << k) ? box.halfLengths[k] : -box.halfLengths[k]);
      }
      ASSERT_NEAR(length(p - box.center), diagonal, 1e-5 * diagonal);
    }
  }
}

TEST(BoxFit, AxesAreTheEigenvectorsOfTheAreaWeightedMoments) {
  std::mt19937 rng(77);
  int compared = 0;
  for (int trial = 0; trial < 1000; ++trial) {
    SCOPED_TRACE(trial);
    ConvexHull hull;
    hull.build(programCloud(rng));
    const OBB box = fitQuietly(hull);
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> reference(referenceMoments(hull));
    const Eigen::Vector3d values = reference.eigenvalues();  // increasing
    for (int k = 0; k < 3; ++k) {
      // An eigenvector is only well defined when its eigenvalue stands apart.
      double gap = INFINITY;
      if (k > 0) {
        gap = std::min(gap, values[k] - values[k - 1]);
      }
      if (k < 2) {
        gap = std::min(gap, values[k + 1] - values[k]);
      }
      if (gap < 1e-2 * values[2]) {
        continue;
      }
      const Eigen::Vector3d expected = reference.eigenvectors().col(k);
      const double agreement =
          std::fabs(expected.x() * box.axes[k].x + expected.y() * box.axes[k].y +
                    expected.z() * box.axes[k].z);
      ASSERT_NEAR(agreement, 1.0, 1e-6) << "axis " << k;
      ++compared;
    }
  }
  EXPECT_GT(compared, 2500);
}

TEST(BoxFit, TranslatedHullIsStillEnclosed) {
  // The reference point moves by t / n only, so the axes may change, but the box follows.
  std::mt19937 rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    SCOPED_TRACE(trial);
    std::vector<Vector3> cloud = programCloud(rng);
    for (Vector3& p : cloud) {
      p = p + Vector3{1000, -500, 250};
    }
    ConvexHull hull;
    hull.build(cloud);
    const OBB box = fitQuietly(hull);
    for (const Facet& f : hull.facets) {
      for (const Vector3& v : f.vertices) {
        for (int k = 0; k < 3; ++k) {
          ASSERT_LE(std::fabs(dot(v - box.center, box.axes[k])), box.halfLengths[k] + 1e-2f);
        }
      }
    }
  }
}

TEST(BoxFit, BoxShapedHullIsFittedExactly) {
  // Moments grow with the extent, so the axes come out from the shortest side to the longest.
  const OBB box = fitQuietly(boxShapedHull({3, 1, 2}));
  const Vector3 expectedAxes[3] = {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(box.axes[k].x, expectedAxes[k].x);
    EXPECT_EQ(box.axes[k].y, expectedAxes[k].y);
    EXPECT_EQ(box.axes[k].z, expectedAxes[k].z);
  }
  EXPECT_EQ(box.halfLengths.x, 1.0f);
  EXPECT_EQ(box.halfLengths.y, 2.0f);
  EXPECT_EQ(box.halfLengths.z, 3.0f);
  EXPECT_EQ(box.center.x, 0.0f);
  EXPECT_EQ(box.center.y, 0.0f);
  EXPECT_EQ(box.center.z, 0.0f);
}
