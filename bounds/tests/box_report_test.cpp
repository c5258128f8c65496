// Tests of the box report: six lines with their labels and the vectors' text form in the
// stream's default formatting, flushed after each of lines 2 to 6 only, and the report of a
// hull built from a fixed cloud as a golden text.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bounds/box_fit.h"
#include "bounds/tests/test_hulls.h"

namespace {

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

std::string reportOf(const ConvexHull& hull) {
  OBB box;
  std::ostringstream out;
  fitBoxToHull(hull, box, out);
  return out.str();
}

}  // namespace

TEST(BoxReport, SixLabelledLinesInDefaultFormattingIncludingExponents) {
  // The fit of this hull is exact (axes sorted from the smallest moment), so the text is known
  // by hand; the extreme half-lengths need exponent notation at 6 significant digits.
  EXPECT_EQ(reportOf(boxShapedHull({0x1p21f, 1.5f, 0x1p-15f})),
            "Constructed OBB \n"
            "Axis 0 0 0 1\n"
            "Axis 1 0 1 0\n"
            "Axis 2 1 0 0\n"
            "Center 0 0 0\n"
            "Lengths 3.05176e-05 1.5 2.09715e+06\n");
}

TEST(BoxReport, FlushesAfterEachOfTheLastFiveLinesOnly) {
  FlushRecorder recorder;
  std::ostream out(&recorder);
  OBB box;
  fitBoxToHull(boxShapedHull({3, 1, 2}), box, out);
  ASSERT_EQ(recorder.snapshots.size(), 5u);
  EXPECT_EQ(recorder.snapshots[0], "Constructed OBB \nAxis 0 0 1 0\n");
  EXPECT_EQ(recorder.snapshots[4], recorder.str());
}

TEST(BoxReport, DefaultOverloadWritesTheSameReportToStandardOutput) {
  const ConvexHull hull = boxShapedHull({3, 1, 2});
  std::ostringstream captured;
  std::streambuf* const original = std::cout.rdbuf(captured.rdbuf());
  OBB box;
  fitBoxToHull(hull, box);
  std::cout.rdbuf(original);
  EXPECT_EQ(captured.str(), reportOf(hull));
}

TEST(BoxReport, ReportOfAFixedCloudMatchesItsGoldenText) {
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
  EXPECT_EQ(reportOf(hull),
            "Constructed OBB \n"
            "Axis 0 -0.316453 0.538387 -0.781023\n"
            "Axis 1 0.877201 0.479477 -0.0249013\n"
            "Axis 2 -0.361076 0.692994 0.624006\n"
            "Center -7.766 -11.9971 -19.9507\n"
            "Lengths 87.3135 101.186 128.143\n");
}
