// The tests' JSON reader is only worth its checks if it is strict: it must refuse what
// RFC 8259 refuses (and escaped surrogates, which bvfit never writes), and read back the rest.
#include "bvfit/tests/json_value.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonValue, RefusesWhatTheStandardRefusesAndReadsTheRest) {
  // Structure and numbers, then strings.
  for (const char* bad : {"", "{", "{\"a\":1,}", "[1,]", "01", "1.", "+1", "nul", "1e+", "-",
                          "{} {}", "{'a':1}", "[1 2]"}) {
    EXPECT_FALSE(parseJson(bad).has_value()) << testing::PrintToString(bad);
  }
  for (const char* bad :
       {"\"\t\"", "\"\\x\"", "\"\\ud800\"", "\"\\udc00\"", "\"\\ud83d\\ude00\"", "\"\\", "\"\xff\"",
        "\"\xc0\xaf\"", "\"\xe0\x80\xaf\"", "\"\xed\xa0\x80\"", "\"\\u12\""}) {
    EXPECT_FALSE(parseJson(bad).has_value()) << testing::PrintToString(bad);
  }
  const auto value = parseJson(
      " {\"a\": [1, -0.5e+2, true, false, null], \"b\\u00e9\": \"\xf0\x9f\x98\x80\\u0001\\n\"} ");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->keys(), (std::vector<std::string>{"a", "b\xc3\xa9"}));
  EXPECT_EQ((*value)["a"].items[1].number, -50);
  EXPECT_EQ((*value)["b\xc3\xa9"].string, "\xf0\x9f\x98\x80\x01\n");
  EXPECT_THROW((void)(*value)["c"], std::out_of_range);
}

}  // namespace
