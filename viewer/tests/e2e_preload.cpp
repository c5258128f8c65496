// Preloaded into bvdemo by the end-to-end tests (LD_PRELOAD). Overrides only two symbols:
// - time(): returns BVDEMO_E2E_TIME when it is set, so a run's clock seed is fixed without
//   freezing the clocks GLUT itself reads;
// - glXSwapBuffers(): forwards to the real one and counts swaps in the file named by
//   BVDEMO_E2E_SHARED, which the test maps too (layout: SwapRecord). Waiting for a few swaps
//   after a key press is how a test knows the frame shows the key's effect.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "viewer/tests/swap_record.h"

namespace {

SwapRecord* sharedRecord() {
  static SwapRecord* record = []() -> SwapRecord* {
    const char* path = std::getenv("BVDEMO_E2E_SHARED");
    if (path == nullptr) {
      return nullptr;
    }
    const int fd = open(path, O_RDWR);
    if (fd < 0) {
      return nullptr;
    }
    void* mapped = mmap(nullptr, sizeof(SwapRecord), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return mapped == MAP_FAILED ? nullptr : static_cast<SwapRecord*>(mapped);
  }();
  return record;
}

// Bytes written to standard output so far, when it is a regular file.
long long stdoutSize() {
  struct stat status {};
  return fstat(STDOUT_FILENO, &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

}  // namespace

extern "C" time_t time(time_t* result) {
  time_t now;
  if (const char* fixed = std::getenv("BVDEMO_E2E_TIME")) {
    now = static_cast<time_t>(std::strtoll(fixed, nullptr, 10));
  } else {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    now = ts.tv_sec;
  }
  if (result != nullptr) {
    *result = now;
  }
  return now;
}

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  using SwapBuffers = void (*)(Display*, GLXDrawable);
  static const auto real = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
  SwapRecord* record = sharedRecord();
  if (record != nullptr && __atomic_load_n(&record->swaps, __ATOMIC_ACQUIRE) == 0) {
    record->stdoutBytesAtFirstSwap = stdoutSize();
  }
  real(display, drawable);
  if (record != nullptr) {
    __atomic_add_fetch(&record->swaps, 1, __ATOMIC_RELEASE);
  }
}
