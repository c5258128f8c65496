// Tests of bvfit's output: numbers read back as the same float, strings survive a strict JSON
// reader whatever bytes they hold, and the JSON line of a real fit carries every key with
// the values of the fit, the table every volume.
#include "bvfit/report.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bvfit/tests/json_value.h"

namespace {

TEST(Report, EveryFiniteFloatReadsBackAsTheSameFloat) {
  std::mt19937 rng(11);
  for (int i = 0; i < 200000; ++i) {
    const float f = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    if (!std::isfinite(f))
      continue;
    const std::string text = formatNumber(f);
    ASSERT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
    ASSERT_EQ(text.find(','), std::string::npos) << text;
  }
  EXPECT_EQ(formatNumber(0.5), "0.5");
  EXPECT_EQ(formatNumber(1e-7), "1e-07");
  EXPECT_EQ(formatNumber(123456789012.0), "1.23456789e+11");
  EXPECT_EQ(jsonNumber(INFINITY), "null");
  EXPECT_EQ(jsonNumber(NAN), "null");
}

TEST(Report, StringsOfAnyBytesMakeValidJsonAndValidUtf8ComesBackUnchanged) {
  std::mt19937 rng(5);
  // Valid UTF-8 from random code points (no surrogates), every escape class included.
  const std::uint32_t limits[] = {0x20, 0x80, 0x800, 0x10000, 0x110000};
  for (int i = 0; i < 3000; ++i) {
    std::string valid;
    std::string bytes;
    for (int k = 0; k < 12; ++k) {
      std::uint32_t c = static_cast<std::uint32_t>(rng()) % limits[rng() % 5];
      if (c >= 0xd800 && c <= 0xdfff)
        c = '"';
      appendUtf8(valid, c);
      bytes += static_cast<char>(rng() % 256);
    }
    bytes += valid;
    SCOPED_TRACE(testing::PrintToString(bytes));
    std::string error;
    const auto back = parseJson(jsonString(valid), &error);
    ASSERT_TRUE(back.has_value()) << error;
    ASSERT_EQ(back->string, valid);
    ASSERT_TRUE(parseJson(jsonString(bytes), &error).has_value()) << error;
  }
  EXPECT_EQ(jsonString("a\"b\\c\n\x01\x7f"), "\"a\\\"b\\\\c\\n\\u0001\x7f\"");
  // A bad byte, a truncated sequence, an overlong form and a surrogate: one U+FFFD per byte.
  EXPECT_EQ(jsonString("\xff|\xc3|\xc0\xaf|\xed\xa0\x80"),
            "\"\xef\xbf\xbd|\xef\xbf\xbd|\xef\xbf\xbd\xef\xbf\xbd|"
            "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\"");
}

float asFloat(const JsonValue& v) {
  EXPECT_EQ(v.kind, JsonValue::Kind::Number);
  return static_cast<float>(v.number);
}

void expectVector(const JsonValue& v, const Vector3& expected) {
  ASSERT_EQ(v.kind, JsonValue::Kind::Array);
  ASSERT_EQ(v.items.size(), 3u);
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(asFloat(v.items[static_cast<std::size_t>(k)]), expected[k]);
}

FileReport reportOf(const std::vector<Vector3>& points) {
  FileReport report;
  report.file = "dir/mo\"del\\.obj";
  const BoundingVolumesResult result = computeBoundingVolumes(points);
  EXPECT_TRUE(result.ok());
  report.volumes = result.volumes;
  report.seconds = {{"load", 0.25}, {"final pass", 1e-6}};
  return report;
}

JsonValue jsonOf(const FileReport& report) {
  std::ostringstream out;
  writeJson(out, report);
  const std::string line = out.str();
  EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line";
  std::string error;
  const auto value = parseJson(line, &error);
  EXPECT_TRUE(value.has_value()) << error << "\n" << line;
  return value.value_or(JsonValue{});
}

void expectBox(const JsonValue& json, const OrientedBox& box) {
  expectVector(json["center"], box.center);
  expectVector(json["halfLengths"], box.halfLengths);
  ASSERT_EQ(json["axes"].items.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k)
    expectVector(json["axes"].items[k], box.axes[k]);
  EXPECT_NEAR(json["volume"].number, box.volume, 1e-8 * box.volume);
}

// Clouds of several shapes and scales: a ball, a thin turned slab, a dense lump in a sparse
// cube, a small cloud far from the origin. Every key carries the fitted value, and the
// comparison volumes come in the order of tightness the constructions promise.
TEST(Report, JsonLineCarriesEveryVolumeWithItsFittedValues) {
  std::mt19937 rng(17);
  std::normal_distribution<float> normal(0.0f, 1.0f);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  for (int trial = 0; trial < 13; ++trial) {
    SCOPED_TRACE(trial);
    const float scale = std::ldexp(1.0f, 6 * (trial % 4) - 9);
    std::vector<Vector3> cloud;
    for (int i = 0; i < 200; ++i) {
      Vector3 p{unit(rng), unit(rng), unit(rng)};
      if (trial % 3 == 0)
        p = Vector3{normal(rng), normal(rng), normal(rng)};
      if (trial % 3 == 1)
        p = Vector3{p.x + 0.3f * p.y, p.y - 0.3f * p.x, 0.02f * p.z + 0.2f * p.x};
      if (trial % 3 == 2 && i % 4 != 0)
        p = p * 0.1f + Vector3{0.7f, 0.7f, 0.0f};
      if (trial == 12)
        p = Vector3{0.05f * p.x, 0.1f * p.y, 0.05f * p.z + 1e3f};
      cloud.push_back(p * scale);
    }
    const FileReport report = reportOf(cloud);
    const BoundingVolumes& v = report.volumes;
    const JsonValue json = jsonOf(report);
    EXPECT_EQ(json["file"].string, report.file);
    EXPECT_EQ(json["points"].number, 200);
    EXPECT_FALSE(json["degenerate"].boolean);
    EXPECT_EQ(json["degeneracy"].string, "none");
    const JsonValue& hull = json["hull"];
    EXPECT_EQ(hull["vertices"].number, static_cast<double>(v.hull.vertices));
    EXPECT_EQ(hull["facets"].number, static_cast<double>(v.hull.facets));
    EXPECT_EQ(hull["faces"].number, static_cast<double>(v.hull.faces));
    EXPECT_NEAR(hull["volume"].number, v.hull.volume, 1e-8 * v.hull.volume);
    EXPECT_NEAR(hull["area"].number, v.hull.area, 1e-8 * v.hull.area);
    EXPECT_EQ(json["seconds"].keys(), (std::vector<std::string>{"load", "finalPass"}));

    const JsonValue& boxes = json["boxes"];
    EXPECT_EQ(boxes.keys(), (std::vector<std::string>{"facetMoments", "axisAligned", "minimum",
                                                      "pointCovariance"}));
    expectBox(boxes["facetMoments"], v.facetMomentBox);
    expectBox(boxes["minimum"], v.comparison.minimumBox);
    expectBox(boxes["pointCovariance"], v.comparison.pointCovarianceBox);
    const JsonValue& aligned = boxes["axisAligned"];
    expectVector(aligned["min"], v.axisAlignedBox.min);
    expectVector(aligned["max"], v.axisAlignedBox.max);
    const double alignedRatio = v.axisAlignedBox.volume / v.hull.volume;
    EXPECT_NEAR(aligned["volumeToHull"].number, alignedRatio, 1e-8 * alignedRatio);
    const double slack = 1 + 1e-6;
    const double minimum = boxes["minimum"]["volume"].number;
    EXPECT_LE(minimum, boxes["facetMoments"]["volume"].number * slack);
    EXPECT_LE(minimum, aligned["volume"].number * slack);
    EXPECT_LE(minimum, boxes["pointCovariance"]["volume"].number * slack);
    EXPECT_GE(minimum, hull["volume"].number / slack);

    for (const auto& [key, sphere] : {std::pair{"corners", v.cornerSphere},
                                      {"minimal", v.minimalSphere},
                                      {"ritter", v.comparison.ritterSphere}}) {
      const JsonValue& s = json["spheres"][key];
      expectVector(s["center"], sphere.center);
      EXPECT_EQ(asFloat(s["radius"]), sphere.radius);
      EXPECT_NEAR(s["volume"].number, 4.18879020 * std::pow(sphere.radius, 3),
                  1e-7 * s["volume"].number);
    }
    EXPECT_GE(json["spheres"]["ritter"]["radius"].number,
              json["spheres"]["minimal"]["radius"].number / slack);

    const JsonValue& dop = json["dop26"];
    ASSERT_EQ(dop["planes"].items.size(), 26u);
    for (std::size_t k = 0; k < 26; ++k) {
      EXPECT_EQ(dop["planes"].items[k].number,
                std::stod(formatNumber(v.comparison.dop26.offsets[k])));
    }
    // Planes 0 to 5 are the axis-aligned box's faces: +x, -x, +y, -y, +z, -z.
    for (int k = 0; k < 3; ++k) {
      EXPECT_FLOAT_EQ(asFloat(dop["planes"].items[static_cast<std::size_t>(2 * k)]),
                      v.axisAlignedBox.max[k]);
      EXPECT_FLOAT_EQ(-asFloat(dop["planes"].items[static_cast<std::size_t>(2 * k + 1)]),
                      v.axisAlignedBox.min[k]);
    }
    EXPECT_LE(dop["volume"].number, aligned["volume"].number * slack);
    EXPECT_GE(dop["volume"].number, hull["volume"].number / slack);
    const double ratio = v.comparison.dop26.volume / v.hull.volume;
    EXPECT_NEAR(dop["volumeToHull"].number, ratio, 1e-8 * ratio);
  }
}

TEST(Report, DegenerateShapesAndErrorsInJsonAndTable) {
  const FileReport flat = reportOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  const JsonValue json = jsonOf(flat);
  EXPECT_TRUE(json["degenerate"].boolean);
  EXPECT_EQ(json["degeneracy"].string, "flat");
  EXPECT_EQ(json["spheres"]["minimal"]["volumeToHull"].kind, JsonValue::Kind::Null);
  std::ostringstream table;
  writeTable(table, flat);
  EXPECT_NE(table.str().find("flat (degenerate"), std::string::npos) << table.str();

  FileReport failed;
  failed.file = "gone.ply";
  failed.error = "no such file";
  EXPECT_EQ(jsonOf(failed).keys(), (std::vector<std::string>{"file", "error"}));
  std::ostringstream nothing;
  writeTable(nothing, failed);
  EXPECT_EQ(nothing.str(), "");
}

TEST(Report, TableHasARowPerVolumeWithSizeVolumeAndRatio) {
  std::vector<Vector3> cube;
  for (int corner = 0; corner < 8; ++corner)
    cube.push_back(
        {corner & 1 ? 1.0f : -1.0f, corner & 2 ? 2.0f : -2.0f, corner & 4 ? 3.0f : -3.0f});
  const FileReport report = reportOf(cube);
  std::ostringstream out;
  writeTable(out, report);
  const std::string table = out.str();
  EXPECT_NE(table.find("  points  8\n"), std::string::npos) << table;
  EXPECT_NE(table.find("8 vertices, 12 facets, area 88, volume 48"), std::string::npos) << table;
  for (const VolumeEntry& entry : volumeEntries(report.volumes))
    EXPECT_NE(table.find(entry.label), std::string::npos) << entry.label;
  // The axis-aligned box is the hull itself: 2 x 4 x 6, volume 48, ratio 1.
  EXPECT_NE(table.find("2 x 4 x 6"), std::string::npos) << table;
  const std::size_t row = table.find("axis-aligned box");
  const std::string line = table.substr(row, table.find('\n', row) - row);
  EXPECT_NE(line.find(" 48 "), std::string::npos) << line;
  EXPECT_EQ(line.substr(line.size() - 2), " 1") << line;
}

}  // namespace
