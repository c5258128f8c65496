// The comparison layers in the scene's frame and the legend: its numbers are bvfit's. A
// model's layers hold its normalised points: model_scene_test.cpp.
#include "viewer/comparison_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bvfit/report.h"
#include "bvfit/tests/json_value.h"
#include "viewer/point_cloud.h"
#include "volumes/comparison_volumes.h"
#include "volumes/hull_volume.h"

namespace {

using Cloud = std::vector<Vector3>;

// count points in a turned slab, scaled and moved: a shape whose volumes differ clearly.
Cloud slabOf(std::uint32_t seed, int count, float scale, const Vector3& offset) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  Cloud cloud;
  for (int i = 0; i < count; ++i) {
    const Vector3 q{unit(rng), 0.5f * unit(rng), 0.1f * unit(rng)};
    cloud.push_back(Vector3{0.8f * q.x - 0.6f * q.y, 0.6f * q.x + 0.8f * q.y, q.z} * scale +
                    offset);
  }
  return cloud;
}

// The last two blank-separated words of a legend line: its volume and its ratio.
std::pair<double, std::string> volumeAndRatio(const std::string& line) {
  std::istringstream words(line);
  std::vector<std::string> all;
  for (std::string word; words >> word;)
    all.push_back(word);
  EXPECT_GE(all.size(), 4u) << line;
  return {std::stod(all[all.size() - 2]), all.back()};
}

TEST(Legend, EveryNumberIsBvfitsJsonNumberToTheDigitsShown) {
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    for (const float scale : {1e-3f, 1.0f, 250.0f, 1e6f}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " scale " << scale);
      const Cloud cloud = slabOf(seed, 60 * static_cast<int>(seed), scale, {scale, 0, -3 * scale});
      FileReport report;
      report.file = "cloud.xyz";
      const BoundingVolumesResult fit =
          computeBoundingVolumes(cloud, StageCallback(), FitOptions{false});
      ASSERT_TRUE(fit.ok()) << fit.error;
      report.volumes = fit.volumes;
      std::ostringstream out;
      writeJson(out, report);
      const std::optional<JsonValue> parsed = parseJson(out.str());
      ASSERT_TRUE(parsed.has_value());
      const JsonValue& json = *parsed;

      const std::vector<LegendLine> lines = legendLines(legendFigures(fit.volumes));
      ASSERT_EQ(lines.size(), 10u);
      for (const LegendLine& line : lines)
        EXPECT_LE(line.text.size(), 78u) << line.text;
      std::ostringstream counts;
      counts << json["points"].number << " points, hull " << json["hull"]["vertices"].number
             << " vertices, " << json["hull"]["facets"].number << " facets";
      EXPECT_EQ(lines[0].text, counts.str());

      const double hull = json["hull"]["volume"].number;
      const JsonValue* rows[] = {
          nullptr,
          &json["boxes"]["facetMoments"],
          &json["spheres"]["corners"],
          &json["spheres"]["minimal"],
          &json["boxes"]["minimum"],
          &json["boxes"]["axisAligned"],
          &json["dop26"],
          &json["spheres"]["ritter"],
      };
      for (std::size_t row = 0; row < 8; ++row) {
        const std::string& text = lines[row + 2].text;
        EXPECT_EQ(text[0], static_cast<char>('1' + row)) << text;
        const auto [volume, ratio] = volumeAndRatio(text);
        const double expected = rows[row] ? (*rows[row])["volume"].number : hull;
        const double expectedRatio = rows[row] ? (*rows[row])["volumeToHull"].number : 1.0;
        // Six significant digits of the volume, four of the ratio.
        EXPECT_NEAR(volume, expected, 5.0001e-6 * expected) << text;
        EXPECT_NEAR(std::stod(ratio), expectedRatio, 5.0001e-4 * expectedRatio) << text;
      }
    }
  }
}

TEST(Legend, FlatShapeShowsNoRatio) {
  const Cloud square = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  const BoundingVolumesResult fit =
      computeBoundingVolumes(square, StageCallback(), FitOptions{false});
  ASSERT_TRUE(fit.ok());
  const std::vector<LegendLine> lines = legendLines(legendFigures(fit.volumes));
  for (std::size_t row = 2; row < lines.size(); ++row)
    EXPECT_EQ(lines[row].text.back(), '-') << lines[row].text;
}

// The program's own cloud is drawn in its own coordinates: its figures come from its fit and
// the comparison volumes of the same points, and the axis-aligned box read off the 26-DOP is
// the points' own.
TEST(Legend, ProgramCloudFiguresAreThoseOfItsOwnFit) {
  for (unsigned int seed = 1; seed <= 20; ++seed) {
    std::srand(seed);
    Cloud points;
    appendRandomPoints(points, POINT_COUNT);
    ConvexHull hull;
    hull.build(points);
    OBB box{};
    std::ostream discard(nullptr);
    fitBoxToHull(hull, box, discard);
    const Sphere sphere{{0, 0, 0}, 10};
    const BoxAxes axes = {Vector3d(box.axes[0]), Vector3d(box.axes[1]), Vector3d(box.axes[2])};
    const ComparisonVolumes comparison =
        computeComparisonVolumes(points, hull, std::span<const BoxAxes>(&axes, 1));
    const LegendFigures f = legendFigures(points.size(), hull, box, sphere, comparison);
    const AxisAlignedBox bounds = axisAlignedBoxOf(points);
    EXPECT_EQ(f.axisAlignedBox, bounds.volume);
    EXPECT_EQ(f.hullVolume, hullVolume(hull));
    EXPECT_NEAR(f.minimalSphere, 4000.0 / 3.0 * std::numbers::pi, 1e-9);
    EXPECT_LE(f.minimumBox, f.facetMomentBox * (1 + 1e-6));
    EXPECT_LE(f.minimumBox, f.axisAlignedBox * (1 + 1e-6));
    EXPECT_GE(f.dop26, f.hullVolume * (1 - 1e-9));

    // Scene of the identity normalisation: the volumes themselves.
    const ComparisonScene scene = comparisonScene(comparison, Normalisation{});
    EXPECT_EQ(length(scene.minimumBox.center - comparison.minimumBox.center), 0.0f);
    EXPECT_EQ(scene.ritterSphere.radius, comparison.ritterSphere.radius);
    EXPECT_EQ(length(scene.axisAlignedBox.center - (bounds.min + bounds.max) * 0.5f), 0.0f);
    EXPECT_EQ(scene.dopFaces.size(), comparison.dop26.faces.size());
  }
}

}  // namespace
