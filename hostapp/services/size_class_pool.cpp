#include "hostapp/services/size_class_pool.h"

#include <atomic>
#include <mutex>
#include <new>

#include "hostapp/services/address_region.h"

namespace hostapp::detail {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr auto kAcquire = std::memory_order_acquire;
constexpr auto kRelease = std::memory_order_release;
constexpr auto kAcqRel = std::memory_order_acq_rel;
constexpr uint32_t kHeaderBytes = kChunkHeaderBytes;
static_assert(sizeof(Chunk) <= kHeaderBytes, "the chunk header fits before the bitmap");

// Where the parts of a chunk of one class lie.
struct Layout {
  uint32_t blocks, words, dataOffset;
};

// in: class. out: the most blocks that fit in a chunk beside their header, bitmap and records.
constexpr Layout LayoutOf(int cls) {
  const uint64_t bytes = static_cast<uint64_t>(BlockBytes(cls));
  for (uint64_t n = (kRegionChunkBytes - kHeaderBytes) / bytes; n > 0; --n) {
    const uint64_t words = (n + 63) / 64;
    const uint64_t data = (kHeaderBytes + words * 8 + n * sizeof(BlockRecord) + 15) / 16 * 16;
    if (data + n * bytes <= kRegionChunkBytes)
      return {static_cast<uint32_t>(n), static_cast<uint32_t>(words), static_cast<uint32_t>(data)};
  }
  return {0, 0, 0};
}

inline std::atomic<uint64_t>* Bitmap(Chunk* c) {
  return reinterpret_cast<std::atomic<uint64_t>*>(reinterpret_cast<char*>(c) + kHeaderBytes);
}
inline int PopCount(uint64_t m) { return __builtin_popcountll(m); }

// The chunks of one class in address order, and where to start looking for free blocks.
//
// The hint packs the number of the lowest chunk that may have bitmap bits (its place in the
// region + 1; 0: the first chunk) with a version that every return of blocks bumps, so a
// thread that moves the hint up past chunks it found full fails to when blocks came back
// meanwhile.
struct alignas(64) ClassList {
  std::mutex mutex;                    // serialises growth
  Chunk* last = nullptr;               // under mutex
  std::atomic<Chunk*> first{nullptr};
  std::atomic<uint64_t> hint{0};
};

// Never destroyed: threads may still free blocks while the process exits.
ClassList* Lists() {
  static ClassList* lists = new ClassList[kClassCount];
  return lists;
}

inline uint32_t NumberOf(const Chunk* c) {
  return static_cast<uint32_t>((reinterpret_cast<uintptr_t>(c) - Region().begin) / kRegionChunkBytes + 1);
}
inline Chunk* ChunkOf(uint32_t number) {
  return reinterpret_cast<Chunk*>(Region().begin + (number - 1) * kRegionChunkBytes);
}
inline uint32_t HintNumber(uint64_t hint) { return static_cast<uint32_t>(hint); }
inline uint64_t Hint(uint32_t number, uint64_t version) { return (version << 32) | number; }

// Lowers the class's hint to c when it lies above, and bumps its version.
void NoteReturnedBlocks(ClassList& list, const Chunk* c) {
  const uint32_t number = NumberOf(c);
  uint64_t h = list.hint.load(kRelaxed);
  for (;;) {
    const uint32_t at = HintNumber(h);
    const uint64_t next = Hint(at != 0 && number < at ? number : at, (h >> 32) + 1);
    if (list.hint.compare_exchange_weak(h, next, kAcqRel, kRelaxed)) return;
  }
}

// Moves the class's hint up to c, unless blocks came back since it read `seen`.
void RaiseHint(ClassList& list, uint64_t seen, const Chunk* c) {
  list.hint.compare_exchange_strong(seen, Hint(NumberOf(c), seen >> 32), kAcqRel, kRelaxed);
}

// Sets bits of word `word` of c free in its bitmap.
void ReturnBits(Chunk* c, uint32_t word, uint64_t bits) {
  Bitmap(c)[word].fetch_or(bits, kRelease);
  c->freeCount.fetch_add(PopCount(bits), kRelaxed);
  NoteReturnedBlocks(Lists()[c->cls], c);
}

// Moves the cache's pending frees into their bitmaps.
void FlushPending(ThreadCache& cache) {
  for (int i = 0; i < cache.pendingCount; ++i) {
    const PendingRun& run = cache.pending[i];
    ReturnBits(run.chunk, run.word, run.bits);
  }
  cache.pendingCount = 0;
}

// Claims the lowest non-empty bitmap word of c into cur. false: c has no free bits.
bool Claim(Chunk* c, ClassCursor& cur) {
  std::atomic<uint64_t>* bits = Bitmap(c);
  for (uint32_t w = 0; w < c->words; ++w) {
    if (bits[w].load(kRelaxed) == 0) continue;
    const uint64_t m = bits[w].exchange(0, kAcqRel);
    if (m == 0) continue;
    c->freeCount.fetch_sub(PopCount(m), kRelaxed);
    cur.chunk = c;
    cur.word = w;
    cur.mask = m;
    return true;
  }
  return false;
}

// A new chunk of cls at the end of its list, every block free; NULL when none can be committed.
Chunk* Grow(int cls) {
  static const Layout kLayouts[kClassCount] = {
      LayoutOf(0), LayoutOf(1), LayoutOf(2),  LayoutOf(3),  LayoutOf(4),  LayoutOf(5),  LayoutOf(6),  LayoutOf(7),
      LayoutOf(8), LayoutOf(9), LayoutOf(10), LayoutOf(11), LayoutOf(12), LayoutOf(13), LayoutOf(14), LayoutOf(15)};
  static_assert(kClassCount == 16, "one layout per class");
  ClassList& list = Lists()[cls];
  std::lock_guard<std::mutex> lock(list.mutex);
  // A chunk another thread added meanwhile most likely still has free blocks.
  if (list.last && list.last->freeCount.load(kRelaxed) > 0) return list.last;
  void* mem = CommitRegionChunk();
  if (!mem) return nullptr;
  const Layout& l = kLayouts[cls];
  auto* c = new (mem) Chunk;
  c->magic = kChunkMagic;
  c->cls = static_cast<uint16_t>(cls);
  c->words = static_cast<uint16_t>(l.words);
  c->blocks = l.blocks;
  c->dataOffset = l.dataOffset;
  c->blockBytes = static_cast<uint32_t>(BlockBytes(cls));
  c->reciprocal = static_cast<uint32_t>(((uint64_t{1} << 32) + c->blockBytes - 1) / c->blockBytes);
  for (uint32_t w = 0; w < l.words; ++w) {
    const uint32_t inWord = l.blocks - w * 64 < 64 ? l.blocks - w * 64 : 64;
    new (Bitmap(c) + w) std::atomic<uint64_t>(inWord == 64 ? ~uint64_t{0} : (uint64_t{1} << inWord) - 1);
  }
  c->freeCount.store(l.blocks, kRelaxed);
  // Records start zero ("never allocated"): the committed memory is fresh.
  if (list.last) list.last->next.store(c, kRelease);
  else list.first.store(c, kRelease);
  list.last = c;
  return c;
}

}  // namespace

// Fills the class's cursor with free blocks: from the lowest chunk that has some, else from
// a new chunk.
bool PoolRefill(ThreadCache& cache, int cls) {
  if (cache.pendingCount) FlushPending(cache);
  ClassList& list = Lists()[cls];
  ClassCursor& cur = cache.cursors[cls];
  for (;;) {
    const uint64_t hint = list.hint.load(kAcquire);
    Chunk* const start = HintNumber(hint) ? ChunkOf(HintNumber(hint)) : list.first.load(kAcquire);
    for (Chunk* c = start; c; c = c->next.load(kAcquire)) {
      if (c->freeCount.load(kRelaxed) <= 0 || !Claim(c, cur)) continue;
      if (c != start) RaiseHint(list, hint, c);
      return true;
    }
    Chunk* c = Grow(cls);
    if (!c) return false;
    RaiseHint(list, hint, c);
    if (Claim(c, cur)) return true;
  }
}

void PoolQueueFree(ThreadCache& cache, Chunk* c, uint32_t word, uint64_t bit) {
  if (cache.pendingCount == kPendingRuns) FlushPending(cache);
  cache.pending[cache.pendingCount++] = {c, word, bit};
}

void PoolFlush(ThreadCache& cache) {
  FlushPending(cache);
  for (ClassCursor& cur : cache.cursors) {
    if (cur.mask) ReturnBits(cur.chunk, cur.word, cur.mask);
    cur = ClassCursor{nullptr, 0, 0};
  }
}

}  // namespace hostapp::detail
