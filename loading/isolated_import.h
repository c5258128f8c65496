// Running an import in a child process, so that a crash, an endless loop or a runaway
// allocation inside a third-party reader ends as one error line instead of taking the
// program down. Assimp 5.2 overflows its stack on deeply nested scenes (a COLLADA file of
// 10,000 nested nodes, a glTF chain of 20,000) and has more such faults on crafted input.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "loading/model_loader.h"

struct ImportLimits {
  std::uint64_t cpuSeconds = 0;         // processor time the child may use
  std::uint64_t wallSeconds = 0;        // the parent's backstop for a child that blocks
  std::uint64_t addressSpaceBytes = 0;  // 0: unlimited (always so under AddressSanitizer)
};

// Generous limits for an input of this many bytes: 30 s of processor time plus 1 s per MB,
// twice that plus 30 s of wall-clock time, 4 GiB plus 32 times the input of address space.
// A legitimate import stays far below them (a 1,000,000-vertex binary PLY of 38 MB takes
// 0.6 s and 130 MB; a 76 MB OBJ 1.7 s and 470 MB).
ImportLimits importLimitsFor(std::uintmax_t inputBytes);

// Runs import in a forked child under limits and returns its result. When the child dies
// (signal, exit without an answer, limit exceeded) the result is the error
// "NAME: reason", with reason saying which. The child writes nothing to standard output (nor
// to standard error, unless built with AddressSanitizer, whose reports should be seen);
// import's own messages go into its result. Where fork fails, import runs in this process.
// Forking copies only the calling thread: call it where no other thread holds a lock that
// import needs (the wall-clock limit ends the child should that happen anyway).
LoadResult runIsolated(const std::string& name, const ImportLimits& limits,
                       const std::function<LoadResult()>& import);
