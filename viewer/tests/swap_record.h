// The record bvdemo's test preload shares with the end-to-end tests through a mapped file.
#pragma once

#include <cstdint>

struct SwapRecord {
  std::uint64_t swaps = 0;                   // buffer swaps completed so far
  std::int64_t stdoutBytesAtFirstSwap = -1;  // size of standard output as the first frame went up
};
