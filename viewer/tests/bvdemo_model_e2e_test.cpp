// bvdemo FILE, end to end: the report in the model's units, a frame that shows the model
// whatever its size, colours from the seed, and a large model that stays interactive. Files
// that cannot be read: hostile_files_e2e_test.cpp, which runs both programs on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "loading/model_loader.h"
#include "viewer/tests/bvdemo_fixture.h"

namespace {

constexpr long long SEED = 1'700'000'000;

// The box with these half sizes about center: its eight corners as a point list, one a line,
// or as an OBJ mesh of six quads.
std::string boxFile(const Vector3& center, const Vector3& half, bool mesh = false) {
  std::ostringstream text;
  text.precision(9);
  text << (mesh ? "o box\n" : "# corners of a box\n");
  for (const float sx : {-1.0f, 1.0f}) {
    for (const float sy : {-1.0f, 1.0f}) {
      for (const float sz : {-1.0f, 1.0f}) {
        text << (mesh ? "v " : "") << center.x + sx * half.x << ' ' << center.y + sy * half.y << ' '
             << center.z + sz * half.z << '\n';
      }
    }
  }
  if (mesh) {
    text << "f 1 2 4 3\nf 5 7 8 6\nf 1 5 6 2\nf 3 4 8 7\nf 1 3 7 5\nf 2 6 8 4\n";
  }
  return text.str();
}

class BvdemoModel : public Bvdemo {
 protected:
  std::string writeFile(const std::string& name, const std::string& content) {
    return work_.write(name, content);
  }
};

// A box 2000 x 1000 x 500 (millimetres, say) centred at (5000, 0, 0).
const Vector3 BOX_CENTER{5000.0f, 0.0f, 0.0f};
const Vector3 BOX_HALF{1000.0f, 500.0f, 250.0f};

TEST_F(BvdemoModel, ReportsTheModelsBoxInItsOwnUnits) {
  // The facet moments depend on how the hull splits each face of the box into triangles.
  // From the eight corners alone the splits balance and the box comes out exact; from the
  // mesh, whose every face repeats its corners, the hull splits other diagonals and the axes
  // turn by a few degrees, so the box comes out up to a tenth larger.
  struct Case {
    std::string path;
    float relativeSlack;
  };
  const Case cases[] = {{writeFile("box.xyz", boxFile(BOX_CENTER, BOX_HALF)), 1e-5f},
                        {writeFile("box.obj", boxFile(BOX_CENTER, BOX_HALF, true)), 0.1f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto demo = start(SEED, {c.path});
    const std::string text = demo->standardOutput();
    EXPECT_EQ(demo->stdoutBytesAtFirstSwap(), static_cast<long long>(text.size()));
    EXPECT_EQ(text, fittedReportFor(loadPoints(c.path).points));

    // That box is the box of the file: its centre, and each half length along its own side
    // (the smallest eigenvalue, axis 0, belongs to the thinnest side).
    const OBB report = fittedBoxFor(loadPoints(c.path).points);
    EXPECT_NEAR(report.center.x, 5000.0f, 0.01f);
    EXPECT_NEAR(report.center.y, 0.0f, 0.01f);
    EXPECT_NEAR(report.center.z, 0.0f, 0.01f);
    const float expectedHalf[3] = {250.0f, 500.0f, 1000.0f};
    const int side[3] = {2, 1, 0};
    for (int k = 0; k < 3; ++k) {
      EXPECT_GE(report.halfLengths[k], expectedHalf[k] * (1.0f - 1e-6f)) << "axis " << k;
      EXPECT_NEAR(report.halfLengths[k], expectedHalf[k], expectedHalf[k] * c.relativeSlack)
          << "axis " << k;
      EXPECT_NEAR(std::fabs(report.axes[k][side[k]]), 1.0f, c.relativeSlack) << "axis " << k;
    }
    demo->pressKey("Escape");
    EXPECT_EQ(demo->waitForExit(), 1);
    EXPECT_EQ(demo->standardError(), "");
  }
}

TEST_F(BvdemoModel, AModelOfAnySizeFillsTheSameViewInTheMiddleOfTheWindow) {
  const std::string millimetres = writeFile("mm.xyz", boxFile(BOX_CENTER, BOX_HALF));
  // The same box 1024 times smaller: the very same picture, the report scaled.
  const std::string smaller =
      writeFile("small.xyz", boxFile(BOX_CENTER * (1.0f / 1024.0f), BOX_HALF * (1.0f / 1024.0f)));

  auto demo = start(SEED, {"--seed", "9", millimetres});
  const Frame frame = demo->settledFrame();
  // Normalised, the box spans x +-125, y +-62.5, z +-31.25 about the origin, 300 in front of
  // the eye with a 75-degree view: its front face, 268.75 away, covers x 174.5 to 465.5 and
  // y 167.3 to 312.7 of the 640 x 480 window (the corner spheres add a pixel or two).
  const PixelBounds bounds = nonWhiteBounds(frame);
  EXPECT_NEAR(bounds.left, 174, 4) << bounds;
  EXPECT_NEAR(bounds.right, 466, 4) << bounds;
  EXPECT_NEAR(bounds.top, 167, 4) << bounds;
  EXPECT_NEAR(bounds.bottom, 313, 4) << bounds;
  // The front and back faces of the hull cover the box's outline.
  EXPECT_GT(nonWhitePixels(frame), 280 * 140);
  demo->pressKey("Escape");
  demo->waitForExit();

  auto small = start(SEED, {"--seed", "9", smaller});
  EXPECT_TRUE(small->settledFrame() == frame);
  EXPECT_EQ(small->standardOutput(), fittedReportFor(loadPoints(smaller).points));
  const OBB report = fittedBoxFor(loadPoints(smaller).points);
  EXPECT_NEAR(report.halfLengths.z, 1000.0f / 1024.0f, 1e-5f);
  EXPECT_NEAR(report.center.x, 5000.0f / 1024.0f, 1e-5f);
}

TEST_F(BvdemoModel, TheSeedOrTheClockChoosesTheColoursButNotTheReport) {
  const std::string path = writeFile("box.xyz", boxFile(BOX_CENTER, BOX_HALF));
  auto byClock = start(SEED, {path});
  const Frame frame = byClock->settledFrame();
  const std::string report = byClock->standardOutput();
  byClock->pressKey("Escape");
  byClock->waitForExit();

  auto bySeed = start(1, {"--seed", std::to_string(SEED), path});
  EXPECT_TRUE(bySeed->settledFrame() == frame);
  EXPECT_EQ(bySeed->standardOutput(), report);
  bySeed->pressKey("Escape");
  bySeed->waitForExit();

  auto other = start(SEED + 1, {path});
  EXPECT_FALSE(other->settledFrame() == frame);
  EXPECT_EQ(other->standardOutput(), report);
}

TEST_F(BvdemoModel, AHundredThousandPointModelShowsItsShapeAndAnswersKeysAndMouse) {
  // A solid ellipsoid 6 x 4 x 2 km in metres, far from the origin.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::ostringstream text;
  text.precision(9);
  for (int i = 0; i < 100'000;) {
    const double x = unit(rng);
    const double y = unit(rng);
    const double z = unit(rng);
    if (x * x + y * y + z * z <= 1.0) {
      text << 3e3 * x + 4e5 << ' ' << 2e3 * y - 1e5 << ' ' << 1e3 * z << '\n';
      ++i;
    }
  }
  const std::string path = writeFile("ellipsoid.xyz", text.str());

  auto demo = start(SEED, {path});
  EXPECT_EQ(demo->standardOutput(), fittedReportFor(loadPoints(path).points));
  const Frame frame = demo->settledFrame();
  // Normalised to x +-96, y +-64, z +-32 (the largest coordinate in [64, 128)): an ellipse
  // about 96 x 64 units, around 110 x 75 pixels each side of the window's centre.
  const PixelBounds bounds = nonWhiteBounds(frame);
  EXPECT_NEAR(bounds.left, 320 - 110, 15) << bounds;
  EXPECT_NEAR(bounds.right, 320 + 110, 15) << bounds;
  EXPECT_NEAR(bounds.top, 240 - 75, 15) << bounds;
  EXPECT_NEAR(bounds.bottom, 240 + 75, 15) << bounds;

  demo->pressKeys({"2", "3", "4"});
  const Frame allLayers = demo->settledFrame();
  EXPECT_FALSE(allLayers == frame);
  demo->dragMouse(320, 240, 320, 280);
  EXPECT_FALSE(demo->settledFrame() == allLayers);
  demo->pressKeys(std::vector<std::string>(10, "Up"));
  EXPECT_TRUE(demo->settledFrame() == allLayers);
  demo->closeWindow();
  EXPECT_EQ(demo->waitForExit(), 0);
  EXPECT_EQ(demo->standardError(), "");
}

}  // namespace
