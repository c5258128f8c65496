// Header counts of PLY, OFF and binary STL files against the bytes, lines and numbers that
// follow: a small tokenizer over the header that follows the grammar as leniently as
// Assimp's readers do, so that it never refuses a file they would read correctly.
#include "loading/declared_counts.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

#include "loading/text_lines.h"

namespace {

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
  return ec == std::errc::result_out_of_range ? UINT64_MAX : value;
}

std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b) {
  return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

std::uint64_t saturatingSum(std::uint64_t a, std::uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

std::string amount(std::uint64_t value) {
  return value == UINT64_MAX ? "more than " + std::to_string(value) : std::to_string(value);
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
  std::uint64_t minimumBytes = 0;  // of one element in binary
  std::uint64_t values = 0;        // numbers of one element in text, lists not counted
};

// Binary: the elements, one kind after the other, must fit into the bytes after the header.
std::string checkBinaryElements(const std::vector<DeclaredElement>& elements,
                                std::uintmax_t available) {
  std::uint64_t total = 0;  // never above available
  for (const DeclaredElement& element : elements) {
    const std::uint64_t needed = saturatingProduct(element.count, element.minimumBytes);
    if (needed > available - total) {
      return "file ends early: its header declares " + std::to_string(element.count) + " " +
             element.name + ", which need at least " + amount(saturatingSum(total, needed)) +
             " bytes after the header, but only " + std::to_string(available) + " follow";
    }
    total += needed;
  }
  return {};
}

// Lines that hold a word, and words, of a text body fed in chunks. '#' starts a comment to
// the end of the line where comments are allowed (OFF).
class TextBodyCount {
 public:
  explicit TextBodyCount(bool comments) : comments_(comments) {}

  void feed(std::string_view chunk) {
    for (const char c : chunk) {
      if (c == '\n') {
        inComment_ = false;
        inWord_ = false;
        lines_ += lineHasWord_ ? 1 : 0;
        lineHasWord_ = false;
      } else if (inComment_) {
      } else if (comments_ && c == '#') {
        inComment_ = true;
        inWord_ = false;
      } else if (isBlank(c)) {
        inWord_ = false;
      } else if (!inWord_) {
        inWord_ = true;
        lineHasWord_ = true;
        ++words_;
      }
    }
  }

  std::uint64_t lines() const { return lines_ + (lineHasWord_ ? 1 : 0); }
  std::uint64_t words() const { return words_; }

 private:
  bool comments_;
  bool inComment_ = false;
  bool inWord_ = false;
  bool lineHasWord_ = false;
  std::uint64_t lines_ = 0;
  std::uint64_t words_ = 0;
};

// Text: one line per element and all their numbers must follow the header.
std::string checkTextElements(const std::vector<DeclaredElement>& elements, std::string_view body,
                              bool comments, const MoreBytes& more) {
  std::uint64_t neededLines = 0;
  std::uint64_t neededWords = 0;
  std::string declared;
  for (const DeclaredElement& element : elements) {
    neededLines = saturatingSum(neededLines, element.count);
    neededWords = saturatingSum(neededWords, saturatingProduct(element.count, element.values));
    declared +=
        (declared.empty() ? "" : " and ") + std::to_string(element.count) + " " + element.name;
  }
  TextBodyCount count(comments);
  count.feed(body);
  for (std::string_view chunk = more(); !chunk.empty(); chunk = more()) {
    count.feed(chunk);
  }
  if (count.lines() < neededLines) {
    return "file ends early: its header declares " + declared + ", one a line, but only " +
           std::to_string(count.lines()) + " lines follow the header";
  }
  if (count.words() < neededWords) {
    return "file ends early: its header declares " + declared + " with at least " +
           amount(neededWords) + " numbers, but only " + std::to_string(count.words()) +
           " follow the header";
  }
  return {};
}

std::string checkPly(std::string_view head, std::uintmax_t fileSize, const MoreBytes& more) {
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
        // Appended piecewise: "literal" + std::string&& trips a false -Wrestrict in g++ 12.
        std::string name = "\"";
        name.append(word[1]).append("\" elements");
        elements.push_back({std::move(name), count, 0, 0});
      }
    } else if (word[0] == "property" && word.size() >= 3 && !elements.empty()) {
      // A list takes at least its count in binary. In text Assimp reads a missing list at the
      // end of an element's line as empty (files in the wild rely on it), so it needs no number.
      const bool list = word[1] == "list";
      elements.back().minimumBytes += plyTypeSize(list ? word[2] : word[1]);
      elements.back().values += list ? 0 : 1;
    }
  }
  const bool anyVertex = std::any_of(elements.begin(), elements.end(), [](const auto& e) {
    return e.name == "\"vertex\" elements" && e.count > 0;
  });
  if (!anyVertex) {
    return "no vertices";
  }
  if (!binary) {
    return checkTextElements(elements, head.substr(position), false, more);
  }
  for (DeclaredElement& element : elements) {
    // An element of no bytes would let a header ask for any number of them for free.
    element.minimumBytes = std::max<std::uint64_t>(element.minimumBytes, 1);
  }
  return checkBinaryElements(elements, fileSize - std::min<std::uintmax_t>(position, fileSize));
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

std::string checkOff(std::string_view head, std::string_view extension, const MoreBytes& more) {
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
  nextToken(head, i);  // the edge count, which Assimp reads and ignores as well
  if (vertices == 0) {
    return "no vertices";
  }
  const std::uint64_t perVertex = std::clamp<std::uint64_t>(dimensions, 1, 3);
  return checkTextElements({{"vertices", vertices, 0, perVertex}, {"faces", faces, 0, 1}},
                           head.substr(i), true, more);
}

// Binary STL: an 80-byte header, a 32-bit little-endian triangle count and 50 bytes per
// triangle. Assimp takes a file for binary when it does not begin with "solid" and then
// refuses any other size with a message that does not say why; this one does.
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
  if (std::string reason =
          checkBinaryElements({{"triangles", triangles, 50, 0}}, fileSize - HEADER);
      !reason.empty()) {
    return reason;
  }
  if (fileSize != HEADER + 50 * triangles) {
    return "not an STL file: it does not begin with \"solid\", and as binary STL its " +
           std::to_string(triangles) + " triangles would take " +
           std::to_string(HEADER + 50 * triangles) + " bytes, not " + std::to_string(fileSize);
  }
  return {};
}

// Binary glTF: "glTF", version, total length, then chunks of (length, type, data), all
// 32-bit little endian. Assimp allocates what the total and the first chunk declare before it
// reads them (1.8 GB for a 1 KB file, found by fuzzing), so both must fit in the file.
std::string checkBinaryGltf(std::string_view head, std::uintmax_t fileSize) {
  const auto word = [&head](std::size_t at) {
    std::uint64_t value = 0;
    for (int b = 3; b >= 0; --b) {
      value = value << 8 | static_cast<unsigned char>(head[at + static_cast<std::size_t>(b)]);
    }
    return value;
  };
  constexpr std::size_t HEADER = 12;
  constexpr std::size_t CHUNK_HEADER = 8;
  if (head.size() < HEADER + CHUNK_HEADER) {
    return "file ends early: a binary glTF file has a 20-byte header, this file has " +
           std::to_string(fileSize) + " bytes";
  }
  const std::uint64_t total = word(8);
  const std::uint64_t firstChunk = word(HEADER);
  if (total > fileSize || firstChunk > fileSize - HEADER - CHUNK_HEADER) {
    return "file ends early: its binary glTF header declares " +
           std::to_string(std::max(total, firstChunk)) + " bytes, the file has " +
           std::to_string(fileSize);
  }
  return {};
}

}  // namespace

std::string checkDeclaredCounts(std::string_view head, std::uintmax_t fileSize,
                                std::string_view extension, const MoreBytes& more) {
  // Assimp takes any file that starts with "ply" for PLY, whatever follows; so must the check,
  // or a crafted header reaches its reader unchecked (a 123-byte file ran for minutes).
  if (startsWithCaseless(head, "ply")) {
    return checkPly(head, fileSize, more);
  }
  if (extension == "stl") {
    return checkBinaryStl(head, fileSize);
  }
  if (head.starts_with("glTF")) {
    return checkBinaryGltf(head, fileSize);
  }
  return checkOff(head, extension, more);
}
