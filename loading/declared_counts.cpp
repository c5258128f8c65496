// Header counts of PLY and OFF files against the file size: a small tokenizer over the
// header text that follows the grammar as leniently as Assimp's readers do, so that it never
// refuses a file they would read correctly.
#include "loading/declared_counts.h"

#include <charconv>
#include <cstddef>
#include <vector>

namespace {

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

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Splits one line into blank-separated words.
std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> result;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) {
      ++i;
    }
    const std::size_t start = i;
    while (i < line.size() && !isBlank(line[i])) {
      ++i;
    }
    if (i > start) {
      result.push_back(line.substr(start, i - start));
    }
  }
  return result;
}

// A decimal count; values beyond 64 bits saturate, which is still "more than the file holds".
std::uint64_t parseCount(std::string_view text, bool& ok) {
  std::uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  ok = end != text.data();
  if (ec == std::errc::result_out_of_range) {
    return UINT64_MAX;
  }
  return value;
}

// Size in bytes of a PLY scalar type, 0 for a name Assimp does not know (it skips those).
std::uint64_t plyTypeSize(std::string_view type) {
  if (type == "char" || type == "int8" || type == "uchar" || type == "uint8") {
    return 1;
  }
  if (type == "short" || type == "int16" || type == "ushort" || type == "uint16") {
    return 2;
  }
  if (type == "int" || type == "int32" || type == "uint" || type == "uint32" || type == "float" ||
      type == "float32") {
    return 4;
  }
  if (type == "double" || type == "float64" || type == "double64") {
    return 8;
  }
  return 0;
}

struct DeclaredElement {
  std::string name;
  std::uint64_t count = 0;
  std::uint64_t minimumBytes = 0;  // of one element
};

std::string countError(const DeclaredElement& element, std::uintmax_t available) {
  return "header declares " + std::to_string(element.count) + " " + element.name +
         " elements, more than the " + std::to_string(available) + " bytes after it can hold";
}

// Adds count * perElement to total; false when the sum would exceed limit.
bool addWithin(std::uint64_t& total, std::uint64_t count, std::uint64_t perElement,
               std::uint64_t limit) {
  if (perElement != 0 && count > (limit - total) / perElement) {
    return false;
  }
  total += count * perElement;
  return true;
}

std::string checkPly(std::string_view head, std::uintmax_t fileSize) {
  bool binary = false;
  std::vector<DeclaredElement> elements;
  std::size_t position = 0;
  while (true) {
    const std::size_t newline = head.find('\n', position);
    if (newline == std::string_view::npos) {
      return "PLY header does not end within its first " + std::to_string(head.size()) + " bytes";
    }
    const std::vector<std::string_view> word = words(head.substr(position, newline - position));
    position = newline + 1;
    if (word.empty()) {
      continue;
    }
    if (word[0] == "end_header") {
      break;
    }
    if (word[0] == "format" && word.size() >= 2) {
      binary = word[1].substr(0, 6) == "binary";
    } else if (word[0] == "element" && word.size() >= 3) {
      bool ok = false;
      DeclaredElement element{std::string(word[1]), parseCount(word[2], ok), 0};
      if (ok) {
        elements.push_back(element);
      }
    } else if (word[0] == "property" && word.size() >= 3 && !elements.empty()) {
      std::uint64_t bytes = 0;
      if (word[1] == "list") {
        bytes = binary ? plyTypeSize(word[2]) : 2;
      } else {
        bytes = binary ? plyTypeSize(word[1]) : 2;
      }
      elements.back().minimumBytes += bytes;
    }
  }
  const std::uintmax_t available = fileSize - position;
  std::uint64_t total = 0;
  for (DeclaredElement& element : elements) {
    // An element without data still takes a line in ASCII; in binary an element of no bytes
    // would let a header ask for any number of them for free.
    if (element.minimumBytes == 0) {
      element.minimumBytes = 1;
    }
    if (!addWithin(total, element.count, element.minimumBytes, available)) {
      return countError(element, available);
    }
  }
  return {};
}

// Skips blanks, line ends and '#' comments, as Assimp's OFF reader does between tokens.
std::size_t skipOffSpace(std::string_view text, std::size_t i) {
  while (i < text.size()) {
    if (isBlank(text[i]) || text[i] == '\n') {
      ++i;
    } else if (text[i] == '#') {
      while (i < text.size() && text[i] != '\n') {
        ++i;
      }
    } else {
      break;
    }
  }
  return i;
}

std::string_view nextToken(std::string_view text, std::size_t& i) {
  i = skipOffSpace(text, i);
  const std::size_t start = i;
  while (i < text.size() && !isBlank(text[i]) && text[i] != '\n' && text[i] != '#') {
    ++i;
  }
  return text.substr(start, i - start);
}

// The OFF keyword and its prefixes: [ST][C][N][4][n]OFF.
bool isOffKeyword(std::string_view token, bool& hasDimension) {
  if (token.size() < 3 || token.substr(token.size() - 3) != "OFF") {
    return false;
  }
  std::string_view prefix = token.substr(0, token.size() - 3);
  for (std::string_view part : {"ST", "C", "N", "4", "n"}) {
    if (prefix.substr(0, part.size()) == part) {
      prefix.remove_prefix(part.size());
      hasDimension = part == "n";
    }
  }
  return prefix.empty();
}

std::string checkOff(std::string_view head, std::uintmax_t fileSize, std::string_view extension) {
  std::size_t i = 0;
  std::string_view token = nextToken(head, i);
  bool hasDimension = false;
  if (isOffKeyword(token, hasDimension)) {
    token = nextToken(head, i);
  } else if (extension != "off") {
    return {};
  }
  bool ok = false;
  std::uint64_t dimensions = 3;
  if (hasDimension) {
    dimensions = parseCount(token, ok);
    token = nextToken(head, i);
  }
  const std::uint64_t vertices = parseCount(token, ok);
  if (!ok) {
    return {};
  }
  const std::uint64_t faces = parseCount(nextToken(head, i), ok);
  if (!ok) {
    return {};
  }
  const std::uintmax_t available = fileSize - std::min<std::uintmax_t>(i, fileSize);
  std::uint64_t total = 0;
  // One line per vertex, a digit and a blank per coordinate; one per face, "0\n" at least.
  const DeclaredElement vertex{"vertex", vertices, 2 * std::max<std::uint64_t>(dimensions, 1)};
  const DeclaredElement face{"face", faces, 2};
  if (!addWithin(total, vertex.count, vertex.minimumBytes, available)) {
    return countError(vertex, available);
  }
  if (!addWithin(total, face.count, face.minimumBytes, available)) {
    return countError(face, available);
  }
  return {};
}

}  // namespace

std::string checkDeclaredCounts(std::string_view head, std::uintmax_t fileSize,
                                std::string_view extension) {
  if (startsWithCaseless(head, "ply") && head.size() > 3 && (isBlank(head[3]) || head[3] == '\n')) {
    return checkPly(head, fileSize);
  }
  return checkOff(head, fileSize, extension);
}
