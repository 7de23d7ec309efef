// Small blocks without inline headers, for the host allocator.
//
// Blocks of up to kSmallMax bytes come in kClassCount classes of kClassStep-byte steps and
// live in 64 KB chunks committed from one reserved address range (address_region.h), so a
// block needs no header: its chunk is its address rounded down to 64 KB. Each chunk holds
// blocks of one class and starts with a header: the class, a bitmap of the blocks free for
// any thread to take, and a side table with one BlockRecord per block (requested size,
// allocating file's slot, whether it is live). Blocks follow the header back to back, so a
// 16-byte list takes exactly 16 bytes, next to the one allocated before it.
//
// Taking blocks: a thread claims a whole bitmap word (up to 64 free blocks) with one atomic
// exchange and hands them out lowest address first; it claims from the lowest chunk of the
// class that may have free blocks, lowest word first. So blocks come out in address order,
// and a pass that frees everything and allocates again gets the same addresses in the same
// order, however much churn came before.
//
// Returning blocks: a block of the word the thread is handing out goes straight back to it;
// others wait in a short per-thread list that is merged into the bitmaps a word at a time.
// Chunks are kept for the life of the process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostapp::detail {

constexpr int kClassCount = 16;
constexpr int64_t kClassStep = 16;
constexpr int64_t kSmallMax = kClassCount * kClassStep;  // 256 bytes

// Block size of class cls, in bytes (16, 32, ..., 256).
constexpr int64_t BlockBytes(int cls) { return (cls + 1) * kClassStep; }

// The class of a block of size bytes (0 <= size <= kSmallMax); size 0 takes class 0.
constexpr int ClassOf(int64_t size) { return size <= kClassStep ? 0 : static_cast<int>((size - 1) / kClassStep); }

// A block's entry in its chunk's side table. Fresh (zero) entries are "never allocated".
struct BlockRecord {
  static constexpr uint16_t kNever = 0;
  static constexpr uint16_t kFreed = 0xFFFF;
  uint16_t sizePlusOne;  // live: requested bytes + 1; else kNever or kFreed
  uint16_t slot;         // allocating file (allocation_counters.h), while live

  bool Live() const { return sizePlusOne != kNever && sizePlusOne != kFreed; }
  int64_t Size() const { return sizePlusOne - 1; }
  void SetLive(int64_t size, int fileSlot) {
    sizePlusOne = static_cast<uint16_t>(size + 1);
    slot = static_cast<uint16_t>(fileSlot);
  }
};

struct Chunk;  // a 64 KB chunk of one class (size_class_pool.cpp)

// A block found by address.
struct SmallBlock {
  Chunk* chunk;
  uint32_t index;        // block number within the chunk
  int cls;
  BlockRecord* record;   // NULL: the address is not the start of a block of a committed chunk
};

// One thread's state per class: the free blocks of the bitmap word it hands out.
struct ClassCursor {
  Chunk* chunk;
  uint32_t word;
  uint64_t mask;  // bit b set: block word*64+b is free and this thread's to hand out
};
struct PendingFree {
  Chunk* chunk;
  uint32_t index;
};
constexpr int kPendingFrees = 64;

// One thread's cache. Zero-initialised it is a valid empty cache.
struct ThreadCache {
  ClassCursor cursors[kClassCount];
  PendingFree pending[kPendingFrees];  // freed blocks not yet back in their bitmaps
  int pendingCount;
};

// in: any address. out: true when it lies in the pool's address range (a block or not).
bool PoolOwns(const void* p);

// in: an address the pool owns. out: the block starting there (record NULL when none does).
SmallBlock PoolLookup(const void* p);

// in: cache, class. out: a block of BlockBytes(cls) bytes, 16-byte aligned, and its record
// in *record (the caller fills it); NULL when the address range is used up or absent.
void* PoolAllocate(ThreadCache& cache, int cls, BlockRecord** record);

// in: cache, a block of the pool that the caller has already marked freed in its record.
// The block becomes free for reuse.
void PoolFree(ThreadCache& cache, const SmallBlock& block);

// Returns every block held by cache to the bitmaps (a thread that exits calls this).
void PoolFlush(ThreadCache& cache);

}  // namespace hostapp::detail
