// The pieces the text mesh readers (text_meshes.h) share: a bounded line reader, blank-separated
// words, correctly rounded numbers, and the final checks every loaded mesh passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loading/model_loader.h"

// True when text starts with prefix, ASCII letters of text compared in lower case (prefix is
// lower case).
bool startsWithCaseless(std::string_view text, std::string_view prefix);

// Lines of a stream, read in chunks: memory stays bounded by the longest line allowed.
class LineReader {
 public:
  static constexpr std::size_t MAX_LINE = std::size_t{1} << 20;

  explicit LineReader(std::istream& in) : in_(in) {}

  // The next line without its line end ("\n" or "\r\n"); false at the end of the stream or on
  // an error, which error() then names ("line 7 is longer than ...", a read failure).
  bool next(std::string_view& line);
  std::size_t lineNumber() const { return lineNumber_; }
  const std::string& error() const { return error_; }

 private:
  std::istream& in_;
  std::string buffer_;
  std::size_t start_ = 0;
  bool ended_ = false;
  std::size_t lineNumber_ = 0;
  std::string error_;
};

// Splits text at blanks (space, tab, CR, VT, FF) into its words.
class Words {
 public:
  explicit Words(std::string_view text) : text_(text) {}
  // The next word, or an empty view when none is left.
  std::string_view next();
  // What follows the last word returned, leading blanks skipped.
  std::string_view rest();

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

bool isBlankCharacter(char c);

// The line with everything from the first '#' removed.
std::string_view withoutComment(std::string_view line);

// A whole word as a float, rounded once: nullopt for no number or one beyond the float range.
std::optional<float> parseFloatWord(std::string_view word);
// The same in double (for values that are divided before they are rounded to float).
std::optional<double> parseDoubleWord(std::string_view word);
// A whole word as a non-negative or negative integer; nullopt for anything else.
std::optional<std::int64_t> parseIntegerWord(std::string_view word);

// "line 7: cannot read 'abc' as a real number" (the word shortened to 40 bytes).
std::string notANumber(std::size_t line, std::string_view word);

// The result of a reader that read points and triangles: refused when there are no points,
// when a coordinate is not finite or when a triangle names a point that does not exist.
LoadResult finishedMesh(std::vector<Vector3> points, std::vector<Triangle> triangles,
                        const std::string& name);

// The fan (c0, c1, c2), (c0, c2, c3), ... of a face, appended; false (and nothing appended)
// when that would pass MAX_LOADED_TRIANGLES.
bool appendFan(const std::vector<std::uint32_t>& corners, std::vector<Triangle>& triangles);
