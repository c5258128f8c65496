// Recursive-descent JSON reader for the tests.
#include "bvfit/tests/json_value.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonValue> document(std::string* error) {
    JsonValue value;
    if (value_(value, 0) && (space(), at_ == text_.size()))
      return value;
    if (error != nullptr)
      *error = (reason_.empty() ? "unexpected text" : reason_) + " at " + std::to_string(at_);
    return std::nullopt;
  }

 private:
  bool fail(const char* reason) {
    if (reason_.empty())
      reason_ = reason;
    return false;
  }
  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool take(char c) {
    space();
    if (peek() != c)
      return false;
    ++at_;
    return true;
  }
  void space() {
    while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')
      ++at_;
  }
  bool word(std::string_view w) {
    if (text_.substr(at_, w.size()) != w)
      return fail("bad literal");
    at_ += w.size();
    return true;
  }
  bool digits() {
    const std::size_t start = at_;
    while (peek() >= '0' && peek() <= '9')
      ++at_;
    return at_ > start;
  }

  bool value_(JsonValue& v, int depth) {
    space();
    if (depth > 64)
      return fail("too deep");
    switch (peek()) {
      case '{':
      case '[':
        return container(v, depth);
      case '"':
        v.kind = JsonValue::Kind::String;
        return string(v.string);
      case 't':
        v.kind = JsonValue::Kind::Bool;
        v.boolean = true;
        return word("true");
      case 'f':
        v.kind = JsonValue::Kind::Bool;
        return word("false");
      case 'n':
        return word("null");
      default:
        v.kind = JsonValue::Kind::Number;
        return number(v.number);
    }
  }

  // An object or an array: members or items between brackets, separated by commas.
  bool container(JsonValue& v, int depth) {
    const bool object = text_[at_++] == '{';
    v.kind = object ? JsonValue::Kind::Object : JsonValue::Kind::Array;
    const char close = object ? '}' : ']';
    if (take(close))
      return true;
    do {
      std::string key;
      space();
      if (object && (peek() != '"' || !string(key) || !take(':')))
        return fail("expected a key and ':'");
      JsonValue item;
      if (!value_(item, depth + 1))
        return false;
      if (object)
        v.members.emplace_back(std::move(key), std::move(item));
      else
        v.items.push_back(std::move(item));
    } while (take(','));
    return take(close) || fail("expected ',' or a closing bracket");
  }

  bool number(double& n) {
    const std::size_t start = at_;
    if (peek() == '-')
      ++at_;
    if (peek() == '0')
      ++at_;
    else if (!digits())
      return fail("bad number");
    if (peek() == '.' && (++at_, !digits()))
      return fail("bad fraction");
    if (peek() == 'e' || peek() == 'E') {
      ++at_;
      if (peek() == '+' || peek() == '-')
        ++at_;
      if (!digits())
        return fail("bad exponent");
    }
    n = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
    return true;
  }

  bool hex4(std::uint32_t& code) {
    const char* first = text_.data() + at_;
    const char* last = text_.data() + std::min(text_.size(), at_ + 4);
    const auto [end, error] = std::from_chars(first, last, code, 16);
    if (error != std::errc() || end != first + 4)
      return fail("bad \\u escape");
    at_ += 4;
    return true;
  }

  // One raw UTF-8 sequence, checked strictly (no overlong forms, surrogates or values above
  // U+10FFFF), copied to out.
  bool rawUtf8(std::string& out) {
    const auto lead = static_cast<unsigned char>(peek());
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xc2 && lead <= 0xdf ? 2
                               : lead >= 0xe0 && lead <= 0xef ? 3
                               : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                              : 0;
    if (length == 0 || at_ + length > text_.size())
      return fail("invalid UTF-8");
    std::uint32_t code = length == 1 ? lead : lead & (0xffu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text_[at_ + k]);
      if ((next & 0xc0) != 0x80)
        return fail("invalid UTF-8");
      code = (code << 6) | (next & 0x3fu);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
      return fail("invalid UTF-8");
    out.append(text_.substr(at_, length));
    at_ += length;
    return true;
  }

  bool string(std::string& out) {
    static constexpr std::string_view ESCAPES = "\"\"\\\\//b\bf\fn\nr\rt\t";
    ++at_;  // the opening quote
    for (;;) {
      const char c = peek();
      if (at_ >= text_.size())
        return fail("unterminated string");
      if (c == '"')
        return ++at_, true;
      if (static_cast<unsigned char>(c) < 0x20)
        return fail("control character in string");
      if (c != '\\') {
        if (!rawUtf8(out))
          return false;
        continue;
      }
      const char e = text_[++at_];
      ++at_;
      const std::size_t escape = ESCAPES.find(e);
      if (e != 'u') {
        if (escape == std::string_view::npos || escape % 2 != 0)
          return fail("bad escape");
        out += ESCAPES[escape + 1];
        continue;
      }
      std::uint32_t code = 0;
      std::uint32_t low = 0;
      if (!hex4(code))
        return false;
      if (code >= 0xdc00 && code <= 0xdfff)
        return fail("lone low surrogate");
      if (code >= 0xd800 && code <= 0xdbff) {
        if (!word("\\u") || !hex4(low) || low < 0xdc00 || low > 0xdfff)
          return fail("lone high surrogate");
        code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
      }
      appendUtf8(out, code);
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string reason_;
};

}  // namespace

void appendUtf8(std::string& out, std::uint32_t code) {
  const int tail = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  static constexpr unsigned char LEAD[] = {0x00, 0xc0, 0xe0, 0xf0};
  out += static_cast<char>(LEAD[tail] | (code >> (6 * tail)));
  for (int k = tail - 1; k >= 0; --k)
    out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3f));
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
  for (const auto& [name, value] : members) {
    if (name == key)
      return value;
  }
  throw std::out_of_range("no key " + std::string(key));
}

bool JsonValue::has(std::string_view key) const {
  for (const auto& member : members) {
    if (member.first == key)
      return true;
  }
  return false;
}

std::vector<std::string> JsonValue::keys() const {
  std::vector<std::string> names;
  for (const auto& member : members)
    names.push_back(member.first);
  return names;
}

std::optional<JsonValue> parseJson(std::string_view text, std::string* error) {
  return Reader(text).document(error);
}
