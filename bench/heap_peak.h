// The peak heap of a piece of work, counted by wrapping glibc's allocator (malloc, calloc,
// realloc, the aligned allocations and free), which operator new, Qhull and CGAL all go
// through. The wrappers count only while a peak is measured, so timed runs pay one relaxed
// atomic load per allocation; the counts are atomic because the minimum box's search
// allocates on two threads.
#pragma once

#include <functional>

// The peak of the heap in use while run ran, above what was in use when it started, in
// megabytes. Not reentrant: one measurement at a time.
double peakHeapMegabytes(const std::function<void()>& run);
