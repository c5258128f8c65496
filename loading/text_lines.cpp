// Line reading, word splitting and number parsing for the text mesh readers: std::from_chars
// throughout, so numbers are read in the C locale and rounded once, as the point-list reader
// reads them.
#include "loading/text_lines.h"

#include <charconv>
#include <cmath>
#include <system_error>

bool LineReader::next(std::string_view& line) {
  constexpr std::size_t CHUNK = 1 << 16;
  while (error_.empty()) {
    const std::size_t newline = buffer_.find('\n', start_);
    if (newline != std::string::npos || (ended_ && start_ < buffer_.size())) {
      const std::size_t end = newline == std::string::npos ? buffer_.size() : newline;
      if (end - start_ > MAX_LINE) {
        error_ = "line " + std::to_string(lineNumber_ + 1) + " is longer than " +
                 std::to_string(MAX_LINE) + " bytes";
        return false;
      }
      line = std::string_view(buffer_).substr(start_, end - start_);
      if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
      }
      start_ = newline == std::string::npos ? buffer_.size() : newline + 1;
      ++lineNumber_;
      return true;
    }
    if (ended_) {
      return false;
    }
    if (buffer_.size() - start_ > MAX_LINE) {
      error_ = "line " + std::to_string(lineNumber_ + 1) + " is longer than " +
               std::to_string(MAX_LINE) + " bytes";
      return false;
    }
    buffer_.erase(0, start_);
    start_ = 0;
    const std::size_t kept = buffer_.size();
    buffer_.resize(kept + CHUNK);
    in_.read(buffer_.data() + kept, static_cast<std::streamsize>(CHUNK));
    buffer_.resize(kept + static_cast<std::size_t>(in_.gcount()));
    if (in_.bad()) {
      error_ = "cannot be read (a read error after line " + std::to_string(lineNumber_) + ")";
      return false;
    }
    ended_ = !in_;
  }
  return false;
}

bool isBlankCharacter(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Words::next() {
  while (at_ < text_.size() && isBlankCharacter(text_[at_])) {
    ++at_;
  }
  const std::size_t start = at_;
  while (at_ < text_.size() && !isBlankCharacter(text_[at_])) {
    ++at_;
  }
  return text_.substr(start, at_ - start);
}

std::string_view Words::rest() {
  while (at_ < text_.size() && isBlankCharacter(text_[at_])) {
    ++at_;
  }
  return text_.substr(at_);
}

std::string_view withoutComment(std::string_view line) {
  return line.substr(0, line.find('#'));
}

namespace {

// from_chars refuses a leading '+'; the formats allow it.
std::string_view withoutPlus(std::string_view word) {
  if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+') {
    word.remove_prefix(1);
  }
  return word;
}

template <typename Real>
std::optional<Real> parseReal(std::string_view word) {
  word = withoutPlus(word);
  const char* first = word.data();
  const char* last = first + word.size();
  Real value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (end != last || word.empty()) {
    return std::nullopt;
  }
  if (ec == std::errc::result_out_of_range) {
    // Beyond the range or below its smallest subnormal; long double tells which, and what is
    // tiny is zero or subnormal, not an error.
    long double wide = 0;
    const auto [wideEnd, wideEc] = std::from_chars(first, last, wide);
    if (wideEc == std::errc{} && wideEnd == last && std::fabs(wide) < 1) {
      return static_cast<Real>(wide);
    }
    return std::nullopt;
  }
  return ec == std::errc{} ? std::optional<Real>(value) : std::nullopt;
}

}  // namespace

std::optional<float> parseFloatWord(std::string_view word) {
  return parseReal<float>(word);
}

std::optional<double> parseDoubleWord(std::string_view word) {
  return parseReal<double>(word);
}

std::optional<std::int64_t> parseIntegerWord(std::string_view word) {
  word = withoutPlus(word);
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc{} || end != word.data() + word.size() || word.empty()) {
    return std::nullopt;
  }
  return value;
}

std::string notANumber(std::size_t line, std::string_view word) {
  constexpr std::size_t SHOWN = 40;
  std::string shown(word.substr(0, SHOWN));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) {
      c = '?';
    }
  }
  return "line " + std::to_string(line) + ": cannot read '" + shown +
         (word.size() > SHOWN ? "...'" : "'") + " as a real number";
}

bool appendFan(const std::vector<std::uint32_t>& corners, std::vector<Triangle>& triangles) {
  if (corners.size() < 3) {
    return true;
  }
  if (triangles.size() + (corners.size() - 2) > MAX_LOADED_TRIANGLES) {
    return false;
  }
  for (std::size_t c = 2; c < corners.size(); ++c) {
    triangles.push_back({corners[0], corners[c - 1], corners[c]});
  }
  return true;
}

LoadResult finishedMesh(std::vector<Vector3> points, std::vector<Triangle> triangles,
                        const std::string& name) {
  if (points.empty()) {
    return LoadResult::failure(name, "no vertices");
  }
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vector3& p = points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return LoadResult::failure(name,
                                 "point " + std::to_string(i + 1) + " has a non-finite coordinate");
    }
  }
  for (const Triangle& triangle : triangles) {
    for (const std::uint32_t index : triangle) {
      if (index >= points.size()) {
        return LoadResult::failure(name, "a face refers to vertex " + std::to_string(index) +
                                             " of a mesh of " + std::to_string(points.size()));
      }
    }
  }
  LoadResult result;
  result.points = std::move(points);
  result.triangles = std::move(triangles);
  return result;
}

bool startsWithCaseless(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
    if (c != prefix[i]) {
      return false;
    }
  }
  return true;
}
