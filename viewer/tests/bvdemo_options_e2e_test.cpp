// bvdemo's command line, end to end: a chosen seed, another number of points, GLUT's own
// options, and the arguments it refuses before opening any window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "viewer/point_cloud.h"
#include "viewer/tests/bvdemo_fixture.h"

namespace {

constexpr long long SEED = 1'700'000'000;
constexpr long long OTHER_SEED = 1'234'567;

TEST_F(Bvdemo, SeedOptionShowsTheRunOfThatClockSecond) {
  auto byClock = start(SEED);
  const Frame frame = byClock->settledFrame();
  EXPECT_EQ(byClock->standardOutput(), keptReport(SEED));
  byClock->pressKey("Escape");
  byClock->waitForExit();

  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--seed", std::to_string(SEED)},
        std::vector<std::string>{"--seed=" + std::to_string(SEED), "--points", "20"}}) {
    auto bySeed = start(OTHER_SEED, arguments);
    EXPECT_EQ(bySeed->standardOutput(), keptReport(SEED)) << arguments.back();
    EXPECT_TRUE(bySeed->settledFrame() == frame) << arguments.back();
    bySeed->pressKey("Escape");
    EXPECT_EQ(bySeed->waitForExit(), 1);
    EXPECT_EQ(bySeed->standardError(), "");
  }
}

TEST_F(Bvdemo, GlutOptionsStillReachGlut) {
  // Without DISPLAY the window can only open on the display named by -display.
  auto demo = start(SEED, {"-sync"}, DisplayBy::Option);
  EXPECT_EQ(demo->standardOutput(), keptReport(SEED));
  demo->closeWindow();
  EXPECT_EQ(demo->waitForExit(), 0);
  EXPECT_EQ(demo->standardError(), "");
}

TEST_F(Bvdemo, ManyPointsShowAsACloudThatStillAnswersTheKeys) {
  const std::vector<std::string> arguments{"--seed", "77", "--points", "100000"};
  auto demo = start(SEED, arguments);
  // Fitted at any scale, like a model, by the same recipe of draws.
  const std::string report = demo->standardOutput();
  std::srand(77);
  std::vector<Vector3> points;
  appendRandomPoints(points, 100'000);
  EXPECT_EQ(report, fittedReportFor(points));
  const Frame frame = demo->settledFrame();
  // The same cube as the default cloud's, now filled.
  EXPECT_TRUE(nonWhiteWithin(frame, MIDDLE_HALF)) << nonWhiteBounds(frame);
  EXPECT_GT(nonWhitePixels(frame), 40'000);

  demo->pressKey("Left");
  EXPECT_FALSE(demo->settledFrame() == frame);
  demo->pressKey("Right");
  EXPECT_TRUE(demo->settledFrame() == frame);
  demo->pressKey("Escape");
  EXPECT_EQ(demo->waitForExit(), 1);

  auto again = start(OTHER_SEED, arguments);
  EXPECT_EQ(again->standardOutput(), report);
  EXPECT_TRUE(again->settledFrame() == frame);
}

TEST_F(Bvdemo, SmallAndFlatCloudsAreFittedWithoutNotANumber) {
  for (const int count : {1, 2, 3, 7}) {
    auto demo = start(SEED, {"--seed", "5", "--points", std::to_string(count)});
    const std::string report = demo->standardOutput();
    std::srand(5);
    std::vector<Vector3> points;
    appendRandomPoints(points, count);
    EXPECT_EQ(report, fittedReportFor(points)) << count << " points";
    EXPECT_EQ(report.find("nan"), std::string::npos) << report;
    EXPECT_GT(nonWhitePixels(demo->settledFrame()), 0) << count << " points";
    demo->pressKey("Escape");
    EXPECT_EQ(demo->waitForExit(), 1);
  }
}

TEST_F(Bvdemo, RefusedArgumentsEndWithStatusTwoAndOneLineBeforeAnyWindow) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--points", "0"},
                                                    {"--points", "10000001"},
                                                    {"--seed", "-5"},
                                                    {"--seed"},
                                                    {"--frobnicate"},
                                                    {"a.obj", "b.obj"},
                                                    {"--points", "5", "a.obj"}}) {
    const FinishedRun run = runWithoutDisplay(arguments);
    EXPECT_EQ(run.status, 2) << arguments.front();
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_TRUE(run.standardError.starts_with("bvdemo: ")) << run.standardError;
    EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1)
        << run.standardError;
  }
  const FinishedRun help = runWithoutDisplay({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.standardOutput.starts_with("Usage: bvdemo")) << help.standardOutput;
  EXPECT_EQ(help.standardError, "");
}

}  // namespace
