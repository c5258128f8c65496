// Tests of the plain point-list reader: the accepted forms, exact round trips of every float,
// independence from the locale, and one error line with the right line and point number for
// each kind of bad input.
#include "loading/point_list.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <sstream>

#include "loading/tests/model_files.h"

namespace {

LoadResult read(const std::string& text) {
  std::istringstream in(text);
  return readPointList(in, "cloud.xyz");
}

TEST(PointList, AcceptsEverySeparatorCommentHeaderAndLineEnd) {
  const std::string text =
      "\xEF\xBB\xBF"  // byte order mark
      "# scanned part\n"
      "3\n"  // a point count, as .pts files begin
      "1 2 3\n"
      "\n"
      "  4\t5\t6   # trailing comment\r\n"
      "7,8,9\n"
      "-1.5, +2.5e1 ,\t3e-2 255 128 0 0.1 0.2 0.3\n"  // colours and normals ignored
      "\t\n"
      "1e-40 -0 .5";  // no final line end
  const LoadResult result = read(text);
  ASSERT_TRUE(result.ok()) << result.error;
  const std::vector<Triple> expected = {
      {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {-1.5f, 25, 0.03f}, {1e-40f, -0.0f, 0.5f}};
  EXPECT_EQ(triples(result.points), expected);
  EXPECT_TRUE(std::signbit(result.points.back().y));

  const LoadResult named = read("x,y,z,intensity\n1,2,3,0.5\n");
  ASSERT_TRUE(named.ok()) << named.error;
  EXPECT_EQ(triples(named.points), (std::vector<Triple>{{1, 2, 3}}));
}

// Shortest round-trip text of random floats of every magnitude comes back bit for bit, with
// random separators: blanks or commas within a line, as the decimal-comma check demands.
TEST(PointList, EveryFloatComesBackExactlyFromItsShortestText) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::uint32_t> anyBits;
  const char* separators[2][3] = {{" ", "\t", "   "}, {",", ", ", " ,\t"}};
  std::uniform_int_distribution<int> pickSeparator(0, 2);
  for (int file = 0; file < 200; ++file) {
    std::vector<Vector3> written;
    std::string text;
    for (int i = 0; i < 50; ++i) {
      const int style = i % 2;
      Vector3 p;
      for (int axis = 0; axis < 3; ++axis) {
        do {
          p[axis] = std::bit_cast<float>(anyBits(random));
        } while (!std::isfinite(p[axis]));
        char buffer[64];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, p[axis]).ptr;
        text.append(buffer, end);
        text += axis < 2 ? separators[style][pickSeparator(random)] : "\n";
      }
      written.push_back(p);
    }
    const LoadResult result = read(text);
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(bits(result.points), bits(written)) << "file " << file;
  }
}

// A program that set a locale with a decimal comma must still read "1.5" as one and a half.
TEST(PointList, NumbersDoNotDependOnTheLocale) {
  struct DecimalComma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
  };
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
  std::istringstream in("1.5 2.25 -3.125\n");
  in.imbue(std::locale());
  const LoadResult result = readPointList(in, "cloud.xyz");
  std::locale::global(previous);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(triples(result.points), (std::vector<Triple>{{1.5f, 2.25f, -3.125f}}));
}

TEST(PointList, EachBadInputGivesOneLineNamingTheLineOrPoint) {
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"1 2\n", "cloud.xyz: line 1: expected three coordinates, found 2"},
      {"# c\n1 2 3\n4,5\n", "cloud.xyz: line 3: expected three coordinates, found 2"},
      {"1 2 3\n4 x 6\n", "cloud.xyz: line 2: 'x' is not a number"},
      {"1 2 3abc\n", "cloud.xyz: line 1: '3abc' is not a number"},
      {"1;2;3\n", "cloud.xyz: line 1: expected three coordinates, found 1"},
      {"1 2 3\n1,5 2,5 3,5\n",
       "cloud.xyz: line 2: '1,5 2,5 3,5' mixes commas and blanks between numbers: decimal commas "
       "are not read, write a decimal point"},
      {"x,y,z\n1,2,3\nx,y,z\n", "cloud.xyz: line 3: 'x' is not a number"},
      {"1 2 3\n\n# gap\nnan 1 1\n", "cloud.xyz: point 2 has a non-finite coordinate (line 4)"},
      {"1 2 -inf\n", "cloud.xyz: point 1 has a non-finite coordinate (line 1)"},
      {"0 0 0\n1e39 0 0\n", "cloud.xyz: point 2 has a coordinate outside the float range (line 2)"},
      {"# nothing but comments\n\n", "cloud.xyz: no points"},
      {"", "cloud.xyz: no points"},
      {std::string(70000, '1') + " 2 3\n", "cloud.xyz: line 1 is longer than 65536 bytes"},
      {"1 2 3\n\x01\x02\xff\xfe zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz 3\n",
       "cloud.xyz: line 2: '\?\?\?\?' is not a number"},
      {"1 2 3\n4 5 zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\n",
       "cloud.xyz: line 2: 'zzzzzzzzzzzzzzzzzzzzzzzz...' is not a number"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read(c.text).error, c.error) << c.text.substr(0, 80);
  }
}

}  // namespace
