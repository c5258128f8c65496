// Tests of the box fit and its report: over many seeded clouds the box holds and touches every
// hull vertex with an orthonormal frame; the report's lines, number formatting and flushes;
// and the reports and boxes of the golden clouds, bit for bit, against kept text.
#include "bounds/box_fit.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "hull/tests/golden_cases.h"
#include "hull/tests/hull_test_support.h"

namespace {

// The surface of the box [-h, h], each face split into four triangles fanned from its centre,
// each triangle followed by its point reflection. With half-lengths of short mantissas every
// partial sum of the fit is exact and cancels: the reference point is the origin, the moment
// matrix is diagonal, and the fitted box is exact, its axes sorted from the shortest side.
ConvexHull boxShapedHull(const Vector3& h) {
  ConvexHull hull;
  for (int k = 0; k < 3; ++k) {
    const int u = (k + 1) % 3;
    const int v = (k + 2) % 3;
    Vector3 centre;
    centre[k] = h[k];
    const float cu[4] = {h[u], -h[u], -h[u], h[u]};
    const float cv[4] = {h[v], h[v], -h[v], -h[v]};
    for (int i = 0; i < 4; ++i) {
      Vector3 a = centre;
      Vector3 b = centre;
      a[u] = cu[i];
      a[v] = cv[i];
      b[u] = cu[(i + 1) % 4];
      b[v] = cv[(i + 1) % 4];
      hull.facets.push_back(triangleFacet(0, centre, a, b));
      hull.facets.push_back(triangleFacet(0, -centre, -a, -b));
    }
  }
  return hull;
}

// Records the text written so far at every flush.
class FlushRecorder : public std::stringbuf {
 public:
  std::vector<std::string> snapshots;

 protected:
  int sync() override {
    snapshots.push_back(str());
    return 0;
  }
};

TEST(BoxFit, HoldsAndTouchesEveryHullVertexWithAnOrthonormalFrame) {
  for (std::uint32_t seed = 1; seed <= 1000; ++seed) {
    SCOPED_TRACE(seed);
    ConvexHull hull;
    hull.build(hulltest::programCloud(seed));
    OBB box;
    std::ostringstream report;
    fitBoxToHull(hull, box, report);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j)
        ASSERT_NEAR(dot(box.axes[i], box.axes[j]), i == j ? 1.0f : 0.0f, 1e-5f);
    }
    for (int k = 0; k < 3; ++k) {
      float lo = FLOAT_INFINITY;
      float hi = -FLOAT_INFINITY;
      for (const Facet& f : hull.facets) {
        for (const Vector3& v : f.vertices) {
          lo = std::min(lo, dot(v - box.center, box.axes[k]));
          hi = std::max(hi, dot(v - box.center, box.axes[k]));
        }
      }
      // Coordinates are at most 100 in magnitude: rounding stays far below 1e-3.
      ASSERT_NEAR(lo, -box.halfLengths[k], 1e-3f) << "axis " << k;
      ASSERT_NEAR(hi, box.halfLengths[k], 1e-3f) << "axis " << k;
    }
    const float diagonal = length(box.halfLengths);
    for (int corner = 0; corner < 8; ++corner) {
      Vector3 p = box.center;
      for (int k = 0; k < 3; ++k)
        p = p + box.axes[k] * (corner & (1 << k) ? box.halfLengths[k] : -box.halfLengths[k]);
      ASSERT_NEAR(length(p - box.center), diagonal, 1e-5f * diagonal);
    }
  }
}

TEST(BoxReport, SixLabelledLinesInDefaultFormattingIncludingExponents) {
  // The half-lengths 2^21 and 2^-15 need exponent notation at 6 significant digits.
  OBB box;
  std::ostringstream out;
  fitBoxToHull(boxShapedHull({0x1p21f, 1.5f, 0x1p-15f}), box, out);
  EXPECT_EQ(out.str(),
            "Constructed OBB \n"
            "Axis 0 0 0 1\n"
            "Axis 1 0 1 0\n"
            "Axis 2 1 0 0\n"
            "Center 0 0 0\n"
            "Lengths 3.05176e-05 1.5 2.09715e+06\n");
}

TEST(BoxReport, FlushedAfterEachOfTheLastFiveLinesOnlyWhateverTheFormatting) {
  FlushRecorder recorder;
  std::streambuf* const original = std::cout.rdbuf(&recorder);
  OBB box;
  fitBoxToHull(boxShapedHull({3, 1, 2}), box);
  std::cout.rdbuf(original);
  ASSERT_EQ(recorder.snapshots.size(), 5u);
  EXPECT_EQ(recorder.snapshots[0], "Constructed OBB \nAxis 0 0 1 0\n");
  EXPECT_EQ(recorder.snapshots[4], recorder.str());

  // A caller's own float formatting takes the stream's path, with the same flushes.
  FlushRecorder precise;
  std::ostream out(&precise);
  out.precision(9);
  fitBoxToHull(boxShapedHull({3, 1, 2}), box, out);
  ASSERT_EQ(precise.snapshots.size(), 5u);
  EXPECT_EQ(precise.snapshots[0], "Constructed OBB \nAxis 0 0 1 0\n");
  EXPECT_EQ(precise.snapshots[4], precise.str());
}

// The box of the same recipe in double precision, with Eigen's solver: where the eigenvalues
// stand apart the axes agree up to sign; along the box's own axes the extents and the centre
// agree. This vouches for the golden text, which the code wrote once.
void expectAgreesWithTheDoublePrecisionFit(const ConvexHull& hull, const OBB& box) {
  using V = Eigen::Vector3d;
  const auto d = [](const Vector3& p) { return V(p.x, p.y, p.z); };
  std::vector<std::pair<double, V>> facets;  // area and corner sum
  double area = 0;
  V weighted = V::Zero();
  for (const Facet& f : hull.facets) {
    const V p0 = d(f.vertices[0]), p1 = d(f.vertices[1]), p2 = d(f.vertices[2]);
    facets.emplace_back((p1 - p0).cross(p2 - p0).norm() / 2, p0 + p1 + p2);
    area += facets.back().first;
    weighted += facets.back().first * facets.back().second;
  }
  const V c = weighted / (3.0 * static_cast<double>(facets.size()) * area);
  Eigen::Matrix3d moments = Eigen::Matrix3d::Zero();
  for (const auto& [a, sum] : facets)
    moments += a / area * (sum - 3 * c) * (sum - 3 * c).transpose();
  const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> eigen(moments);
  const V values = eigen.eigenvalues() / eigen.eigenvalues().cwiseAbs().maxCoeff();
  for (int k = 0; k < 3; ++k) {
    const double gap =
        std::min(k > 0 ? values[k] - values[k - 1] : 1.0, k < 2 ? values[k + 1] - values[k] : 1.0);
    if (gap > 1e-3) {
      EXPECT_NEAR(std::fabs(eigen.eigenvectors().col(k).dot(d(box.axes[k]))), 1.0, 1e-6 / gap);
    }
    double lo = INFINITY, hi = -INFINITY;
    for (const Facet& f : hull.facets) {
      for (const Vector3& v : f.vertices) {
        lo = std::min(lo, d(v).dot(d(box.axes[k])));
        hi = std::max(hi, d(v).dot(d(box.axes[k])));
      }
    }
    const double tolerance = 1e-6 * (1 + 2 * d(box.halfLengths).norm());  // of the diagonal
    EXPECT_NEAR(box.halfLengths[k], (hi - lo) / 2, tolerance) << "axis " << k;
    EXPECT_NEAR(d(box.center).dot(d(box.axes[k])), (hi + lo) / 2, tolerance) << "axis " << k;
  }
}

TEST(BoxFit, ReportsAndBoxesOfTheGoldenCloudsMatchTheirKeptText) {
  golden::expectGoldenHulls(BVDEMO_SOURCE_DIR "/bounds/tests/golden/reports.txt",
                            [](const std::vector<Vector3>&, ConvexHull& hull) {
                              OBB box;
                              std::ostringstream out;
                              fitBoxToHull(hull, box, out);
                              std::ostringstream alone;  // the report on its own, same text
                              writeBoxReport(alone, box);
                              EXPECT_EQ(alone.str(), out.str());
                              out << "box " << golden::exact(box.center) << " | "
                                  << golden::exact(box.halfLengths);
                              for (const Vector3& axis : box.axes)
                                out << " | " << golden::exact(axis);
                              expectAgreesWithTheDoublePrecisionFit(hull, box);
                              return out.str() + '\n';
                            });
}

}  // namespace
