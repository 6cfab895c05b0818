#include "counted_heap.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace lintaro::bench {

std::atomic<size_t> heap_in_use{0};
std::atomic<size_t> heap_peak{0};

}  // namespace lintaro::bench

namespace {

using lintaro::bench::heap_in_use;
using lintaro::bench::heap_peak;

void* CountedAlloc(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const size_t now = heap_in_use.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    size_t peak = heap_peak.load();
    while (now > peak && !heap_peak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void CountedFree(void* p) {
    if (!p) return;
    heap_in_use.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

}  // namespace

void* operator new(size_t size) { return CountedAlloc(size); }
void* operator new[](size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }
