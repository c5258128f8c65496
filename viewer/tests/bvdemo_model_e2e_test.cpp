// bvdemo FILE, end to end: the report in the model's units, a frame that shows the model
// whatever its size, colours from the seed, and a large model that stays interactive. Files
// that cannot be read: hostile_files_e2e_test.cpp, which runs both programs on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "loading/model_loader.h"
#include "viewer/model_scene.h"
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

// An icosahedron of circumradius about 95 about the origin as an OBJ mesh, every other face
// wound inward: seen straight on, the middle of the window falls on an edge of two faces.
std::string icosahedronObj() {
  const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
  const double corners[12][3] = {{-1, phi, 0}, {1, phi, 0}, {-1, -phi, 0}, {1, -phi, 0},
                                 {0, -1, phi}, {0, 1, phi}, {0, -1, -phi}, {0, 1, -phi},
                                 {phi, 0, -1}, {phi, 0, 1}, {-phi, 0, -1}, {-phi, 0, 1}};
  const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                            {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                            {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                            {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  std::ostringstream text;
  for (const auto& c : corners) {
    text << "v " << 50 * c[0] << ' ' << 50 * c[1] << ' ' << 50 * c[2] << '\n';
  }
  for (int f = 0; f < 20; ++f) {
    const int* v = faces[f];
    text << "f " << v[0] + 1 << ' ' << (f % 2 ? v[2] : v[1]) + 1 << ' ' << (f % 2 ? v[1] : v[2]) + 1
         << '\n';
  }
  return text.str();
}

// How bright a pixel is as a shade of the surface colour (each channel the colour's times
// one factor), or -1 when its channels do not share one factor.
double surfaceShade(std::uint32_t pixel) {
  const int channels[3] = {red(pixel), green(pixel), blue(pixel)};
  double low = 1e9;
  double high = -1e9;
  for (std::size_t k = 0; k < 3; ++k) {
    const double factor = channels[k] / (255.0 * SURFACE_COLOUR[k]);
    low = std::min(low, factor);
    high = std::max(high, factor);
  }
  return high - low <= 0.05 ? (low + high) / 2 : -1.0;
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

TEST_F(BvdemoModel, TheModelsLitSurfaceShowsFirstAndTheModelKeyHidesAndShowsIt) {
  const std::string path = writeFile("icosahedron.obj", icosahedronObj());
  auto demo = start(SEED, {path});
  const Frame first = demo->settledFrame();
  // Points around the middle of the window, all well inside the icosahedron's outline.
  std::vector<std::pair<int, int>> middle;
  for (int dy = -45; dy <= 45; dy += 15) {
    for (int dx = -50; dx <= 50; dx += 25) {
      middle.push_back({320 + dx, 240 + dy});
    }
  }
  demo->pressKey("1");  // the points and hull off: the surface alone
  const Frame surface = demo->settledFrame();
  std::set<int> shades;
  for (const auto& [x, y] : middle) {
    const std::uint32_t pixel = surface.at(x, y);
    const double shade = surfaceShade(pixel);
    ASSERT_GT(shade, 0.2) << x << "," << y << " " << std::hex << pixel;
    shades.insert(static_cast<int>(std::lround(shade * 50)));
  }
  // One light, a normal per face: the faces about the middle differ in brightness.
  EXPECT_GE(shades.size(), 3u);

  demo->pressKey("m");
  const Frame hidden = demo->settledFrame();
  for (const auto& [x, y] : middle) {
    EXPECT_EQ(hidden.at(x, y), WHITE) << x << "," << y;  // nothing behind it
  }
  demo->pressKey("m");
  EXPECT_TRUE(demo->settledFrame() == surface);

  // With the hull on the surface shows through it, and hiding it shows the hull alone.
  demo->pressKey("1");
  EXPECT_TRUE(demo->settledFrame() == first);
  demo->pressKey("m");
  const Frame hullAlone = demo->settledFrame();
  for (const auto& [x, y] : middle) {
    EXPECT_NE(first.at(x, y), surface.at(x, y)) << x << "," << y;
    EXPECT_NE(hullAlone.at(x, y), first.at(x, y)) << x << "," << y;
    EXPECT_NE(hullAlone.at(x, y), WHITE) << x << "," << y;
  }
  demo->pressKey("Escape");
  EXPECT_EQ(demo->waitForExit(), 1);
  EXPECT_EQ(demo->standardError(), "");
}

TEST_F(BvdemoModel, AModelWithoutFacesShowsItsPointsAsOpaqueDotsColouredByHeight) {
  // A grid of points in a cube, 10 to a side, seen along z: each layer of it is one height.
  std::ostringstream text;
  for (int i = 0; i < 1000; ++i) {
    text << i % 10 << ' ' << i / 10 % 10 << ' ' << i / 100 << '\n';
  }
  auto demo = start(SEED, {writeFile("grid.xyz", text.str())});
  const Frame first = demo->settledFrame();
  // The points of layer 1 do not paint over the model's own dots: hiding the model changes
  // the dots' colours, not just what lies behind them.
  demo->pressKey("m");
  const Frame pointsAlone = demo->settledFrame();
  long long recoloured = 0;
  for (int y = 0; y < first.height; ++y)
    for (int x = 0; x < first.width; ++x)
      recoloured += first.at(x, y) != pointsAlone.at(x, y) ? 1 : 0;
  EXPECT_GT(recoloured, 1'000);
  demo->pressKeys({"m", "1"});
  const Frame dots = demo->settledFrame();
  EXPECT_GT(nonWhitePixels(dots), 1'000);
  // Opaque: no dot is blended with the white behind it, so some channel stays dark.
  EXPECT_EQ(countIf(dots,
                    [](std::uint32_t p) {
                      return p != WHITE && std::min({red(p), green(p), blue(p)}) > 100;
                    }),
            0);
  // The lowest layers blue, the highest orange.
  EXPECT_GT(countIf(dots, [](std::uint32_t p) { return blue(p) > red(p) + 100; }), 100);
  EXPECT_GT(countIf(dots, [](std::uint32_t p) { return red(p) > blue(p) + 100; }), 100);
  demo->pressKey("m");
  EXPECT_EQ(countIf(demo->settledFrame(), isWhite), 640 * 480);
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
