// The real bvdemo in a real (virtual) X server: its report, its first frame, what the keys
// do to the pixels, and how it ends.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "bounds/box_fit.h"
#include "hull/convex_hull.h"
#include "viewer/point_cloud.h"
#include "viewer/tests/demo_session.h"
#include "viewer/tests/virtual_display.h"

namespace {

constexpr long long SEED = 1'700'000'000;
constexpr long long OTHER_SEED = 1'700'000'001;

// The report the libraries compute in this process from the driver's recipe.
std::string reportFor(long long clockSeconds) {
  std::srand(static_cast<unsigned int>(clockSeconds));
  std::vector<Vector3> points;
  appendRandomPoints(points, POINT_COUNT);
  ConvexHull hull;
  hull.build(points);
  OBB box{};
  std::ostringstream report;
  fitBoxToHull(hull, box, report);
  return report.str();
}

long long countIf(const Frame& frame, auto predicate) {
  long long count = 0;
  for (const std::uint32_t pixel : frame.pixels) {
    count += predicate(pixel) ? 1 : 0;
  }
  return count;
}

bool isWhite(std::uint32_t pixel) {
  return pixel == WHITE;
}

bool near(int value, int expected) {
  return value >= expected - 1 && value <= expected + 1;
}

// Checks that a wire layer of colour (r, g, b) with alpha 0.5 was added to before: every
// changed pixel moved towards that colour, and many white pixels now show the colour blended
// once over white.
void expectWireLayerAdded(const Frame& before, const Frame& after, int r, int g, int b) {
  ASSERT_EQ(before.pixels.size(), after.pixels.size());
  long long changed = 0;
  long long wireOverWhite = 0;
  for (std::size_t i = 0; i < before.pixels.size(); ++i) {
    const std::uint32_t p = before.pixels[i];
    const std::uint32_t q = after.pixels[i];
    if (p == q) {
      continue;
    }
    ++changed;
    const auto towards = [](int old, int now, int target) {
      return target > old ? now >= old : now <= old;
    };
    EXPECT_TRUE(towards(red(p), red(q), r) && towards(green(p), green(q), g) &&
                towards(blue(p), blue(q), b))
        << std::hex << "pixel " << std::dec << i << ": " << std::hex << p << " -> " << q;
    if (p == WHITE && near(red(q), (255 + r) / 2) && near(green(q), (255 + g) / 2) &&
        near(blue(q), (255 + b) / 2)) {
      ++wireOverWhite;
    }
  }
  EXPECT_GT(changed, 300);
  EXPECT_GT(wireOverWhite, 300);
}

class Bvdemo : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "bvdemo-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    workDir_ = pattern;
    display_ = std::make_unique<VirtualDisplay>(workDir_ + "/xvfb.log");
  }

  void TearDown() override {
    display_.reset();
    std::filesystem::remove_all(workDir_);
  }

  // Starts bvdemo and waits for its first frame. Runs within one test follow each other.
  std::unique_ptr<DemoSession> start(long long clockSeconds) {
    auto demo = std::make_unique<DemoSession>(*display_, workDir_, clockSeconds);
    demo->waitForFirstFrame();
    return demo;
  }

  std::string workDir_;
  std::unique_ptr<VirtualDisplay> display_;
};

TEST_F(Bvdemo, PrintsTheLibrariesBoxReportBeforeTheFirstFrame) {
  for (const long long seed : {SEED, 0LL, 1234567LL}) {
    auto demo = start(seed);
    const std::string report = demo->standardOutput();
    EXPECT_EQ(report, reportFor(seed)) << "seed " << seed;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 6);
    EXPECT_EQ(report.back(), '\n');
    EXPECT_EQ(demo->stdoutBytesAtFirstSwap(), static_cast<long long>(report.size()));
    demo->pressKey("Escape");
    EXPECT_EQ(demo->waitForExit(), 1);
  }
}

TEST_F(Bvdemo, SameClockSecondGivesTheSameRunAndAnotherSecondADifferentOne) {
  auto first = start(SEED);
  const Frame firstFrame = first->settledFrame();
  const std::string firstReport = first->standardOutput();
  first->pressKey("Escape");
  first->waitForExit();

  auto again = start(SEED);
  EXPECT_EQ(again->standardOutput(), firstReport);
  EXPECT_TRUE(again->settledFrame() == firstFrame);
  again->pressKey("Escape");
  again->waitForExit();

  auto other = start(OTHER_SEED);
  EXPECT_NE(other->standardOutput(), firstReport);
  EXPECT_FALSE(other->settledFrame() == firstFrame);
}

TEST_F(Bvdemo, FirstFrameShowsOnlyPointsAndHullInTheMiddleOfAWhiteWindow) {
  auto demo = start(SEED);
  const Frame frame = demo->settledFrame();
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 480);

  // Every point is within 100 units of the origin, 300 in front of the eye: the scene fills
  // about the middle half of the window.
  int left = frame.width;
  int right = -1;
  int top = frame.height;
  int bottom = -1;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (frame.at(x, y) != WHITE) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  EXPECT_GT(left, 140);
  EXPECT_LT(right, 500);
  EXPECT_GT(top, 60);
  EXPECT_LT(bottom, 420);
  EXPECT_GT(countIf(frame, [](std::uint32_t p) { return !isWhite(p); }), 10'000);

  // Switching the points and hull off leaves nothing: no other layer is on.
  demo->pressKey("1");
  const Frame hidden = demo->settledFrame();
  EXPECT_EQ(countIf(hidden, isWhite), 640 * 480);
  demo->pressKey("1");
  EXPECT_TRUE(demo->settledFrame() == frame);
}

TEST_F(Bvdemo, LayerKeysSwitchTheirLayers) {
  auto demo = start(SEED);
  const Frame start = demo->settledFrame();

  demo->pressKey("2");
  const Frame withBox = demo->settledFrame();
  EXPECT_FALSE(withBox == start);
  demo->pressKey("2");
  EXPECT_TRUE(demo->settledFrame() == start);

  demo->pressKey("3");
  expectWireLayerAdded(start, demo->settledFrame(), 255, 0, 0);
  demo->pressKey("3");
  EXPECT_TRUE(demo->settledFrame() == start);

  demo->pressKey("4");
  expectWireLayerAdded(start, demo->settledFrame(), 0, 0, 255);
  demo->pressKey("4");
  EXPECT_TRUE(demo->settledFrame() == start);

  demo->pressKeys({"2", "3", "4"});
  const Frame allOn = demo->settledFrame();
  demo->pressKey("1");
  const Frame withoutPoints = demo->settledFrame();
  EXPECT_FALSE(withoutPoints == allOn);
  EXPECT_GT(countIf(withoutPoints, [](std::uint32_t p) { return !isWhite(p); }), 10'000);
  demo->pressKeys({"2", "3", "4"});
  EXPECT_EQ(countIf(demo->settledFrame(), isWhite), 640 * 480);
  demo->pressKeys({"1", "2", "3", "4"});
  EXPECT_TRUE(demo->settledFrame() == allOn);
}

TEST_F(Bvdemo, ViewKeysMoveAndTurnTheSceneAndTheirOppositesUndoThem) {
  auto demo = start(SEED);
  const Frame start = demo->settledFrame();

  demo->pressKeys({"z", "z", "z"});
  EXPECT_FALSE(demo->settledFrame() == start);
  demo->pressKeys({"Z", "Z", "Z"});
  EXPECT_TRUE(demo->settledFrame() == start);

  demo->pressKeys(std::vector<std::string>(45, "Left"));
  EXPECT_FALSE(demo->settledFrame() == start);
  demo->pressKeys(std::vector<std::string>(45, "Right"));
  EXPECT_TRUE(demo->settledFrame() == start);

  demo->pressKeys(std::vector<std::string>(10, "Down"));
  EXPECT_FALSE(demo->settledFrame() == start);
  demo->pressKeys(std::vector<std::string>(10, "Up"));
  EXPECT_TRUE(demo->settledFrame() == start);

  demo->pressKeys({"x", "F1", "a", "Home"});
  EXPECT_TRUE(demo->settledFrame() == start);
}

TEST_F(Bvdemo, KeepsRedrawingWithoutInput) {
  auto demo = start(SEED);
  const Frame frame = demo->settledFrame();
  demo->waitForSwaps(200);
  EXPECT_TRUE(demo->settledFrame() == frame);
}

TEST_F(Bvdemo, EscapeEndsTheProcessWithStatusOneAndNothingOnStandardError) {
  auto demo = start(SEED);
  demo->pressKey("Escape");
  EXPECT_EQ(demo->waitForExit(), 1);
  EXPECT_EQ(demo->standardError(), "");
  EXPECT_EQ(demo->standardOutput(), reportFor(SEED));
}

TEST_F(Bvdemo, ClosingTheWindowEndsTheProcessWithStatusZeroAndNothingOnStandardError) {
  auto demo = start(SEED);
  demo->closeWindow();
  EXPECT_EQ(demo->waitForExit(), 0);
  EXPECT_EQ(demo->standardError(), "");
  EXPECT_EQ(demo->standardOutput(), reportFor(SEED));
}

TEST_F(Bvdemo, RunsAndEndsOnEscapeWithStandardOutputClosed) {
  // Closed, descriptor 1 used to become the X connection: the report went into the protocol
  // stream and the first buffer swap blocked for good.
  auto demo = std::make_unique<DemoSession>(*display_, workDir_, SEED, true);
  demo->waitForFirstFrame();
  demo->waitForSwaps(10);
  demo->pressKey("Escape");
  EXPECT_EQ(demo->waitForExit(), 1);
  EXPECT_EQ(demo->standardError(), "");
}

}  // namespace
