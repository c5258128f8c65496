// Plain text point lists: a line reader with a length bound and a locale-independent number
// parser (std::from_chars), so a file of any size is read in one pass and bounded memory.
#include "loading/point_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t MAX_LINE_LENGTH = 65536;

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\v' || c == '\f';
}

// The fields of one line, comment removed. Only the first four are kept: three coordinates
// and whether anything follows.
struct Fields {
  std::string_view field[3];
  std::size_t count = 0;
  // A bare comma between two digits ("1,5") and a run of blanks alone elsewhere on the line:
  // what a decimal-comma locale writes ("1,5 2,5 3,5"), which would silently read as 1, 5, 2.
  bool decimalCommas = false;
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

Fields splitFields(std::string_view line) {
  if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
    line = line.substr(0, hash);
  }
  Fields fields;
  bool bareComma = false;
  bool blanksOnly = false;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t runStart = i;
    std::size_t commas = 0;
    while (i < line.size() && isSeparator(line[i])) {
      commas += line[i] == ',' ? 1 : 0;
      ++i;
    }
    if (i == line.size()) {
      break;
    }
    if (runStart > 0 && i > runStart) {
      const std::size_t length = i - runStart;
      bareComma = bareComma ||
                  (length == 1 && commas == 1 && isDigit(line[runStart - 1]) && isDigit(line[i]));
      blanksOnly = blanksOnly || commas == 0;
    }
    const std::size_t start = i;
    while (i < line.size() && !isSeparator(line[i])) {
      ++i;
    }
    if (fields.count < 3) {
      fields.field[fields.count] = line.substr(start, i - start);
    }
    ++fields.count;
  }
  fields.decimalCommas = bareComma && blanksOnly;
  return fields;
}

enum class Parsed { Number, NotANumber, OutOfRange };

// One whole field as a float, rounded once. A leading '+' is allowed (from_chars refuses it).
Parsed parseFloat(std::string_view text, float& value) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') {
    text.remove_prefix(1);
  }
  const char* first = text.data();
  const char* last = first + text.size();
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range && end == last) {
    // Either beyond the float range or below its smallest subnormal. Long double reaches far
    // enough either way to tell which; what is tiny is zero or subnormal, not an error.
    long double wide = 0;
    auto [wideEnd, wideEc] = std::from_chars(first, last, wide);
    if (wideEc == std::errc{} && wideEnd == last && std::fabs(wide) < 1) {
      value = static_cast<float>(wide);
      return Parsed::Number;
    }
    return Parsed::OutOfRange;
  }
  return ec == std::errc{} && end == last ? Parsed::Number : Parsed::NotANumber;
}

bool isInteger(std::string_view text) {
  if (text.empty()) {
    return false;
  }
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '"';
}

// A first line that is not a point: a point count, or column names (every field begins with a
// letter and none is a number, so "x,y,z" is a header and "inf,1,2" is not).
bool isHeader(std::string_view line, const Fields& fields) {
  if (fields.count == 1 && isInteger(fields.field[0])) {
    return true;
  }
  // Look at every field, not only the first three.
  std::size_t i = 0;
  bool any = false;
  while (i < line.size() && line[i] != '#') {
    while (i < line.size() && isSeparator(line[i])) {
      ++i;
    }
    const std::size_t start = i;
    while (i < line.size() && !isSeparator(line[i]) && line[i] != '#') {
      ++i;
    }
    if (i == start) {
      break;
    }
    float ignored = 0;
    const std::string_view field = line.substr(start, i - start);
    if (!isLetter(field[0]) || parseFloat(field, ignored) != Parsed::NotANumber) {
      return false;
    }
    any = true;
  }
  return any;
}

// A field as the error line shows it: at most 24 characters, printable ASCII only, so that
// garbage cannot break the one-line form or a terminal.
std::string quoted(std::string_view field) {
  constexpr std::size_t SHOWN = 24;
  std::string text = "'";
  for (std::size_t i = 0; i < std::min(field.size(), SHOWN); ++i) {
    const char c = field[i];
    text += c >= ' ' && c <= '~' ? c : '?';
  }
  return text + (field.size() > SHOWN ? "...'" : "'");
}

LoadResult failure(const std::string& name, const std::string& reason) {
  LoadResult result;
  result.error = name + ": " + reason;
  return result;
}

}  // namespace

LoadResult readPointList(std::istream& in, const std::string& name) {
  LoadResult result;
  std::vector<char> buffer(MAX_LINE_LENGTH + 2);
  bool headerAllowed = true;
  for (std::size_t lineNumber = 1;; ++lineNumber) {
    in.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto extracted = static_cast<std::size_t>(in.gcount());
    if (in.bad()) {
      return failure(name, "read error at line " + std::to_string(lineNumber));
    }
    const bool atEnd = in.eof();
    if (in.fail()) {
      if (atEnd && extracted == 0) {
        break;
      }
      if (!atEnd) {
        return failure(name, "line " + std::to_string(lineNumber) + " is longer than " +
                                 std::to_string(MAX_LINE_LENGTH) + " bytes");
      }
    }
    // gcount includes the newline when one was taken.
    std::string_view line(buffer.data(), atEnd ? extracted : extracted - 1);
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") {
      line.remove_prefix(3);
    }
    if (line.size() > MAX_LINE_LENGTH) {
      return failure(name, "line " + std::to_string(lineNumber) + " is longer than " +
                               std::to_string(MAX_LINE_LENGTH) + " bytes");
    }
    const Fields fields = splitFields(line);
    if (fields.count > 0) {
      if (headerAllowed && isHeader(line, fields)) {
        headerAllowed = false;
      } else {
        headerAllowed = false;
        if (fields.decimalCommas) {
          return failure(name, "line " + std::to_string(lineNumber) + ": " + quoted(line) +
                                   " mixes commas and blanks between numbers: decimal commas are "
                                   "not read, write a decimal point");
        }
        if (fields.count < 3) {
          return failure(name, "line " + std::to_string(lineNumber) +
                                   ": expected three coordinates, found " +
                                   std::to_string(fields.count));
        }
        Vector3 p;
        for (int axis = 0; axis < 3; ++axis) {
          const Parsed parsed = parseFloat(fields.field[axis], p[axis]);
          if (parsed == Parsed::NotANumber) {
            return failure(name, "line " + std::to_string(lineNumber) + ": " +
                                     quoted(fields.field[axis]) + " is not a number");
          }
          if (parsed == Parsed::OutOfRange) {
            return failure(name, "point " + std::to_string(result.points.size() + 1) +
                                     " has a coordinate outside the float range (line " +
                                     std::to_string(lineNumber) + ")");
          }
        }
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
          return failure(name, "point " + std::to_string(result.points.size() + 1) +
                                   " has a non-finite coordinate (line " +
                                   std::to_string(lineNumber) + ")");
        }
        if (result.points.size() == MAX_LOADED_POINTS) {
          return failure(name, "more than " + std::to_string(MAX_LOADED_POINTS) + " points");
        }
        result.points.push_back(p);
      }
    }
    if (atEnd) {
      break;
    }
  }
  if (result.points.empty()) {
    return failure(name, "no points");
  }
  return result;
}
