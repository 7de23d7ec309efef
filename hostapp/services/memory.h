// The host allocator behind C4D_MemoryTable.
//
// Every block is counted against the source file named by the caller, compared by content
// (so the same file seen through different pointers is one entry), with its requested size.
// Blocks of up to 256 bytes carry no header: they come from size-class chunks in one
// reserved address range (size_class_pool.h), handed out in address order, so a run of
// small lists allocated one after another lies back to back in memory. Larger blocks come
// from malloc behind a 32-byte header; freed ones of 1 MB and more are kept in a bounded
// cache for the next pass (large_block_cache.h) and no longer count as outstanding. Under
// AddressSanitizer every block comes from malloc, uncached, so overflows stay visible; so
// do small blocks when no address range could be reserved or it is used up.
//
// A switch makes the n-th allocation call from now fail, so tests can drive every
// out-of-memory path: alloc, alloc_clear and realloc each count as one allocation call
// (including calls that fail for a negative size). All functions may be called from any
// thread. Source lines are accepted but not kept.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "c4d_abi.h"

namespace hostapp {

// The table handed to plug-ins; static, never NULL.
const C4D_MemoryTable* memoryTable();

// C++ entry points of the same allocator (the table forwards to these).
// A block of size bytes (contents undefined / zero-filled); size 0 gives a unique block.
// NULL: out of memory, an injected failure, or size < 0.
void* MemoryAlloc(int64_t size, int32_t line, const char* file);
void* MemoryAllocClear(int64_t size, int32_t line, const char* file);
// Resizes p (NULL p: allocates), keeping min(old, new) bytes; the block is then counted
// against `file`. NULL: failure, and p is left intact and still owned by the caller.
void* MemoryRealloc(void* p, int64_t size, int32_t line, const char* file);
// Frees a block of this allocator; NULL is ignored. A pointer that is not a live block of
// this allocator (foreign or already freed) aborts the process with a message.
void MemoryFree(void* p);

// Arms the failure switch: the n-th allocation call from now (1: the very next) returns
// NULL, once. n <= 0 disarms it.
void FailAllocationAfter(int64_t n);

// Number of allocation calls so far (monotonic, all threads).
int64_t AllocationCount();
// Number of allocation calls so far that found no memory (injected failures included; calls
// with a negative size are not counted), so that a caller can tell an operation that failed
// for want of memory from one that failed otherwise.
int64_t FailedAllocationCount();

struct OutstandingEntry {
  std::string file;
  int64_t blocks;
  int64_t bytes;
};

// Live blocks and bytes per allocating file, files sorted by name, only files with live
// blocks. Exact when no other thread allocates or frees during the call.
std::vector<OutstandingEntry> Outstanding();
int64_t OutstandingBlocks();
int64_t OutstandingBytes();

// Bytes held by the cache of freed large blocks (not outstanding), and freeing them all.
int64_t CachedLargeBytes();
void ReleaseCachedLargeBlocks();

// true when p is a block of the headerless small-block pool (false for malloc blocks,
// and for every block under AddressSanitizer).
bool IsPooledBlock(const void* p);

// Constructs a T in a block counted against file; NULL when out of memory or when T's
// constructor throws. For the host's own objects behind opaque handles.
template <class T, class... Args>
T* CountedNew(int32_t line, const char* file, Args&&... args) {
  void* p = MemoryAlloc(static_cast<int64_t>(sizeof(T)), line, file);
  if (!p) return nullptr;
  try {
    return new (p) T(std::forward<Args>(args)...);
  } catch (...) {
    MemoryFree(p);
    return nullptr;
  }
}

// Destroys and frees an object of CountedNew; NULL is ignored.
template <class T>
void CountedDelete(T* p) {
  if (!p) return;
  p->~T();
  MemoryFree(p);
}

}  // namespace hostapp
