// A strict JSON reader (RFC 8259) for the tests: bvfit's output must parse, and the tests
// read its values back. Rejects what a lenient reader would let through: trailing commas,
// leading zeros, bare control characters in strings, invalid UTF-8, anything after the value;
// and escaped surrogates, which bvfit never writes (it writes UTF-8 as it is).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<JsonValue> items;                            // of an array
  std::vector<std::pair<std::string, JsonValue>> members;  // of an object, in order

  // The member with this key; throws std::out_of_range naming the key when there is none.
  const JsonValue& operator[](std::string_view key) const;
  // The member with this key, or nullptr.
  const JsonValue* find(std::string_view key) const;
  std::vector<std::string> keys() const;
};

// Appends the UTF-8 form of a Unicode code point (not a surrogate) to out.
void appendUtf8(std::string& out, std::uint32_t code);

// The value of the whole text, or nothing (with the reason and offset in *error).
std::optional<JsonValue> parseJson(std::string_view text, std::string* error = nullptr);
