// What the end-to-end test files of bvdemo share: a private virtual display and work folder
// per test, starting runs, and looking at frames.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "viewer/tests/demo_session.h"
#include "viewer/tests/fitted_report.h"
#include "viewer/tests/virtual_display.h"

// The box report kept for the program's cloud of a clock seed (bounds/tests/golden/reports.txt).
std::string keptReport(long long seed);

inline bool isWhite(std::uint32_t pixel) {
  return pixel == WHITE;
}

long long countIf(const Frame& frame, auto predicate) {
  long long count = 0;
  for (const std::uint32_t pixel : frame.pixels) {
    count += predicate(pixel) ? 1 : 0;
  }
  return count;
}

inline long long nonWhitePixels(const Frame& frame) {
  return countIf(frame, [](std::uint32_t p) { return !isWhite(p); });
}

// The smallest rectangle that holds every pixel that is not white; left > right when the
// frame is all white.
struct PixelBounds {
  int left = 0;
  int right = -1;
  int top = 0;
  int bottom = -1;
};
PixelBounds nonWhiteBounds(const Frame& frame);
// True when every non-white pixel of the frame lies within the rectangle.
bool nonWhiteWithin(const Frame& frame, const PixelBounds& rectangle);
std::ostream& operator<<(std::ostream& out, const PixelBounds& bounds);

// Where a scene within 100 units of its origin, 300 in front of the eye, can show: about the
// middle half of the 640 x 480 window.
inline constexpr PixelBounds MIDDLE_HALF{141, 499, 61, 419};

class Bvdemo : public ::testing::Test {
 protected:
  void SetUp() override;

  // Starts bvdemo with these arguments and waits for its first frame. Runs within one test
  // follow each other.
  std::unique_ptr<DemoSession> start(long long clockSeconds,
                                     const std::vector<std::string>& arguments = {},
                                     DisplayBy displayBy = DisplayBy::Environment);
  // The same with every detail of the launch given.
  std::unique_ptr<DemoSession> start(long long clockSeconds, const DemoLaunch& launch);
  // Runs bvdemo with these arguments and without any X display (DISPLAY unset), to its end.
  FinishedRun runWithoutDisplay(const std::vector<std::string>& arguments);

  ScratchFolder work_{"bvdemo-e2e"};
  const std::string workDir_ = work_.path();
  std::unique_ptr<VirtualDisplay> display_;  // goes before the folder it logs to
};
