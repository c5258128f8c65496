// The real bvdemo in a real (virtual) X server, run as it is without arguments: its report,
// its first frame, what the keys and the mouse do to the pixels, and how it ends; and under
// abuse: a burst of a thousand key presses, the window squeezed to one pixel and back, the
// window closed while the program starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "viewer/tests/bvdemo_fixture.h"

namespace {

constexpr long long SEED = 1'700'000'000;

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

TEST_F(Bvdemo, PrintsTheKeptBoxReportBeforeTheFirstFrame) {
  for (const long long seed : {SEED, 0LL, 1234567LL}) {
    auto demo = start(seed);
    const std::string report = demo->standardOutput();
    EXPECT_EQ(report, keptReport(seed)) << "seed " << seed;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 6);
    EXPECT_EQ(report.back(), '\n');
    EXPECT_EQ(demo->stdoutBytesAtFirstSwap(), static_cast<long long>(report.size()));
    // Escape ends it with status 1, printing nothing more.
    demo->pressKey("Escape");
    EXPECT_EQ(demo->waitForExit(), 1);
    EXPECT_EQ(demo->standardError(), "");
    EXPECT_EQ(demo->standardOutput(), report);
  }
}

TEST_F(Bvdemo, FirstFrameShowsOnlyPointsAndHullInTheMiddleOfAWhiteWindowAndStays) {
  auto demo = start(SEED);
  const Frame frame = demo->settledFrame();
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 480);
  // Redrawn without input, the frame stays as it was.
  demo->waitForSwaps(200);
  EXPECT_TRUE(demo->settledFrame() == frame);

  EXPECT_TRUE(nonWhiteWithin(frame, MIDDLE_HALF)) << nonWhiteBounds(frame);
  EXPECT_GT(nonWhitePixels(frame), 10'000);

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
  EXPECT_GT(nonWhitePixels(withoutPoints), 10'000);
  demo->pressKeys({"2", "3", "4"});
  EXPECT_EQ(countIf(demo->settledFrame(), isWhite), 640 * 480);
  demo->pressKeys({"1", "2", "3", "4"});
  EXPECT_TRUE(demo->settledFrame() == allOn);
}

// Each view key and its opposite (z and Z, Left and Right, Down and Up) are pressed below,
// each undoing the other or a move of the mouse; unbound keys change nothing.
TEST_F(Bvdemo, ViewKeysAndTheMouseMoveTheSceneAndUndoEachOther) {
  auto demo = start(SEED);
  const Frame start = demo->settledFrame();
  demo->pressKeys(std::vector<std::string>(10, "Down"));
  EXPECT_FALSE(demo->settledFrame() == start);
  demo->pressKeys(std::vector<std::string>(10, "Up"));
  EXPECT_TRUE(demo->settledFrame() == start);
  demo->pressKeys({"x", "F1", "a", "Home"});
  EXPECT_TRUE(demo->settledFrame() == start);

  // 40 pixels to the right: ten steps of the left arrow, undone by ten of the right arrow.
  demo->dragMouse(200, 200, 240, 200);
  const Frame turned = demo->settledFrame();
  EXPECT_FALSE(turned == start);
  demo->pressKeys(std::vector<std::string>(10, "Right"));
  EXPECT_TRUE(demo->settledFrame() == start);
  demo->pressKeys(std::vector<std::string>(10, "Left"));
  EXPECT_TRUE(demo->settledFrame() == turned);
  // Back along the same way, and down and up again: where the drag started.
  demo->dragMouse(240, 200, 200, 200);
  demo->dragMouse(300, 100, 300, 120);
  EXPECT_FALSE(demo->settledFrame() == start);
  demo->pressKeys(std::vector<std::string>(5, "Up"));
  EXPECT_TRUE(demo->settledFrame() == start);

  // One notch towards the screen is one 'z', one notch back one 'Z'.
  demo->clickMouseButton(4);
  const Frame nearer = demo->settledFrame();
  EXPECT_FALSE(nearer == start);
  demo->pressKey("Z");
  EXPECT_TRUE(demo->settledFrame() == start);
  demo->pressKey("z");
  EXPECT_TRUE(demo->settledFrame() == nearer);
  demo->clickMouseButton(5);
  EXPECT_TRUE(demo->settledFrame() == start);
}

TEST_F(Bvdemo, RunsAndEndsOnEscapeWithStandardOutputClosed) {
  // Closed, descriptor 1 used to become the X connection: the report went into the protocol
  // stream and the first buffer swap blocked for good.
  DemoLaunch launch;
  launch.standardOutputClosed = true;
  auto demo = start(SEED, launch);
  demo->waitForSwaps(10);
  demo->pressKey("Escape");
  EXPECT_EQ(demo->waitForExit(), 1);
  EXPECT_EQ(demo->standardError(), "");
}

TEST_F(Bvdemo, ABurstOfAThousandKeyPressesLeavesEveryToggleRight) {
  auto demo = start(SEED);
  const Frame pointsOnly = demo->settledFrame();
  // Layer 2 (the box) toggled 1,001 times is on.
  demo->pressKeysInBurst(std::vector<std::string>(1001, "2"));
  const Frame withBox = demo->settledFrame();
  EXPECT_NE(withBox, pointsOnly);
  demo->pressKey("2");
  EXPECT_EQ(demo->settledFrame(), pointsOnly);
  demo->pressKey("Escape");
  EXPECT_EQ(demo->waitForExit(), 1);
  EXPECT_EQ(demo->standardError(), "");
}

TEST_F(Bvdemo, ResizedToOnePixelAndBackItDrawsTheSameFrame) {
  auto demo = start(SEED);
  const Frame before = demo->settledFrame();
  demo->resizeWindow(1, 1);
  demo->waitForSwaps(20);
  demo->resizeWindow(before.width, before.height);
  EXPECT_EQ(demo->settledFrame(), before);
  demo->closeWindow();
  EXPECT_EQ(demo->waitForExit(), 0);
  EXPECT_EQ(demo->standardError(), "");
}

TEST_F(Bvdemo, WindowClosedDuringStartUpEndsTheProgramCleanly) {
  DemoSession demo(*display_, workDir_, SEED);
  demo.waitForWindow();  // mapped, its first frame possibly not drawn yet
  demo.closeWindow();
  EXPECT_EQ(demo.waitForExit(), 0);
  EXPECT_EQ(demo.standardError(), "");
}

}  // namespace
