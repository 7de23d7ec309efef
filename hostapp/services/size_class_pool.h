// Slabs of small fixed-size blocks with per-thread caches, for the host allocator.
//
// Blocks come in kClassCount classes of kClassStep-byte steps (class c holds blocks of
// BlockBytes(c) bytes). Each thread keeps a free list per class; lists spill to and refill
// from a central list per class in batches under that class's mutex, so the common
// allocate/free is a pointer pop/push with no lock. Slabs are carved from 64 KB chunks
// taken from malloc and kept for the life of the process (blocks are recycled, never
// returned to the system).
//
// A free block's bytes 0..7 and 16..31 are used as links; bytes 8..15 are left untouched
// so the caller may keep a marker there across free and reuse.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostapp::detail {

constexpr int kClassCount = 16;
constexpr int64_t kClassStep = 16;

// Block size of class cls, in bytes (32, 48, ..., 272).
constexpr int64_t BlockBytes(int cls) { return (cls + 2) * kClassStep; }

// One thread's free lists. Zero-initialised it is a valid empty cache.
struct FreeList {
  void* head;
  int64_t count;
};
struct ThreadCache {
  FreeList lists[kClassCount];
};

// A block of BlockBytes(cls) bytes, 16-byte aligned, from cache (refilled from the central
// list or a new chunk when empty). NULL: out of memory.
void* PoolAllocate(ThreadCache& cache, int cls);

// Returns a block of class cls to cache (spilling a batch to the central list when full).
void PoolFree(ThreadCache& cache, void* block, int cls);

// Moves every block of cache to the central lists (a thread that exits calls this).
void PoolFlush(ThreadCache& cache);

}  // namespace hostapp::detail
