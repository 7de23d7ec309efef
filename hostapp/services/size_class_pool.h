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
// others collect per bitmap word in a short per-thread list that is merged into the
// bitmaps (one atomic per word) when it is full or the thread next claims a word.
// Chunks are kept for the life of the process.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "hostapp/services/address_region.h"

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

  int64_t Size() const { return sizePlusOne - 1; }
  void SetLive(int64_t size, int fileSlot) {
    sizePlusOne = static_cast<uint16_t>(size + 1);
    slot = static_cast<uint16_t>(fileSlot);
  }
};

// The header at the start of every chunk; the bitmap (std::atomic<uint64_t> per word)
// follows at kChunkHeaderBytes, then the side table of records, then the blocks at dataOffset.
struct Chunk {
  uint32_t magic;
  uint16_t cls;
  uint16_t words;        // bitmap words
  uint32_t blocks;       // blocks in the chunk
  uint32_t dataOffset;   // first block, from the chunk's start
  uint32_t blockBytes;   // BlockBytes(cls)
  uint32_t reciprocal;   // ceil(2^32 / blockBytes): offset / blockBytes without a division
  std::atomic<Chunk*> next{nullptr};   // the class's next chunk, at a higher address
  std::atomic<int64_t> freeCount{0};   // blocks set in the bitmap (a hint: may briefly lag)
};
constexpr uint32_t kChunkMagic = 0x43484B53;
constexpr uint32_t kChunkHeaderBytes = 64;

// The chunk an address of the pool lies in.
inline Chunk* ChunkAt(const void* p) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(p) & ~(kRegionChunkBytes - 1));
}
// The side table of c.
inline BlockRecord* Records(Chunk* c) {
  return reinterpret_cast<BlockRecord*>(reinterpret_cast<char*>(c) + kChunkHeaderBytes + c->words * 8u);
}
// in: c, a byte offset from its first block (< 64 KB). out: offset / blockBytes; exact,
// because the offset is below 2^16 and the block size at most 2^8.
inline uint32_t BlockIndex(const Chunk* c, uint64_t offset) {
  return static_cast<uint32_t>((offset * c->reciprocal) >> 32);
}

// One thread's state per class: the free blocks of the bitmap word it hands out.
struct ClassCursor {
  Chunk* chunk;
  uint32_t word;
  uint64_t mask;  // bit b set: block word*64+b is free and this thread's to hand out
};
// Freed blocks of one bitmap word not yet back in the bitmap.
struct PendingRun {
  Chunk* chunk;
  uint32_t word;
  uint64_t bits;
};
constexpr int kPendingRuns = 32;

// One thread's cache. Zero-initialised it is a valid empty cache.
struct ThreadCache {
  ClassCursor cursors[kClassCount];
  PendingRun pending[kPendingRuns];  // merged into the bitmaps when full or on a refill
  int pendingCount;
};

// in: any address. out: true when it lies in the pool's address range (a block or not).
inline bool PoolOwns(const void* p) { return InRegion(Region(), p); }

// in: an address the pool owns. out: the record of the block that starts there; NULL when
// none does (not the start of a block, or not in a committed chunk).
inline BlockRecord* PoolRecordOf(const void* p) {
  const AddressRegion& r = Region();
  Chunk* c = ChunkAt(p);
  const uintptr_t base = reinterpret_cast<uintptr_t>(c);
  if (base >= r.committed.load(std::memory_order_acquire) || c->magic != kChunkMagic) return nullptr;
  const uintptr_t a = reinterpret_cast<uintptr_t>(p);
  if (a - base < c->dataOffset) return nullptr;
  const uint64_t offset = a - base - c->dataOffset;
  const uint32_t i = BlockIndex(c, offset);
  if (i >= c->blocks || static_cast<uint64_t>(i) * c->blockBytes != offset) return nullptr;
  return Records(c) + i;
}

// in: a block of the pool. out: its class.
inline int PoolClassOf(const void* block) { return ChunkAt(block)->cls; }

// Fills the cursor of cls from the bitmaps (or a new chunk). false: out of chunks.
bool PoolRefill(ThreadCache& cache, int cls);

// in: cache, class. out: a block of BlockBytes(cls) bytes, 16-byte aligned, and its record
// in *record (the caller fills it); NULL when the address range is used up or absent.
inline void* PoolAllocate(ThreadCache& cache, int cls, BlockRecord** record) {
  ClassCursor& cur = cache.cursors[cls];
  if (cur.mask == 0 && !PoolRefill(cache, cls)) return nullptr;
  const uint32_t index = cur.word * 64 + static_cast<uint32_t>(__builtin_ctzll(cur.mask));
  cur.mask &= cur.mask - 1;
  Chunk* c = cur.chunk;
  *record = Records(c) + index;
  return reinterpret_cast<char*>(c) + c->dataOffset + static_cast<size_t>(index) * c->blockBytes;
}

// Adds a freed block to the cache's pending list as a new run (flushing a full list).
void PoolQueueFree(ThreadCache& cache, Chunk* c, uint32_t word, uint64_t bit);

// in: cache, a block of the pool that the caller has already marked freed in its record.
// The block becomes free for reuse.
inline void PoolFree(ThreadCache& cache, void* block) {
  Chunk* c = ChunkAt(block);
  const uintptr_t offset = reinterpret_cast<uintptr_t>(block) - reinterpret_cast<uintptr_t>(c) - c->dataOffset;
  const uint32_t index = BlockIndex(c, offset);
  const uint32_t word = index / 64;
  const uint64_t bit = uint64_t{1} << (index % 64);
  ClassCursor& cur = cache.cursors[c->cls];
  if (cur.chunk == c && cur.word == word) {  // the word this thread hands out
    cur.mask |= bit;
    return;
  }
  const int n = cache.pendingCount;
  if (n > 0 && cache.pending[n - 1].chunk == c && cache.pending[n - 1].word == word) {
    cache.pending[n - 1].bits |= bit;
    return;
  }
  PoolQueueFree(cache, c, word, bit);
}

// Returns every block held by cache to the bitmaps (a thread that exits calls this).
void PoolFlush(ThreadCache& cache);

}  // namespace hostapp::detail
