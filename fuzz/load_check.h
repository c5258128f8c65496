// The property both loader targets check: a load ends with finite points or with one error
// line that begins with the file's name. Anything else aborts, so the fuzzer keeps the input.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "loading/model_loader.h"

inline void requireSoundLoad(const LoadResult& result, const std::string& name) {
  bool sound = result.ok() ? !result.points.empty()
                           : result.error.find('\n') == std::string::npos &&
                                 result.error.rfind(name + ": ", 0) == 0;
  for (const Vector3& p : result.points)
    sound = sound && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  if (!sound) {
    std::fprintf(stderr, "%s: unsound load result '%s'\n", name.c_str(), result.error.c_str());
    std::abort();
  }
}
