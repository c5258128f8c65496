// Fuzz target: the plain point-list reader on arbitrary text. It must end with points or one
// error line, never crash; on success every point is finite (the reader refuses others).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/load_check.h"
#include "loading/point_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const LoadResult result = readPointList(in, "fuzz.xyz");
  requireSoundLoad(result, "fuzz.xyz");
  return 0;
}
