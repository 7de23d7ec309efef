// A bounded cache of freed large malloc blocks, for the host allocator.
//
// A pass over a big mesh allocates and frees the same few large arrays every time; keeping
// them spares the system mapping, faulting in and unmapping hundreds of megabytes per pass.
// Blocks are kept by capacity, at most kLargeCacheEntries of them and kLargeCacheBytes in
// all; a block that does not fit pushes out the oldest. Cached blocks are the cache's, not
// their former owner's (the allocator counts them as freed). Thread-safe (one mutex; blocks
// this large are few).
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostapp::detail {

constexpr size_t kLargeCacheMinBytes = size_t{1} << 20;   // smaller blocks go back to malloc
constexpr size_t kLargeCacheBytes = size_t{512} << 20;    // total held at most
constexpr int kLargeCacheEntries = 64;

// in: the bytes needed (>= kLargeCacheMinBytes). out: a cached malloc block of at least that
// many bytes and at most a quarter more (the smallest such, then the most recently cached),
// its size in *capacity; NULL when none fits.
void* LargeCacheTake(size_t bytes, size_t* capacity);

// in: a malloc block of capacity bytes that its owner gives up. out: true when the cache
// keeps it; false when the caller must free it (too small or too large to keep).
bool LargeCacheGive(void* block, size_t capacity);

// Bytes held by the cache.
size_t LargeCacheHeldBytes();

// Frees every cached block.
void LargeCacheClear();

}  // namespace hostapp::detail
