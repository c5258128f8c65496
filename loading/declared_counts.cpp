// Header counts of PLY, OFF and binary STL files against the file size: a small tokenizer
// over the header that follows the grammar as leniently as Assimp's readers do, so that it
// never refuses a file they would read correctly.
#include "loading/declared_counts.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
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
  return ec == std::errc::result_out_of_range ? UINT64_MAX : value;
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
  std::string name;  // plural: "vertices", "\"vertex\" elements"
  std::uint64_t count = 0;
  std::uint64_t minimumBytes = 0;  // of one element
};

// Checks that the elements, one kind after the other, fit into the bytes after the header.
std::string checkElements(const std::vector<DeclaredElement>& elements, std::uintmax_t available) {
  std::uint64_t total = 0;  // never above available
  for (const DeclaredElement& element : elements) {
    const std::uint64_t room = available - total;
    if (element.minimumBytes != 0 && element.count > room / element.minimumBytes) {
      const bool overflows = element.count > (UINT64_MAX - total) / element.minimumBytes;
      const std::string needed = overflows
                                     ? "more than " + std::to_string(UINT64_MAX)
                                     : std::to_string(total + element.count * element.minimumBytes);
      return "file ends early: its header declares " + std::to_string(element.count) + " " +
             element.name + ", which need at least " + needed +
             " bytes after the header, but only " + std::to_string(available) + " follow";
    }
    total += element.count * element.minimumBytes;
  }
  return {};
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
      const std::uint64_t count = parseCount(word[2], ok);
      if (ok) {
        elements.push_back({"\"" + std::string(word[1]) + "\" elements", count, 0});
      }
    } else if (word[0] == "property" && word.size() >= 3 && !elements.empty()) {
      // A list takes at least its count (binary) or one number (ASCII); it may be empty.
      const std::string_view type = word[1] == "list" ? word[2] : word[1];
      elements.back().minimumBytes += binary ? plyTypeSize(type) : 2;
    }
  }
  for (DeclaredElement& element : elements) {
    // An element without data still takes a line in ASCII; in binary an element of no bytes
    // would let a header ask for any number of them for free.
    element.minimumBytes = std::max<std::uint64_t>(element.minimumBytes, 1);
  }
  return checkElements(elements, fileSize - std::min<std::uintmax_t>(position, fileSize));
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

// The OFF keyword with its optional prefixes, in this order: ST, C, N, 4, n.
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
  // One line per vertex, a digit and a blank per coordinate; one per face, "0\n" at least.
  const std::uint64_t perVertex = 2 * std::clamp<std::uint64_t>(dimensions, 1, 3);
  return checkElements({{"vertices", vertices, perVertex}, {"faces", faces, 2}},
                       fileSize - std::min<std::uintmax_t>(i, fileSize));
}

// Binary STL: an 80-byte header, a 32-bit little-endian triangle count and 50 bytes per
// triangle. Assimp takes a file for binary when it does not begin with "solid" and then
// refuses any other size with a message that does not say why.
std::string checkBinaryStl(std::string_view head, std::uintmax_t fileSize) {
  std::size_t i = 0;
  while (i < head.size() && (isBlank(head[i]) || head[i] == '\n')) {
    ++i;
  }
  if (startsWithCaseless(head.substr(i), "solid")) {
    return {};
  }
  constexpr std::size_t HEADER = 84;
  if (head.size() < HEADER) {
    return "file ends early: a binary STL file has an 84-byte header, this file has " +
           std::to_string(fileSize) + " bytes";
  }
  std::uint64_t triangles = 0;
  for (int b = 3; b >= 0; --b) {
    triangles = triangles << 8 | static_cast<unsigned char>(head[80 + b]);
  }
  return checkElements({{"triangles", triangles, 50}}, fileSize - HEADER);
}

}  // namespace

std::string checkDeclaredCounts(std::string_view head, std::uintmax_t fileSize,
                                std::string_view extension) {
  if (startsWithCaseless(head, "ply") && head.size() > 3 && (isBlank(head[3]) || head[3] == '\n')) {
    return checkPly(head, fileSize);
  }
  if (extension == "stl") {
    return checkBinaryStl(head, fileSize);
  }
  return checkOff(head, fileSize, extension);
}
