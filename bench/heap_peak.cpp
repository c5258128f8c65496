// Heap accounting: every allocation of the process goes through these wrappers of glibc's
// allocator.
#include "bench/heap_peak.h"

#include <malloc.h>

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<bool> counting{false};
// Signed: memory taken before the count started may be given back while it runs.
std::atomic<std::ptrdiff_t> heapInUse{0};
std::atomic<std::ptrdiff_t> heapPeak{0};

void* counted(void* p) {
  if (counting.load(std::memory_order_relaxed) && p != nullptr) {
    const std::ptrdiff_t now =
        heapInUse.fetch_add(static_cast<std::ptrdiff_t>(malloc_usable_size(p))) +
        static_cast<std::ptrdiff_t>(malloc_usable_size(p));
    std::ptrdiff_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
  }
  return p;
}

void uncount(void* p) {
  if (counting.load(std::memory_order_relaxed) && p != nullptr)
    heapInUse.fetch_sub(static_cast<std::ptrdiff_t>(malloc_usable_size(p)));
}

}  // namespace

extern "C" {
void* malloc(std::size_t size) {
  return counted(__libc_malloc(size));
}
void* calloc(std::size_t count, std::size_t size) {
  return counted(__libc_calloc(count, size));
}
void* realloc(void* p, std::size_t size) {
  uncount(p);
  return counted(__libc_realloc(p, size));
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
  return counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  *out = counted(__libc_memalign(alignment, size));
  return *out == nullptr ? 12 /* ENOMEM */ : 0;
}
void free(void* p) {
  uncount(p);
  __libc_free(p);
}
}

double peakHeapMegabytes(const std::function<void()>& run) {
  heapInUse = 0;
  heapPeak = 0;
  counting = true;
  run();
  counting = false;
  return static_cast<double>(heapPeak.load()) / (1024.0 * 1024.0);
}
