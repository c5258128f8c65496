// Tests of the box fit and its report: over many seeded clouds the box holds and touches every
// hull vertex with an orthonormal frame; the report's lines, number formatting and flushes;
// and the report of a fixed cloud as a golden text.
#include "bounds/box_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

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

TEST(BoxReport, StandardOutputIsFlushedAfterEachOfTheLastFiveLinesOnly) {
  FlushRecorder recorder;
  std::streambuf* const original = std::cout.rdbuf(&recorder);
  OBB box;
  fitBoxToHull(boxShapedHull({3, 1, 2}), box);
  std::cout.rdbuf(original);
  ASSERT_EQ(recorder.snapshots.size(), 5u);
  EXPECT_EQ(recorder.snapshots[0], "Constructed OBB \nAxis 0 0 1 0\n");
  EXPECT_EQ(recorder.snapshots[4], recorder.str());
}

TEST(BoxReport, ReportOfAFixedCloudMatchesItsGoldenTextLineByLine) {
  // The axes were checked against a double-precision eigen decomposition of the same moments,
  // and the half-lengths against the extents measured along them.
  const std::vector<Vector3> cloud{{-36, 61, 88}, {-52, 82, -10},  {-43, -34, 56}, {-69, 31, 66},
                                   {5, 2, -33},   {32, 44, -70},   {5, 82, 18},    {-89, -74, -12},
                                   {-2, 32, -63}, {-8, -96, -55},  {92, -32, 26},  {-79, 27, -76},
                                   {58, 81, 24},  {-79, -34, -39}, {-41, 30, -6},  {80, -80, -99},
                                   {62, -52, 36}, {-38, -96, 15},  {69, 56, -57},  {24, 84, -18}};
  ConvexHull hull;
  hull.build(cloud);
  ASSERT_EQ(hull.facets.size(), 28u);
  const std::vector<std::string> golden = {"Constructed OBB ",
                                           "Axis 0 -0.316453 0.538387 -0.781023",
                                           "Axis 1 0.877201 0.479477 -0.0249013",
                                           "Axis 2 -0.361076 0.692994 0.624006",
                                           "Center -7.766 -11.9971 -19.9507",
                                           "Lengths 87.3135 101.186 128.143"};
  OBB box;
  std::ostringstream out;
  fitBoxToHull(hull, box, out);
  std::istringstream report(out.str());
  for (std::size_t i = 0; i < golden.size(); ++i) {
    std::string line;
    std::getline(report, line);
    EXPECT_EQ(line, golden[i]) << "line " << i + 1;
  }
  EXPECT_TRUE(report.peek() == EOF);
  // The report on its own, of the same box, is the same text.
  std::ostringstream alone;
  writeBoxReport(alone, box);
  EXPECT_EQ(alone.str(), out.str());
}

}  // namespace
