// Fuzz target: the model loader on file bytes, through a memory buffer and in this process
// (Isolation::InProcess), so that our header checks and Assimp's readers are exercised
// directly. The first byte picks the format hint; the rest is the file. The result is points
// (all finite) or one error line naming the file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/load_check.h"
#include "loading/model_loader.h"

namespace {

constexpr const char* HINTS[] = {"ply", "stl", "obj", "off", "gltf", "glb", "xyz"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::string hint = HINTS[data[0] % std::size(HINTS)];
  const std::string name = "fuzz." + hint;
  const LoadResult result =
      loadPointsFromMemory(std::span(data + 1, size - 1), hint, name, Isolation::InProcess);
  requireSoundLoad(result, name);
  return 0;
}
