// Tests of the report's float text: formatFloat against what a default std::ostream writes, on
// every kind of float, and the box report through it against the report the stream writes
// number by number.
#include "bounds/report_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bounds/box_fit.h"
#include "hull/tests/hull_test_support.h"

namespace {

#ifdef BVDEMO_SANITIZED
constexpr int RANDOM_FLOATS = 200000;
#else
constexpr int RANDOM_FLOATS = 4000000;
#endif

TEST(ReportText, EveryFloatReadsAsADefaultStreamWritesIt) {
  std::vector<float> values = {0.0f,
                               -0.0f,
                               1.0f,
                               -1.0f,
                               999999.5f,
                               999999.4f,
                               1e6f,
                               1e-4f,
                               9.999995e-5f,
                               0.0001f,
                               123456.5f,
                               std::numeric_limits<float>::max(),
                               -std::numeric_limits<float>::max(),
                               std::numeric_limits<float>::min(),
                               std::numeric_limits<float>::denorm_min(),
                               -std::numeric_limits<float>::denorm_min(),
                               std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity(),
                               std::numeric_limits<float>::quiet_NaN(),
                               -std::numeric_limits<float>::quiet_NaN(),
                               std::numeric_limits<float>::signaling_NaN(),
                               std::bit_cast<float>(0xffc00001u)};
  // Every bit pattern is as likely: exponents, subnormals and not-a-numbers of both signs.
  std::mt19937 rng(20240613);
  for (int i = 0; i < RANDOM_FLOATS; ++i)
    values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(rng())));
  // And the values where six digits round up into a new decade.
  for (int e = -40; e <= 38; ++e) {
    const float decade = std::strtof(("1e" + std::to_string(e)).c_str(), nullptr);
    for (float f = decade; f != 0.0f && std::isfinite(f); f = std::nextafter(f, 0.0f)) {
      values.push_back(f);
      if (decade - f > decade * 1e-6f)
        break;
    }
  }
  std::ostringstream stream;
  for (const float v : values) {
    stream.str("");
    stream << v;
    char text[32];
    const std::string fast(text, formatFloat(text, text + sizeof text, v));
    ASSERT_EQ(fast, stream.str()) << "bits " << std::hex << std::bit_cast<std::uint32_t>(v);
  }
}

TEST(ReportText, OnlyAStreamWithDefaultFloatFormattingTakesTheShortPath) {
  std::ostringstream out;
  EXPECT_TRUE(formatsFloatsByDefault(out));
  for (const auto change :
       {+[](std::ostream& s) { s.precision(7); }, +[](std::ostream& s) { s.width(3); },
        +[](std::ostream& s) { s << std::showpos; }, +[](std::ostream& s) { s << std::fixed; },
        +[](std::ostream& s) { s << std::uppercase; }}) {
    std::ostringstream changed;
    change(changed);
    EXPECT_FALSE(formatsFloatsByDefault(changed));
  }
}

TEST(ReportText, BoxReportIsTheStreamsOwnTextAndKeepsACallersFormatting) {
  for (std::uint32_t seed = 0; seed < 300; ++seed) {
    ConvexHull hull;
    hull.build(hulltest::programCloud(seed));
    OBB box;
    std::ostringstream fast;
    fitBoxToHull(hull, box, fast);
    // boolalpha changes no float text but leaves the default, so the stream writes each number.
    std::ostringstream streamed;
    streamed << std::boolalpha;
    fitBoxToHull(hull, box, streamed);
    ASSERT_EQ(fast.str(), streamed.str()) << "seed " << seed;
    std::ostringstream precise;
    precise.precision(9);
    fitBoxToHull(hull, box, precise);
    std::ostringstream expected;
    expected.precision(9);
    expected << "Constructed OBB \nAxis 0 " << box.axes[0] << "\nAxis 1 " << box.axes[1]
             << "\nAxis 2 " << box.axes[2] << "\nCenter " << box.center << "\nLengths "
             << box.halfLengths << '\n';
    ASSERT_EQ(precise.str(), expected.str()) << "seed " << seed;
  }
}

}  // namespace
