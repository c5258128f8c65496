// The comparison layers, the engines' layers and the legend, end to end: each key shows its
// layer in its own colour and hides it again, for the program's cloud and for a point set
// fitted at any scale; the legend appears in the top left corner and goes again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "viewer/comparison_scene.h"
#include "viewer/engine_scene.h"
#include "viewer/tests/bvdemo_fixture.h"

namespace {

constexpr long long SEED = 1'700'000'000;

// True when the pixel is white blended with colour by some alpha: every channel's distance
// from white is the same fraction of the colour's.
bool onTheWayFromWhiteTo(std::uint32_t pixel, const LayerColour& colour) {
  const int q[3] = {red(pixel), green(pixel), blue(pixel)};
  int strongest = 0;
  for (int k = 1; k < 3; ++k) {
    if (colour[static_cast<std::size_t>(k)] < colour[static_cast<std::size_t>(strongest)])
      strongest = k;
  }
  const double reach = 255.0 * (1.0 - colour[static_cast<std::size_t>(strongest)]);
  const double alpha = (255 - q[strongest]) / reach;
  if (alpha <= 0.0)
    return false;
  for (int k = 0; k < 3; ++k) {
    const double expected = 255.0 - alpha * 255.0 * (1.0 - colour[static_cast<std::size_t>(k)]);
    if (std::abs(q[k] - expected) > 4.0)
      return false;
  }
  return true;
}

// With layer 1 off (and the model's own layer, which a fitted point set shows at start) the
// window is white; each comparison key shows a layer drawn in its colour alone, and pressing it
// again gives the white window back. Finally layer 1 (and m) bring back the first frame.
void expectComparisonLayersShowAndHide(DemoSession& demo, bool hasModelLayer = false) {
  const Frame first = demo.settledFrame();
  demo.pressKeys(hasModelLayer ? std::vector<std::string>{"1", "m"}
                               : std::vector<std::string>{"1"});
  ASSERT_EQ(countIf(demo.settledFrame(), isWhite), 640 * 480);
  for (const ComparisonLayer& layer : COMPARISON_LAYERS) {
    SCOPED_TRACE(layer.name);
    demo.pressKey(std::string(1, layer.key));
    const Frame shown = demo.settledFrame();
    const long long drawn = nonWhitePixels(shown);
    EXPECT_GT(drawn, 2'000);
    const long long ofItsColour =
        countIf(shown, [&](std::uint32_t p) { return onTheWayFromWhiteTo(p, layer.colour); });
    EXPECT_GE(ofItsColour, drawn * 95 / 100);
    demo.pressKey(std::string(1, layer.key));
    EXPECT_EQ(countIf(demo.settledFrame(), isWhite), 640 * 480);
  }
  demo.pressKeys(hasModelLayer ? std::vector<std::string>{"1", "m"}
                               : std::vector<std::string>{"1"});
  EXPECT_TRUE(demo.settledFrame() == first);
}

TEST_F(Bvdemo, ComparisonKeysShowTheirLayersInTheirOwnColoursAndHideThemAgain) {
  auto demo = start(SEED);
  expectComparisonLayersShowAndHide(*demo);
}

TEST_F(Bvdemo, ComparisonLayersOfACloudFittedAtAnyScale) {
  auto demo = start(SEED, {"--seed", "7", "--points", "500"});
  expectComparisonLayersShowAndHide(*demo, true);
}

// The engines' layers of a fitted cloud, each on a white window: c, y and e show theirs and
// hide it again; k and r step through three layers each and then off. The legend then lists
// them too, down to its nineteenth line.
TEST_F(Bvdemo, EngineKeysShowTheirLayersInTheirOwnColoursAndTheLegendListsThem) {
  auto demo = start(SEED, {"--seed", "7", "--points", "500"});
  demo->pressKeys({"1", "m"});
  ASSERT_EQ(countIf(demo->settledFrame(), isWhite), 640 * 480);
  for (std::size_t i = 0; i < ENGINE_LAYERS.size(); ++i) {
    const ComparisonLayer& layer = ENGINE_LAYERS[i];
    SCOPED_TRACE(layer.name);
    demo->pressKey(std::string(1, layer.key));
    const Frame shown = demo->settledFrame();
    const long long drawn = nonWhitePixels(shown);
    EXPECT_GT(drawn, 2'000);
    EXPECT_GE(countIf(shown, [&](std::uint32_t p) { return onTheWayFromWhiteTo(p, layer.colour); }),
              drawn * 95 / 100);
    // The stepping keys show their next layer; the last of three, and the others, go off.
    const bool steps = i + 1 < ENGINE_LAYERS.size() && ENGINE_LAYERS[i + 1].key == layer.key;
    if (!steps) {
      demo->pressKey(std::string(1, layer.key));
      EXPECT_EQ(countIf(demo->settledFrame(), isWhite), 640 * 480);
    }
  }
  demo->pressKey("h");
  const Frame legend = demo->settledFrame();
  long long capsuleSwatch = 0;
  long long lowest = 0;
  for (int y = 0; y < legend.height; ++y) {
    for (int x = 0; x < legend.width; ++x) {
      if (legend.at(x, y) == 0)
        lowest = y;  // text
      // The capsule's swatch: (0.85, 0.1, 0.55) opaque, to the rounding of 25.5.
      const std::uint32_t p = legend.at(x, y);
      capsuleSwatch += red(p) == 217 && std::abs(green(p) - 25.5) < 1 && blue(p) == 140 ? 1 : 0;
    }
  }
  EXPECT_EQ(capsuleSwatch, 100);
  EXPECT_GT(lowest, 15 * 18);
}

TEST_F(Bvdemo, LegendKeyShowsTheLegendTopLeftAndHidesItAgain) {
  auto demo = start(SEED);
  const Frame first = demo->settledFrame();
  demo->pressKey("h");
  const Frame withLegend = demo->settledFrame();
  long long changed = 0;
  long long black = 0;
  long long swatch = 0;
  for (int y = 0; y < withLegend.height; ++y) {
    for (int x = 0; x < withLegend.width; ++x) {
      const std::uint32_t p = withLegend.at(x, y);
      if (p == first.at(x, y))
        continue;
      ++changed;
      // The legend's ten lines of 15 pixels stay in the upper third.
      EXPECT_LT(y, 180) << x << "," << y;
      black += p == 0 ? 1 : 0;
      swatch += p == 0x008c00 ? 1 : 0;  // the minimum box's swatch, (0, 0.55, 0) opaque
    }
  }
  EXPECT_GT(changed, 10'000);
  EXPECT_GT(black, 1'000);  // text
  EXPECT_EQ(swatch, 100);   // one 10 x 10 swatch
  demo->pressKey("h");
  EXPECT_TRUE(demo->settledFrame() == first);
}

}  // namespace
