// The text mesh readers: each reads its format line by line through LineReader, keeps the
// vertex positions as the file writes them (rounded once to float) and the faces as corner
// lists, and hands both to finishedMesh for the checks every loaded mesh passes.
#include "loading/text_meshes.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "geometry/vector3d.h"
#include "loading/text_lines.h"

namespace {

std::string tooManyPoints() {
  return "more than " + std::to_string(MAX_LOADED_POINTS) + " points";
}

std::string tooManyTriangles() {
  return "more than " + std::to_string(MAX_LOADED_TRIANGLES) + " triangles";
}

// Reads `count` coordinates from words into a vertex; an error reason when one is missing or
// no number. The rest of the words is left for the caller.
std::string readCoordinates(Words& words, int count, std::size_t line, Vector3& vertex) {
  for (int k = 0; k < count; ++k) {
    const std::string_view word = words.next();
    if (word.empty()) {
      return "line " + std::to_string(line) + ": expected 3 coordinates, found " +
             std::to_string(k);
    }
    const std::optional<float> value = parseFloatWord(word);
    if (!value) {
      return notANumber(line, word);
    }
    vertex[k] = *value;
  }
  return {};
}

// OBJ: "v x y z [w | r g b]", and "f", "l", "p" with corners "i", "i/t", "i//n", "i/t/n",
// negative indices counting back from the last vertex. Every other statement is skipped.
LoadResult readObj(std::istream& in, const std::string& name) {
  LineReader lines(in);
  std::vector<Vector3> vertices;
  std::vector<Vector3> points;
  std::vector<Triangle> triangles;
  std::vector<std::uint32_t> corners;
  bool anyElement = false;
  std::string_view line;
  while (lines.next(line)) {
    Words words(withoutComment(line));
    const std::string_view keyword = words.next();
    if (keyword == "v") {
      std::array<std::string_view, 4> numbers;
      std::size_t count = 0;
      for (std::string_view word = words.next(); !word.empty(); word = words.next()) {
        if (count < numbers.size()) {
          numbers[count] = word;
        }
        ++count;
      }
      Vector3 vertex;
      if (count == 4) {
        // Homogeneous: divided in double, rounded once.
        std::array<double, 4> value{};
        for (std::size_t k = 0; k < 4; ++k) {
          const std::optional<double> parsed = parseDoubleWord(numbers[k]);
          if (!parsed) {
            return LoadResult::failure(name, notANumber(lines.lineNumber(), numbers[k]));
          }
          value[k] = *parsed;
        }
        if (value[3] == 0) {
          return LoadResult::failure(
              name, "OBJ: Invalid component in homogeneous vector (Division by zero)");
        }
        vertex = Vector3d{value[0] / value[3], value[1] / value[3], value[2] / value[3]}.toFloat();
      } else {
        Words coordinates(withoutComment(line));
        coordinates.next();
        if (std::string reason = readCoordinates(coordinates, 3, lines.lineNumber(), vertex);
            !reason.empty()) {
          return LoadResult::failure(name, reason);
        }
      }
      if (vertices.size() == MAX_LOADED_POINTS) {
        return LoadResult::failure(name, tooManyPoints());
      }
      vertices.push_back(vertex);
    } else if (keyword == "f" || keyword == "l" || keyword == "p") {
      anyElement = true;
      corners.clear();
      for (std::string_view word = words.next(); !word.empty(); word = words.next()) {
        const std::optional<std::int64_t> index = parseIntegerWord(word.substr(0, word.find('/')));
        if (!index) {
          return LoadResult::failure(name, "line " + std::to_string(lines.lineNumber()) + ": '" +
                                               std::string(word.substr(0, 40)) +
                                               "' is not a vertex index");
        }
        const auto size = static_cast<std::int64_t>(vertices.size());
        const std::int64_t at = *index < 0 ? size + *index : *index - 1;
        if (*index == 0 || at < 0 || at >= size) {
          return LoadResult::failure(name, "OBJ: vertex index out of range");
        }
        if (points.size() == MAX_LOADED_POINTS) {
          return LoadResult::failure(name, tooManyPoints());
        }
        corners.push_back(static_cast<std::uint32_t>(points.size()));
        points.push_back(vertices[static_cast<std::size_t>(at)]);
      }
      if (keyword == "f" && !appendFan(corners, triangles)) {
        return LoadResult::failure(name, tooManyTriangles());
      }
    }
  }
  if (!lines.error().empty()) {
    return LoadResult::failure(name, lines.error());
  }
  // A file of vertices alone is a point cloud.
  return finishedMesh(anyElement ? std::move(points) : std::move(vertices), std::move(triangles),
                      name);
}

// A face line of OFF or PLY: `count` indices from words into corners.
std::string readFaceIndices(Words& words, std::int64_t count, std::size_t line,
                            std::vector<std::uint32_t>& corners) {
  corners.clear();
  for (std::int64_t k = 0; k < count; ++k) {
    const std::string_view word = words.next();
    const std::optional<std::int64_t> index = parseIntegerWord(word);
    if (word.empty()) {
      return "line " + std::to_string(line) + ": a face of " + std::to_string(count) +
             " corners lists " + std::to_string(k);
    }
    if (!index || *index < 0 || *index > static_cast<std::int64_t>(UINT32_MAX)) {
      return "line " + std::to_string(line) + ": '" + std::string(word.substr(0, 40)) +
             "' is not a vertex index";
    }
    corners.push_back(static_cast<std::uint32_t>(*index));
  }
  return {};
}

// OFF: an optional keyword ([ST][C][N][4][n]OFF), the dimension after nOFF, the vertex, face
// and edge counts, then one vertex a line (its first coordinates; colours and the like after
// them are ignored) and one face a line ("n i0 ... i(n-1)", a colour may follow). '#' starts a
// comment.
LoadResult readOff(std::istream& in, const std::string& name) {
  LineReader lines(in);
  std::string_view line;
  std::vector<std::string> header;  // keyword, dimension, counts: words across lines
  bool homogeneous = false;
  bool hasDimension = false;
  std::size_t needed = 3;
  while (header.size() < needed && lines.next(line)) {
    Words words(withoutComment(line));
    for (std::string_view word = words.next(); !word.empty() && header.size() < needed;
         word = words.next()) {
      if (header.empty() && word.size() >= 3 && word.substr(word.size() - 3) == "OFF") {
        std::string_view prefix = word.substr(0, word.size() - 3);
        for (std::string_view part : {"ST", "C", "N", "4", "n"}) {
          if (prefix.starts_with(part)) {
            prefix.remove_prefix(part.size());
            homogeneous = homogeneous || part == "4";
            hasDimension = hasDimension || part == "n";
          }
        }
        needed += 1 + (hasDimension ? 1 : 0);
      }
      header.emplace_back(word);
    }
  }
  if (!lines.error().empty()) {
    return LoadResult::failure(name, lines.error());
  }
  if (header.size() < needed) {
    return LoadResult::failure(name, "OFF: the header ends before its counts");
  }
  std::size_t at = needed - 3;
  std::int64_t dimensions = 3;
  if (hasDimension) {
    const std::optional<std::int64_t> given = parseIntegerWord(header[at - 1]);
    dimensions = given.value_or(-1);
    if (dimensions < 1 || dimensions > 3) {
      return LoadResult::failure(name, "OFF: the vertex dimension must be 1, 2 or 3");
    }
  }
  const std::optional<std::int64_t> vertexCount = parseIntegerWord(header[at]);
  const std::optional<std::int64_t> faceCount = parseIntegerWord(header[at + 1]);
  if (!vertexCount || !faceCount || *vertexCount < 0 || *faceCount < 0) {
    return LoadResult::failure(name, "OFF: the header's counts are no numbers");
  }
  if (*vertexCount > static_cast<std::int64_t>(MAX_LOADED_POINTS)) {
    return LoadResult::failure(name, tooManyPoints());
  }
  std::vector<Vector3> points;
  std::vector<Triangle> triangles;
  std::vector<std::uint32_t> corners;
  std::int64_t faces = 0;
  while ((static_cast<std::int64_t>(points.size()) < *vertexCount || faces < *faceCount) &&
         lines.next(line)) {
    Words words(withoutComment(line));
    if (words.rest().empty()) {
      continue;
    }
    if (static_cast<std::int64_t>(points.size()) < *vertexCount) {
      Vector3 vertex;
      std::string reason =
          readCoordinates(words, static_cast<int>(dimensions), lines.lineNumber(), vertex);
      if (reason.empty() && homogeneous) {
        const std::string_view word = words.next();
        const std::optional<double> w = parseDoubleWord(word);
        if (!w || *w == 0) {
          reason = w ? "OFF: a homogeneous coordinate of 0" : notANumber(lines.lineNumber(), word);
        } else {
          vertex = (Vector3d(vertex) * (1.0 / *w)).toFloat();
        }
      }
      if (!reason.empty()) {
        return LoadResult::failure(name, reason);
      }
      points.push_back(vertex);
      continue;
    }
    ++faces;
    const std::string_view countWord = words.next();
    const std::optional<std::int64_t> count = parseIntegerWord(countWord);
    if (!count || *count < 0) {
      return LoadResult::failure(name, "line " + std::to_string(lines.lineNumber()) + ": '" +
                                           std::string(countWord.substr(0, 40)) +
                                           "' is not a corner count");
    }
    if (std::string reason = readFaceIndices(words, *count, lines.lineNumber(), corners);
        !reason.empty()) {
      return LoadResult::failure(name, reason);
    }
    if (!appendFan(corners, triangles)) {
      return LoadResult::failure(name, tooManyTriangles());
    }
  }
  if (!lines.error().empty()) {
    return LoadResult::failure(name, lines.error());
  }
  if (static_cast<std::int64_t>(points.size()) < *vertexCount || faces < *faceCount) {
    return LoadResult::failure(name, "file ends early: its header declares " +
                                         std::to_string(*vertexCount) + " vertices and " +
                                         std::to_string(*faceCount) + " faces");
  }
  return finishedMesh(std::move(points), std::move(triangles), name);
}

struct PlyProperty {
  std::string name;
  bool list = false;
};

struct PlyElement {
  std::string name;
  std::int64_t count = 0;
  std::vector<PlyProperty> properties;
};

// The header of an ASCII PLY file, read up to end_header; an error reason or empty.
std::string readPlyHeader(LineReader& lines, std::vector<PlyElement>& elements) {
  std::string_view line;
  while (lines.next(line)) {
    Words words(line);
    const std::string_view keyword = words.next();
    if (keyword == "end_header") {
      return {};
    }
    if (keyword == "element") {
      const std::string_view elementName = words.next();
      const std::optional<std::int64_t> count = parseIntegerWord(words.next());
      if (!count || *count < 0) {
        return "line " + std::to_string(lines.lineNumber()) + ": an element without its count";
      }
      elements.push_back({std::string(elementName), *count, {}});
    } else if (keyword == "property") {
      if (elements.empty()) {
        return "line " + std::to_string(lines.lineNumber()) + ": a property before any element";
      }
      const std::string_view type = words.next();
      if (type == "list") {
        words.next();
        words.next();
      }
      elements.back().properties.push_back({std::string(words.next()), type == "list"});
    }
  }
  return lines.error().empty() ? "PLY: the header has no end_header" : lines.error();
}

// ASCII PLY: one element a line in header order; the vertex element's x, y and z (of any
// scalar type) are the points, the face element's vertex_indices (or vertex_index) list its
// corners. A list missing at the end of a line is empty, as Assimp reads it.
LoadResult readAsciiPly(std::istream& in, const std::string& name) {
  LineReader lines(in);
  std::vector<PlyElement> elements;
  if (std::string reason = readPlyHeader(lines, elements); !reason.empty()) {
    return LoadResult::failure(name, reason);
  }
  std::vector<Vector3> points;
  std::vector<Triangle> triangles;
  std::vector<std::uint32_t> corners;
  std::string_view line;
  for (const PlyElement& element : elements) {
    const bool isVertex = element.name == "vertex";
    const bool isFace = element.name == "face";
    std::array<int, 3> axisOf{-1, -1, -1};  // property index of x, y, z
    for (std::size_t p = 0; p < element.properties.size(); ++p) {
      for (int k = 0; k < 3; ++k) {
        if (!element.properties[p].list && element.properties[p].name == std::string(1, "xyz"[k])) {
          axisOf[k] = static_cast<int>(p);
        }
      }
    }
    if (isVertex && element.count > 0 && std::count(axisOf.begin(), axisOf.end(), -1) > 0) {
      return LoadResult::failure(name, "PLY: the vertex element has no x, y and z");
    }
    if (isVertex && element.count > static_cast<std::int64_t>(MAX_LOADED_POINTS)) {
      return LoadResult::failure(name, tooManyPoints());
    }
    for (std::int64_t i = 0; i < element.count;) {
      if (!lines.next(line)) {
        return LoadResult::failure(name, lines.error().empty()
                                             ? "file ends early: its header declares " +
                                                   std::to_string(element.count) + " \"" +
                                                   element.name + "\" elements"
                                             : lines.error());
      }
      Words words(line);
      if (words.rest().empty()) {
        continue;
      }
      ++i;
      if (!isVertex && !isFace) {
        continue;
      }
      Vector3 vertex;
      for (std::size_t p = 0; p < element.properties.size(); ++p) {
        const PlyProperty& property = element.properties[p];
        const std::string_view word = words.next();
        if (word.empty() && property.list) {
          break;
        }
        if (word.empty()) {
          return LoadResult::failure(name, "line " + std::to_string(lines.lineNumber()) +
                                               ": fewer values than the element's " +
                                               std::to_string(element.properties.size()) +
                                               " properties");
        }
        if (property.list) {
          const std::optional<std::int64_t> count = parseIntegerWord(word);
          if (!count || *count < 0) {
            return LoadResult::failure(name, "line " + std::to_string(lines.lineNumber()) + ": '" +
                                                 std::string(word.substr(0, 40)) +
                                                 "' is not a list length");
          }
          if (isFace && (property.name == "vertex_indices" || property.name == "vertex_index")) {
            if (std::string reason = readFaceIndices(words, *count, lines.lineNumber(), corners);
                !reason.empty()) {
              return LoadResult::failure(name, reason);
            }
            if (!appendFan(corners, triangles)) {
              return LoadResult::failure(name, tooManyTriangles());
            }
          } else {
            for (std::int64_t k = 0; k < *count && !words.next().empty(); ++k) {
            }
          }
          continue;
        }
        for (int k = 0; k < 3; ++k) {
          if (isVertex && axisOf[k] == static_cast<int>(p)) {
            const std::optional<float> value = parseFloatWord(word);
            if (!value) {
              return LoadResult::failure(name, notANumber(lines.lineNumber(), word));
            }
            vertex[k] = *value;
          }
        }
      }
      if (isVertex) {
        points.push_back(vertex);
      }
    }
  }
  return finishedMesh(std::move(points), std::move(triangles), name);
}

// Words across lines, for STL, whose statements need not keep to one line each.
class WordStream {
 public:
  explicit WordStream(std::istream& in) : lines_(in) {}
  // The next word; empty at the end of the file (or on an error, see error()).
  std::string_view next() {
    for (std::string_view word = words_.next(); true; word = words_.next()) {
      if (!word.empty()) {
        return word;
      }
      std::string_view line;
      if (!lines_.next(line)) {
        return {};
      }
      words_ = Words(line);
    }
  }
  // Skips the rest of the current line (a solid's name).
  void skipLine() { words_ = Words({}); }
  std::size_t lineNumber() const { return lines_.lineNumber(); }
  const std::string& error() const { return lines_.error(); }

 private:
  LineReader lines_;
  Words words_{{}};
};

bool equalsCaseless(std::string_view word, std::string_view lower) {
  return word.size() == lower.size() && startsWithCaseless(word, lower);
}

// ASCII STL: solid NAME, then facets "facet normal nx ny nz outer loop vertex x y z (three
// times) endloop endfacet", then endsolid NAME; several solids may follow one another. The
// normals are read past, not used.
LoadResult readAsciiStl(std::istream& in, const std::string& name) {
  WordStream words(in);
  std::vector<Vector3> points;
  std::vector<Triangle> triangles;
  int facetCorners = -1;  // -1: outside a facet
  for (std::string_view word = words.next(); !word.empty(); word = words.next()) {
    const std::size_t line = words.lineNumber();
    if (equalsCaseless(word, "solid") || equalsCaseless(word, "endsolid")) {
      if (facetCorners >= 0) {
        return LoadResult::failure(
            name, "ASCII STL: line " + std::to_string(line) + " ends a solid inside a facet");
      }
      words.skipLine();
    } else if (equalsCaseless(word, "facet")) {
      if (facetCorners >= 0) {
        return LoadResult::failure(
            name, "ASCII STL: line " + std::to_string(line) + " begins a facet inside a facet");
      }
      facetCorners = 0;
    } else if (equalsCaseless(word, "vertex")) {
      if (facetCorners < 0 || facetCorners == 3) {
        return LoadResult::failure(name, "ASCII STL: line " + std::to_string(line) +
                                             " has a vertex outside a facet's three corners");
      }
      Vector3 vertex;
      for (int k = 0; k < 3; ++k) {
        const std::string_view number = words.next();
        const std::optional<float> value = parseFloatWord(number);
        if (!value) {
          return LoadResult::failure(name, number.empty()
                                               ? "ASCII STL: the file ends inside a facet"
                                               : notANumber(words.lineNumber(), number));
        }
        vertex[k] = *value;
      }
      if (points.size() == MAX_LOADED_POINTS) {
        return LoadResult::failure(name, tooManyPoints());
      }
      points.push_back(vertex);
      ++facetCorners;
    } else if (equalsCaseless(word, "endfacet")) {
      if (facetCorners != 3) {
        return LoadResult::failure(
            name, "ASCII STL: the facet ending at line " + std::to_string(line) + " has " +
                      std::to_string(std::max(facetCorners, 0)) + " corners, not 3");
      }
      const auto first = static_cast<std::uint32_t>(points.size() - 3);
      if (triangles.size() == MAX_LOADED_TRIANGLES) {
        return LoadResult::failure(name, tooManyTriangles());
      }
      triangles.push_back({first, first + 1, first + 2});
      facetCorners = -1;
    } else if (equalsCaseless(word, "normal") || equalsCaseless(word, "outer") ||
               equalsCaseless(word, "loop") || equalsCaseless(word, "endloop") ||
               (facetCorners == 0 && parseFloatWord(word))) {
      // The facet's normal and the loop's brackets carry no position.
    } else {
      return LoadResult::failure(name, "ASCII STL: line " + std::to_string(line) +
                                           " has the unexpected word '" +
                                           std::string(word.substr(0, 40)) + "'");
    }
  }
  if (!words.error().empty()) {
    return LoadResult::failure(name, words.error());
  }
  if (facetCorners >= 0) {
    return LoadResult::failure(name, "ASCII STL: the file ends inside a facet");
  }
  return finishedMesh(std::move(points), std::move(triangles), name);
}

std::string_view withoutLeadingSpace(std::string_view text) {
  while (!text.empty() && (isBlankCharacter(text[0]) || text[0] == '\n')) {
    text.remove_prefix(1);
  }
  return text;
}

}  // namespace

TextMeshFormat textMeshFormatOf(std::string_view extension, std::string_view head,
                                std::uintmax_t fileSize) {
  if (startsWithCaseless(head, "ply")) {
    // The format line comes first after "ply" in every file Assimp reads.
    const std::size_t format = head.find("format");
    return format != std::string_view::npos && format < 64 &&
                   Words(head.substr(format + 6)).next() == "ascii"
               ? TextMeshFormat::AsciiPly
               : TextMeshFormat::None;
  }
  if (extension == "obj") {
    return TextMeshFormat::Obj;
  }
  if (extension == "off") {
    return TextMeshFormat::Off;
  }
  if (extension == "stl" && startsWithCaseless(withoutLeadingSpace(head), "solid")) {
    constexpr std::uintmax_t HEADER = 84;
    if (head.size() >= HEADER) {
      std::uint64_t count = 0;
      for (int b = 3; b >= 0; --b) {
        count = count << 8 | static_cast<unsigned char>(head[80 + static_cast<std::size_t>(b)]);
      }
      if (fileSize == HEADER + 50 * count) {
        return TextMeshFormat::None;
      }
    }
    return TextMeshFormat::AsciiStl;
  }
  return TextMeshFormat::None;
}

LoadResult readTextMesh(TextMeshFormat format, std::istream& in, const std::string& name) {
  switch (format) {
    case TextMeshFormat::Obj:
      return readObj(in, name);
    case TextMeshFormat::Off:
      return readOff(in, name);
    case TextMeshFormat::AsciiPly:
      return readAsciiPly(in, name);
    case TextMeshFormat::AsciiStl:
      return readAsciiStl(in, name);
    case TextMeshFormat::None:
      break;
  }
  return LoadResult::failure(name, "no reader of ours takes this file");
}
