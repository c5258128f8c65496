// Loading through Assimp with our own walk of the node tree, plus the file checks Assimp
// leaves to its caller (what the path is, whether it can be opened, whether a header's
// counts are possible at all); text meshes through our own readers (text_meshes.h).
#include "loading/model_loader.h"

#include <assimp/MemoryIOWrapper.h>
#include <assimp/config.h>
#include <assimp/scene.h>
#include <assimp/DefaultLogger.hpp>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <streambuf>
#include <string_view>

#include "loading/declared_counts.h"
#include "loading/isolated_import.h"
#include "loading/point_list.h"
#include "loading/scene_points.h"
#include "loading/text_meshes.h"

namespace {

std::string lowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

std::string extensionOf(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  if (!extension.empty() && extension[0] == '.') {
    extension.erase(0, 1);
  }
  return lowerCase(extension);
}

bool isPointListExtension(const std::string& extension) {
  return std::any_of(std::begin(POINT_LIST_EXTENSIONS), std::end(POINT_LIST_EXTENSIONS),
                     [&](const char* known) { return extension == known; });
}

// Assimp's messages can span lines and name its stand-in for a file in memory; one line,
// with the stand-in ("$$$___magic___$$$.ply") replaced by the caller's name.
std::string condense(std::string message, const std::string& name) {
  const std::string standIn = AI_MEMORYIO_MAGIC_FILENAME;
  for (std::size_t at = message.find(standIn); at != std::string::npos;
       at = message.find(standIn, at + name.size())) {
    std::size_t end = at + standIn.size();
    while (end < message.size() && message[end] != ' ' && message[end] != '"' &&
           message[end] != '\'' && !(message[end] == '.' && end + 1 == message.size())) {
      ++end;
    }
    message.replace(at, end - at, name);
  }
  for (char& c : message) {
    if (c == '\n' || c == '\r' || c == '\t') {
      c = ' ';
    }
  }
  const std::string::size_type begin = message.find_first_not_of(' ');
  const std::string::size_type end = message.find_last_not_of(' ');
  message = begin == std::string::npos ? std::string() : message.substr(begin, end - begin + 1);
  constexpr std::size_t LIMIT = 300;
  if (message.size() > LIMIT) {
    message = message.substr(0, LIMIT) + "...";
  }
  return message.empty() ? "Assimp could not read it" : message;
}

bool noReaderFound(const std::string& message) {
  return message.find("No suitable reader found") != std::string::npos;
}

void configure(Assimp::Importer& importer) {
  // Assimp logs through one process-wide logger. Make sure it is the silent default, so that
  // no reader's warnings reach the user's terminal (killing the silent one changes nothing).
  Assimp::DefaultLogger::kill();
  // Formats with bones but no meshes (animations, skeletons) would otherwise get invented
  // skeleton meshes whose vertices are no part of the model.
  importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
  // Keep COLLADA coordinates as the file writes them instead of turning Z-up into Y-up.
  importer.SetPropertyBool(AI_CONFIG_IMPORT_COLLADA_IGNORE_UP_DIRECTION, true);
}

// Post-processing flags for every import: none. Each step Assimp offers either changes
// geometry (joins, splits, removes or transforms vertices) or is not needed for positions.
constexpr unsigned IMPORT_FLAGS = 0;

LoadResult fromImporter(Assimp::Importer& importer, const aiScene* scene, const std::string& name) {
  if (scene == nullptr) {
    const std::string message = importer.GetErrorString();
    if (noReaderFound(message)) {
      return LoadResult::failure(name, "a format nobody reads");
    }
    // Assimp turns every exception into its message, an allocation failure included.
    if (message.find("bad_alloc") != std::string::npos) {
      return LoadResult::failure(name, "ran out of memory while reading it");
    }
    return LoadResult::failure(name, condense(message, name));
  }
  return pointsOfScene(*scene, name);
}

LoadResult importFile(const std::string& path) {
  Assimp::Importer importer;
  configure(importer);
  return fromImporter(importer, importer.ReadFile(path, IMPORT_FLAGS), path);
}

LoadResult importMemory(std::span<const unsigned char> bytes, const std::string& extension,
                        const std::string& name) {
  Assimp::Importer importer;
  configure(importer);
  return fromImporter(
      importer,
      importer.ReadFileFromMemory(bytes.data(), bytes.size(), IMPORT_FLAGS, extension.c_str()),
      name);
}

LoadResult importWith(Isolation isolation, const std::string& name, std::uintmax_t size,
                      const std::function<LoadResult()>& import) {
  if (isolation == Isolation::InProcess) {
    return import();
  }
  return runIsolated(name, importLimitsFor(size), import);
}

// A read-only stream over bytes in memory.
class MemoryBuffer : public std::streambuf {
 public:
  explicit MemoryBuffer(std::span<const unsigned char> bytes) {
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    setg(begin, begin, begin + bytes.size());
  }
};

}  // namespace

LoadResult loadPoints(const std::string& path, Isolation isolation) {
  namespace fs = std::filesystem;
  std::error_code code;
  const fs::file_status status = fs::status(path, code);
  if (status.type() == fs::file_type::not_found) {
    return LoadResult::failure(path, "no such file");
  }
  if (code) {
    return LoadResult::failure(path, "cannot be opened (" + code.message() + ")");
  }
  if (status.type() == fs::file_type::directory) {
    return LoadResult::failure(path, "is a directory");
  }
  // Devices and pipes can be endless; only a regular file has a size to check.
  if (status.type() != fs::file_type::regular) {
    return LoadResult::failure(path, "not a regular file");
  }
  const std::uintmax_t size = fs::file_size(path, code);
  if (code) {
    return LoadResult::failure(path, "cannot be opened (" + code.message() + ")");
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return LoadResult::failure(path, std::string("cannot be opened (") +
                                         (errno != 0 ? std::strerror(errno) : "unknown reason") +
                                         ")");
  }
  if (size == 0) {
    return LoadResult::failure(path, "empty file");
  }
  const std::string extension = extensionOf(path);
  if (isPointListExtension(extension)) {
    return readPointList(file, path);
  }
  std::string head(std::min<std::uintmax_t>(size, DECLARED_COUNTS_HEAD_SIZE), '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(file.gcount()));
  std::string chunk;
  const MoreBytes more = [&]() -> std::string_view {
    chunk.resize(DECLARED_COUNTS_HEAD_SIZE);
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    return std::string_view(chunk.data(), static_cast<std::size_t>(file.gcount()));
  };
  if (std::string reason = checkDeclaredCounts(head, size, extension, more); !reason.empty()) {
    return LoadResult::failure(path, reason);
  }
  // Text meshes are read by our own readers, which round every coordinate correctly.
  if (const TextMeshFormat format = textMeshFormatOf(extension, head, size);
      format != TextMeshFormat::None) {
    file.clear();
    file.seekg(0);
    return readTextMesh(format, file, path);
  }
  file.close();
  return importWith(isolation, path, size, [&] { return importFile(path); });
}

LoadResult loadPointsFromMemory(std::span<const unsigned char> bytes, const std::string& formatHint,
                                const std::string& name, Isolation isolation) {
  if (bytes.empty()) {
    return LoadResult::failure(name, "empty file");
  }
  const std::string extension =
      lowerCase(formatHint.substr(!formatHint.empty() && formatHint[0] == '.' ? 1 : 0));
  if (isPointListExtension(extension)) {
    MemoryBuffer buffer(bytes);
    std::istream in(&buffer);
    return readPointList(in, name);
  }
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const std::string_view head = all.substr(0, DECLARED_COUNTS_HEAD_SIZE);
  bool restGiven = false;
  const MoreBytes rest = [&] {
    const std::string_view chunk = restGiven ? std::string_view() : all.substr(head.size());
    restGiven = true;
    return chunk;
  };
  if (std::string reason = checkDeclaredCounts(head, bytes.size(), extension, rest);
      !reason.empty()) {
    return LoadResult::failure(name, reason);
  }
  if (const TextMeshFormat format = textMeshFormatOf(extension, head, bytes.size());
      format != TextMeshFormat::None) {
    MemoryBuffer buffer(bytes);
    std::istream in(&buffer);
    return readTextMesh(format, in, name);
  }
  return importWith(isolation, name, bytes.size(),
                    [&] { return importMemory(bytes, extension, name); });
}
