#include "hostapp/services/memory.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "hostapp/services/allocation_counters.h"
#include "hostapp/services/large_block_cache.h"
#include "hostapp/services/size_class_pool.h"

#if defined(__SANITIZE_ADDRESS__)
#define TAVREN_PLAIN_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVREN_PLAIN_MALLOC 1
#endif
#endif
#ifndef TAVREN_PLAIN_MALLOC
#define TAVREN_PLAIN_MALLOC 0
#endif

namespace hostapp {
namespace {

using detail::BlockRecord;
using detail::ThreadCache;
using detail::ThreadCounters;

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr bool kPlainMalloc = TAVREN_PLAIN_MALLOC != 0;
constexpr uint32_t kLive = 0x7AB1C0DE;
constexpr uint32_t kFreed = 0xDEADF4EE;

// Precedes every block that comes from malloc (large blocks; every block under
// AddressSanitizer or when the pool's address range is used up).
struct alignas(16) Header {
  int64_t capacity;  // payload bytes the block holds
  int64_t size;      // requested bytes
  uint32_t slot;     // allocating file
  uint32_t marker;   // kLive or kFreed
  uint64_t unused;
};
static_assert(sizeof(Header) == 32, "the header keeps payloads 16-byte aligned");
static_assert(detail::kMaxFileSlots <= 0x10000, "a block record holds any file slot");

inline Header* HeaderOf(void* p) { return static_cast<Header*>(p) - 1; }
inline void* PayloadOf(Header* h) { return h + 1; }

// Everything a thread touches on each call: its pool cache, its counters, and a small
// direct-mapped cache from a file pointer to its slot.
struct ThreadState {
  ThreadCache cache;
  struct SlotEntry {
    const char* file;
    int32_t slot;
  } slots[64];
  ThreadCounters counters;
};

// Where threads whose own state is gone (exited, or never made for want of memory) count
// and cache, serialised by a mutex. Never destroyed.
struct Orphan {
  std::mutex mutex;
  ThreadState state;
};

Orphan& Orphans() {
  static Orphan* o = [] {
    auto* x = new Orphan();
    detail::RegisterCounters(&x->state.counters);
    return x;
  }();
  return *o;
}

thread_local ThreadState* t_state = nullptr;
thread_local bool t_exited = false;

// Hands a thread's state to the orphan when the thread ends.
struct StateReaper {
  bool armed = false;
  ~StateReaper() {
    ThreadState* s = t_state;
    if (!s) return;
    t_state = nullptr;
    t_exited = true;
    Orphan& o = Orphans();
    detail::PoolFlush(s->cache);
    detail::RetireCounters(&s->counters, &o.state.counters, o.mutex);
    delete s;
  }
};
thread_local StateReaper t_reaper;

ThreadState* CreateState() {
  Orphans();  // exists before any thread can retire into it
  auto* s = new (std::nothrow) ThreadState();
  if (!s) return nullptr;
  detail::RegisterCounters(&s->counters);
  t_reaper.armed = true;
  t_state = s;
  return s;
}

template <class F>
auto WithStateSlow(F&& f) {
  if (!t_exited) {
    if (ThreadState* s = CreateState()) return f(*s);
  }
  Orphan& o = Orphans();
  std::lock_guard<std::mutex> lock(o.mutex);
  return f(o.state);
}

// Runs f on the calling thread's state (or the orphan's, under its mutex).
template <class F>
inline auto WithState(F&& f) {
  if (ThreadState* s = t_state) return f(*s);
  return WithStateSlow(f);
}

int SlotOf(ThreadState& s, const char* file) {
  const auto key = reinterpret_cast<uintptr_t>(file);
  auto& e = s.slots[(static_cast<uint32_t>(key >> 3) * 0x9E3779B1u) >> 26];
  if (file && e.file == file) return e.slot;
  const int slot = detail::FileSlotOf(file);
  e.file = file;
  e.slot = slot;
  return slot;
}

// Adds (sign +1) or removes (-1) one block of size bytes from a file's counts.
inline void Count(ThreadState& s, int slot, int64_t size, int64_t sign) {
  detail::Bump(s.counters.blocks[slot], sign);
  detail::Bump(s.counters.bytes[slot], sign * size);
}

// Failure switch: when armed, the call that brings the countdown from 1 to 0 fails.
std::atomic<bool> g_failArmed{false};
std::atomic<int64_t> g_failCountdown{0};

// Allocation calls of a size >= 0 that found no memory (or were chosen to fail).
std::atomic<int64_t> g_failedAllocations{0};

// in: block, what an allocation call of size gives. out: block, counted when it is a failure.
inline void* CountFailure(void* block, int64_t size) {
  if (!block && size >= 0) g_failedAllocations.fetch_add(1, kRelaxed);
  return block;
}

// Counts one allocation call; true when it is the one chosen to fail.
inline bool CountCallAndTestFailure(ThreadState& s) {
  detail::Bump(s.counters.calls, 1);
  if (!g_failArmed.load(kRelaxed)) return false;
  if (g_failCountdown.fetch_sub(1, kRelaxed) != 1) return false;
  g_failArmed.store(false, kRelaxed);
  return true;
}

[[noreturn]] void Die(const char* what, const void* p) {
  std::fprintf(stderr, "host allocator: %s (%p)\n", what, p);
  std::abort();
}

constexpr const char* kNotOurs = "pointer not allocated by the host allocator";
constexpr const char* kFreedTwice = "block freed twice or used after free";

// A live block found by address: a pool block (record set) or a malloc block (header set).
struct Block {
  BlockRecord* record;
  Header* header;
};

// in: a pointer handed to free or realloc. out: its block; aborts when p is not a live block.
Block CheckedBlock(void* p) {
  if (!kPlainMalloc && detail::PoolOwns(p)) {
    BlockRecord* r = detail::PoolRecordOf(p);
    if (!r || r->sizePlusOne == BlockRecord::kNever) Die(kNotOurs, p);
    if (r->sizePlusOne == BlockRecord::kFreed) Die(kFreedTwice, p);
    return {r, nullptr};
  }
  Header* h = HeaderOf(p);
  if (h->marker != kLive) Die(h->marker == kFreed ? kFreedTwice : kNotOurs, p);
  return {nullptr, h};
}

// in: bytes of payload. out: a block of the large-block cache that holds them, its header's
// capacity set; NULL when none fits (or the cache is off, or the size is too small for it).
Header* CachedBlock(int64_t size) {
  if (kPlainMalloc || size < static_cast<int64_t>(detail::kLargeCacheMinBytes)) return nullptr;
  size_t capacity = 0;
  auto* h = static_cast<Header*>(detail::LargeCacheTake(static_cast<size_t>(size), &capacity));
  if (h) h->capacity = static_cast<int64_t>(capacity);
  return h;
}

// in: bytes of payload. out: a malloc block holding them (from the large-block cache when
// one fits), its header's capacity set; NULL: out of memory.
Header* MallocBlock(int64_t size, bool clear) {
  if (static_cast<uint64_t>(size) > SIZE_MAX - sizeof(Header)) return nullptr;
  const auto bytes = static_cast<size_t>(size);
  if (Header* h = CachedBlock(size)) {
    if (clear) std::memset(PayloadOf(h), 0, bytes);
    return h;
  }
  auto* h = static_cast<Header*>(clear ? std::calloc(1, sizeof(Header) + bytes) : std::malloc(sizeof(Header) + bytes));
  if (h) h->capacity = size;
  return h;
}

// Gives a malloc block (already marked freed) to the large-block cache, or back to malloc.
void DropMallocBlock(Header* h) {
  if (kPlainMalloc || !detail::LargeCacheGive(h, static_cast<size_t>(h->capacity))) std::free(h);
}

// A new block of size bytes (>= 0) counted against slot; NULL: out of memory.
void* NewBlock(ThreadState& s, int64_t size, int slot, bool clear) {
  if (!kPlainMalloc && size <= detail::kSmallMax) {
    BlockRecord* record = nullptr;
    if (void* p = detail::PoolAllocate(s.cache, detail::ClassOf(size), &record)) {
      record->SetLive(size, slot);
      if (clear) std::memset(p, 0, static_cast<size_t>(size));
      Count(s, slot, size, 1);
      return p;
    }
    // The pool's range is used up or absent: the block comes from malloc.
  }
  Header* h = MallocBlock(size, clear);
  if (!h) return nullptr;
  h->size = size;
  h->slot = static_cast<uint32_t>(slot);
  h->marker = kLive;
  Count(s, slot, size, 1);
  return PayloadOf(h);
}

// Uncounts and frees the live block b at p.
void ReleaseBlock(ThreadState& s, void* p, Block b) {
  if (b.record) {
    Count(s, b.record->slot, b.record->Size(), -1);
    b.record->sizePlusOne = BlockRecord::kFreed;
    detail::PoolFree(s.cache, p);
  } else {
    Count(s, static_cast<int>(b.header->slot), b.header->size, -1);
    b.header->marker = kFreed;
    DropMallocBlock(b.header);
  }
}

// Resizes the live block b (at p) to size bytes counted against slot. out: the block's
// payload (moved or not); NULL: out of memory, b untouched.
void* Resize(ThreadState& s, void* p, Block b, int64_t size, int slot) {
  if (b.record) {
    BlockRecord& r = *b.record;
    if (size <= detail::BlockBytes(detail::PoolClassOf(p))) {  // fits where it is
      Count(s, r.slot, r.Size(), -1);
      r.SetLive(size, slot);
      Count(s, slot, size, 1);
      return p;
    }
  } else {
    Header* h = b.header;
    // Stays where it is when it fits and still uses at least half of the block.
    if (size <= h->capacity && size >= h->capacity / 2) {
      Count(s, static_cast<int>(h->slot), h->size, -1);
      h->size = size;
      h->slot = static_cast<uint32_t>(slot);
      Count(s, slot, size, 1);
      return p;
    }
    if (kPlainMalloc || size > detail::kSmallMax) {  // stays a malloc block
      if (static_cast<uint64_t>(size) > SIZE_MAX - sizeof(Header)) return nullptr;
      const Header old = *h;
      Header* g = CachedBlock(size);
      if (g) {
        std::memcpy(PayloadOf(g), p, static_cast<size_t>(size < old.size ? size : old.size));
        h->marker = kFreed;
        DropMallocBlock(h);
      } else {
        g = static_cast<Header*>(std::realloc(h, sizeof(Header) + static_cast<size_t>(size)));
        if (!g) return nullptr;
        g->capacity = size;
      }
      Count(s, static_cast<int>(old.slot), old.size, -1);
      g->size = size;
      g->slot = static_cast<uint32_t>(slot);
      g->marker = kLive;
      Count(s, slot, size, 1);
      return PayloadOf(g);
    }
  }
  // Moves between the pool and malloc, or between pool classes.
  void* q = NewBlock(s, size, slot, false);
  if (!q) return nullptr;
  const int64_t old = b.record ? b.record->Size() : b.header->size;
  std::memcpy(q, p, static_cast<size_t>(size < old ? size : old));
  ReleaseBlock(s, p, b);
  return q;
}

void* Allocate(int64_t size, const char* file, bool clear) {
  return WithState([&](ThreadState& s) -> void* {
    if (CountCallAndTestFailure(s) || size < 0) return CountFailure(nullptr, size);
    return CountFailure(NewBlock(s, size, SlotOf(s, file), clear), size);
  });
}

void* AllocClearEntry(int64_t size, int32_t line, const char* file) { return MemoryAllocClear(size, line, file); }
void* AllocEntry(int64_t size, int32_t line, const char* file) { return MemoryAlloc(size, line, file); }
void* ReallocEntry(void* p, int64_t size, int32_t line, const char* file) { return MemoryRealloc(p, size, line, file); }
void FreeEntry(void* p) { MemoryFree(p); }

const C4D_MemoryTable kTable = {
    static_cast<int32_t>(sizeof(C4D_MemoryTable)), AllocClearEntry, AllocEntry, ReallocEntry, FreeEntry,
};

}  // namespace

const C4D_MemoryTable* memoryTable() { return &kTable; }

void* MemoryAlloc(int64_t size, int32_t, const char* file) { return Allocate(size, file, false); }

void* MemoryAllocClear(int64_t size, int32_t, const char* file) { return Allocate(size, file, true); }

void* MemoryRealloc(void* p, int64_t size, int32_t, const char* file) {
  if (!p) return Allocate(size, file, false);
  const Block b = CheckedBlock(p);
  return WithState([&](ThreadState& s) -> void* {
    if (CountCallAndTestFailure(s) || size < 0) return CountFailure(nullptr, size);
    return CountFailure(Resize(s, p, b, size, SlotOf(s, file)), size);
  });
}

void MemoryFree(void* p) {
  if (!p) return;
  const Block b = CheckedBlock(p);
  WithState([&](ThreadState& s) {
    ReleaseBlock(s, p, b);
    return 0;
  });
}

void FailAllocationAfter(int64_t n) {
  g_failArmed.store(false, kRelaxed);
  g_failCountdown.store(n > 0 ? n : 0, kRelaxed);
  if (n > 0) g_failArmed.store(true, kRelaxed);
}

int64_t FailedAllocationCount() { return g_failedAllocations.load(kRelaxed); }

int64_t AllocationCount() {
  int64_t calls = 0;
  detail::SumTotals(nullptr, nullptr, &calls);
  return calls;
}

std::vector<OutstandingEntry> Outstanding() {
  std::vector<OutstandingEntry> out;
  for (auto& t : detail::SumByFile()) {
    if (t.blocks != 0) out.push_back({std::move(t.file), t.blocks, t.bytes});
  }
  return out;
}

int64_t OutstandingBlocks() {
  int64_t blocks = 0;
  detail::SumTotals(&blocks, nullptr, nullptr);
  return blocks;
}

int64_t OutstandingBytes() {
  int64_t bytes = 0;
  detail::SumTotals(nullptr, &bytes, nullptr);
  return bytes;
}

int64_t CachedLargeBytes() { return static_cast<int64_t>(detail::LargeCacheHeldBytes()); }

void ReleaseCachedLargeBlocks() { detail::LargeCacheClear(); }

bool IsPooledBlock(const void* p) {
  return !kPlainMalloc && detail::PoolOwns(p) && detail::PoolRecordOf(p) != nullptr;
}

}  // namespace hostapp
