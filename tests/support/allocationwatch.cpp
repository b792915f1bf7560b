#include "allocationwatch.h"

#include <atomic>
#include <cstddef>
#include <limits>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
}

namespace {

std::atomic<qint64> largestRequest{0};

void note(size_t size)
{
    const qint64 s = qint64(qMin<size_t>(size, size_t(std::numeric_limits<qint64>::max())));
    qint64 seen = largestRequest.load(std::memory_order_relaxed);
    while (s > seen && !largestRequest.compare_exchange_weak(seen, s, std::memory_order_relaxed)) {
    }
}

} // namespace

// The allocator stays the C library's; free() needs no replacement.
extern "C" void *malloc(size_t size)
{
    note(size);
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t count, size_t size)
{
    note(count && size > size_t(-1) / count ? size_t(-1) : count * size);
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *p, size_t size)
{
    note(size);
    return __libc_realloc(p, size);
}

namespace allocationwatch {

void reset()
{
    largestRequest.store(0);
}

qint64 largest()
{
    return largestRequest.load();
}

} // namespace allocationwatch
