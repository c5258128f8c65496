// Recursive-descent JSON reader for the tests.
#include "bvfit/tests/json_value.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonValue> document(std::string* error) {
    JsonValue value;
    skipSpace();
    const bool ok = parseValue(value, 0) && (skipSpace(), at_ == text_.size());
    if (!ok) {
      if (error != nullptr)
        *error = (reason_.empty() ? "unexpected text" : reason_) + " at " + std::to_string(at_);
      return std::nullopt;
    }
    return value;
  }

 private:
  bool fail(const char* reason) {
    if (reason_.empty())
      reason_ = reason;
    return false;
  }
  bool more() const { return at_ < text_.size(); }
  char peek() const { return more() ? text_[at_] : '\0'; }
  void skipSpace() {
    while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
      ++at_;
  }
  bool literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word)
      return fail("bad literal");
    at_ += word.size();
    return true;
  }

  bool parseValue(JsonValue& value, int depth) {
    if (depth > 64)
      return fail("too deep");
    switch (peek()) {
      case '{':
        return parseObject(value, depth);
      case '[':
        return parseArray(value, depth);
      case '"':
        value.kind = JsonValue::Kind::String;
        return parseString(value.string);
      case 't':
        value.kind = JsonValue::Kind::Bool;
        value.boolean = true;
        return literal("true");
      case 'f':
        value.kind = JsonValue::Kind::Bool;
        return literal("false");
      case 'n':
        value.kind = JsonValue::Kind::Null;
        return literal("null");
      default:
        value.kind = JsonValue::Kind::Number;
        return parseNumber(value.number);
    }
  }

  bool parseObject(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Object;
    ++at_;
    skipSpace();
    if (peek() == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      skipSpace();
      std::string key;
      if (peek() != '"' || !parseString(key))
        return fail("expected a key");
      skipSpace();
      if (peek() != ':')
        return fail("expected ':'");
      ++at_;
      skipSpace();
      JsonValue member;
      if (!parseValue(member, depth + 1))
        return false;
      value.members.emplace_back(std::move(key), std::move(member));
      skipSpace();
      if (peek() == '}') {
        ++at_;
        return true;
      }
      if (peek() != ',')
        return fail("expected ',' or '}'");
      ++at_;
    }
  }

  bool parseArray(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Array;
    ++at_;
    skipSpace();
    if (peek() == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      skipSpace();
      JsonValue item;
      if (!parseValue(item, depth + 1))
        return false;
      value.items.push_back(std::move(item));
      skipSpace();
      if (peek() == ']') {
        ++at_;
        return true;
      }
      if (peek() != ',')
        return fail("expected ',' or ']'");
      ++at_;
    }
  }

  bool digits() {
    const std::size_t start = at_;
    while (peek() >= '0' && peek() <= '9')
      ++at_;
    return at_ > start;
  }

  bool parseNumber(double& number) {
    const std::size_t start = at_;
    if (peek() == '-')
      ++at_;
    if (peek() == '0') {
      ++at_;
    } else if (!digits()) {
      return fail("bad number");
    }
    if (peek() == '.') {
      ++at_;
      if (!digits())
        return fail("bad fraction");
    }
    if (peek() == 'e' || peek() == 'E') {
      ++at_;
      if (peek() == '+' || peek() == '-')
        ++at_;
      if (!digits())
        return fail("bad exponent");
    }
    number = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
    return true;
  }

  bool hex4(std::uint32_t& code) {
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = peek();
      ++at_;
      code <<= 4;
      if (c >= '0' && c <= '9')
        code |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        code |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        code |= static_cast<std::uint32_t>(c - 'A' + 10);
      else
        return fail("bad \\u escape");
    }
    return true;
  }

  // One raw UTF-8 sequence, checked strictly, copied to out.
  bool rawUtf8(std::string& out) {
    const auto lead = static_cast<unsigned char>(peek());
    const int length = lead < 0x80                    ? 1
                       : lead >= 0xc2 && lead <= 0xdf ? 2
                       : lead >= 0xe0 && lead <= 0xef ? 3
                       : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                      : 0;
    if (length == 0 || at_ + static_cast<std::size_t>(length) > text_.size())
      return fail("invalid UTF-8");
    std::uint32_t code = length == 1 ? lead : lead & (0xff >> (length + 1));
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text_[at_ + static_cast<std::size_t>(k)]);
      if ((next & 0xc0) != 0x80)
        return fail("invalid UTF-8");
      code = (code << 6) | (next & 0x3fu);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
      return fail("invalid UTF-8");
    out.append(text_.substr(at_, static_cast<std::size_t>(length)));
    at_ += static_cast<std::size_t>(length);
    return true;
  }

  bool parseString(std::string& out) {
    ++at_;  // the opening quote
    for (;;) {
      if (!more())
        return fail("unterminated string");
      const char c = peek();
      if (c == '"') {
        ++at_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20)
        return fail("control character in string");
      if (c != '\\') {
        if (!rawUtf8(out))
          return false;
        continue;
      }
      ++at_;
      const char e = peek();
      ++at_;
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t code = 0;
          if (!hex4(code))
            return false;
          if (code >= 0xdc00 && code <= 0xdfff)
            return fail("lone low surrogate");
          if (code >= 0xd800 && code <= 0xdbff) {
            std::uint32_t low = 0;
            if (!literal("\\u") || !hex4(low) || low < 0xdc00 || low > 0xdfff)
              return fail("lone high surrogate");
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
          }
          appendUtf8(out, code);
          break;
        }
        default:
          return fail("bad escape");
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string reason_;
};

}  // namespace

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xc0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xe0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  }
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
