// Heap accounting for the benchmarks that report a peak of memory: linking counted_heap.cpp
// replaces the process's operator new and delete with ones that count every block with its usable
// size. A benchmark reads HeapInUse() as its baseline, resets the peak to it, runs, and takes the
// peak above the baseline as what the run allocated at most.
#pragma once

#include <atomic>
#include <cstddef>

namespace lintaro::bench {

extern std::atomic<size_t> heap_in_use;
extern std::atomic<size_t> heap_peak;

}  // namespace lintaro::bench
