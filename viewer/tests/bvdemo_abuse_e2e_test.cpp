// bvdemo under abuse, end to end in a virtual X server: a burst of a thousand key presses,
// the window squeezed to one pixel and back, the window closed while the program starts, and
// model files that are valid but odd (a path with blanks and letters beyond ASCII, every
// vertex equal). The program must keep answering and show what the keys asked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "viewer/tests/bvdemo_fixture.h"

namespace {

constexpr long long SEED = 1700000000;

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

TEST_F(Bvdemo, OddButValidModelFilesAreShown) {
  const std::string folder = workDir_ + "/a folder with blanks";
  std::filesystem::create_directories(folder);
  const std::string named = folder + "/Modèle ünïcode ß.obj";
  std::ofstream(named) << "v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 4\nf 1 2 3\nf 1 2 4\n";
  const std::string same = workDir_ + "/same.xyz";
  std::ofstream(same) << "1 2 3\n1 2 3\n1 2 3\n";
  for (const std::string& model : {named, same}) {
    SCOPED_TRACE(model);
    auto demo = start(SEED, {model});
    EXPECT_GT(nonWhitePixels(demo->settledFrame()), 0);
    EXPECT_NE(demo->standardOutput().find("Constructed OBB"), std::string::npos);
    demo->pressKey("Escape");
    EXPECT_EQ(demo->waitForExit(), 1);
    EXPECT_EQ(demo->standardError(), "");
  }
}

}  // namespace
