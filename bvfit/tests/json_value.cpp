// Recursive-descent JSON reader for the tests, one function per production of RFC 8259.
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
    if (read(value, 0) && (space(), at_ == text_.size()))
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
  unsigned char peek(std::size_t ahead = 0) const {
    return at_ + ahead < text_.size() ? static_cast<unsigned char>(text_[at_ + ahead]) : 0;
  }
  void space() {
    while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')
      ++at_;
  }
  bool take(char c) {
    space();
    return peek() == c && (++at_, true);
  }
  bool digits() {
    const std::size_t start = at_;
    while (peek() >= '0' && peek() <= '9')
      ++at_;
    return at_ > start;
  }

  bool read(JsonValue& v, int depth) {
    space();
    if (depth > 64)
      return fail("too deep");
    if (peek() == '{' || peek() == '[')
      return container(v, depth);
    if (peek() == '"')
      return v.kind = JsonValue::Kind::String, string(v.string);
    for (const std::string_view word : {"true", "false", "null"}) {
      if (text_.substr(at_, word.size()) == word) {
        at_ += word.size();
        v.kind = word == "null" ? JsonValue::Kind::Null : JsonValue::Kind::Bool;
        v.boolean = word == "true";
        return true;
      }
    }
    v.kind = JsonValue::Kind::Number;
    return number(v.number);
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
      if (!read(item, depth + 1))
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
    at_ += peek() == '-' ? 1 : 0;
    if (!(peek() == '0' ? (++at_, true) : digits()) || (peek() == '.' && (++at_, !digits())))
      return fail("bad number");
    if (peek() == 'e' || peek() == 'E') {
      at_ += peek(1) == '+' || peek(1) == '-' ? 2 : 1;
      if (!digits())
        return fail("bad exponent");
    }
    n = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
    return true;
  }

  // One raw UTF-8 sequence, checked strictly (no overlong forms, surrogates or values above
  // U+10FFFF), copied to out.
  bool rawUtf8(std::string& out) {
    const unsigned lead = peek();
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xc2 ? 0
                               : lead < 0xe0 ? 2
                               : lead < 0xf0 ? 3
                               : lead < 0xf5 ? 4
                                             : 0;
    std::uint32_t code = length == 1 ? lead : lead & (0x7fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
      if ((peek(k) & 0xc0) != 0x80)
        return fail("invalid UTF-8");
      code = (code << 6) | (peek(k) & 0x3fu);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (length == 0 || code < smallest[length] || code > 0x10ffff ||
        (code >= 0xd800 && code <= 0xdfff))
      return fail("invalid UTF-8");
    out.append(text_.substr(at_, length));
    at_ += length;
    return true;
  }

  // bvfit writes characters beyond ASCII as they are, so an escaped surrogate (half of a
  // character beyond U+FFFF) is refused rather than paired.
  bool string(std::string& out) {
    static constexpr std::string_view ESCAPES = "\"\"\\\\//b\bf\fn\nr\rt\t";
    for (++at_; peek() != '"';) {
      if (at_ >= text_.size() || peek() < 0x20)
        return fail("unterminated string or control character in it");
      if (peek() != '\\') {
        if (!rawUtf8(out))
          return false;
        continue;
      }
      const unsigned char kind = peek(1);
      const std::size_t escape = ESCAPES.find(static_cast<char>(kind));
      at_ += 2;
      if (escape != std::string_view::npos && escape % 2 == 0) {
        out += ESCAPES[escape + 1];
        continue;
      }
      std::uint32_t code = 0;
      const char* first = text_.data() + at_;
      const char* last = text_.data() + std::min(text_.size(), at_ + 4);
      if (kind != 'u' || std::from_chars(first, last, code, 16).ptr != first + 4 ||
          (code >= 0xd800 && code <= 0xdfff))
        return fail("bad escape");
      at_ += 4;
      appendUtf8(out, code);
    }
    ++at_;
    return true;
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

const JsonValue* JsonValue::find(std::string_view key) const {
  for (const auto& [name, value] : members) {
    if (name == key)
      return &value;
  }
  return nullptr;
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
  const JsonValue* value = find(key);
  return value != nullptr ? *value : throw std::out_of_range("no key " + std::string(key));
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
