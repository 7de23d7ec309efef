#include "hostapp/services/memory.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "hostapp/services/allocation_counters.h"
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

using detail::ThreadCache;
using detail::ThreadCounters;

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr bool kPlainMalloc = TAVREN_PLAIN_MALLOC != 0;
constexpr int64_t kSmallMax = detail::kClassCount * detail::kClassStep;  // 256 bytes
constexpr uint16_t kLargeClass = 0xFFFF;
constexpr uint16_t kLive = 0x7AB1;
constexpr uint16_t kFreed = 0xDEAD;

// Precedes every block. Its second word survives a slab block's stay on a free list.
struct alignas(16) Header {
  int64_t size;   // requested bytes
  uint32_t slot;  // allocating file
  uint16_t cls;   // size class, or kLargeClass for a malloc block
  uint16_t marker;
};
static_assert(sizeof(Header) == 16, "the header keeps payloads 16-byte aligned");

inline Header* HeaderOf(void* p) { return static_cast<Header*>(p) - 1; }
inline void* PayloadOf(Header* h) { return h + 1; }
inline int ClassOf(int64_t size) { return size <= 16 ? 0 : static_cast<int>((size - 1) >> 4); }
inline int64_t ClassPayload(int cls) { return detail::BlockBytes(cls) - 16; }

// Everything a thread touches on each call: its slab cache, its counters, and a small
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

inline void Count(ThreadState& s, const Header* h, int64_t sign) {
  detail::Bump(s.counters.blocks[h->slot], sign);
  detail::Bump(s.counters.bytes[h->slot], sign * h->size);
}

// Failure switch: when armed, the call that brings the countdown from 1 to 0 fails.
std::atomic<bool> g_failArmed{false};
std::atomic<int64_t> g_failCountdown{0};

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

Header* CheckedHeader(void* p) {
  Header* h = HeaderOf(p);
  if (h->marker == kLive) return h;
  Die(h->marker == kFreed ? "block freed twice or used after free"
                          : "pointer not allocated by the host allocator",
      p);
}

// A new block of size bytes (>= 0) counted against slot; NULL: out of memory.
void* NewBlock(ThreadState& s, int64_t size, int slot, bool clear) {
  Header* h;
  uint16_t cls;
  if (!kPlainMalloc && size <= kSmallMax) {
    cls = static_cast<uint16_t>(ClassOf(size));
    h = static_cast<Header*>(detail::PoolAllocate(s.cache, cls));
    if (!h) return nullptr;
    if (clear) std::memset(PayloadOf(h), 0, static_cast<size_t>(size));
  } else {
    if (static_cast<uint64_t>(size) > SIZE_MAX - sizeof(Header)) return nullptr;
    const size_t bytes = sizeof(Header) + static_cast<size_t>(size);
    cls = kLargeClass;
    h = static_cast<Header*>(clear ? std::calloc(1, bytes) : std::malloc(bytes));
    if (!h) return nullptr;
  }
  h->size = size;
  h->slot = static_cast<uint32_t>(slot);
  h->cls = cls;
  h->marker = kLive;
  Count(s, h, 1);
  return PayloadOf(h);
}

void ReleaseBlock(ThreadState& s, Header* h) {
  Count(s, h, -1);
  h->marker = kFreed;
  if (h->cls == kLargeClass) std::free(h);
  else detail::PoolFree(s.cache, h, h->cls);
}

void* Allocate(int64_t size, const char* file, bool clear) {
  return WithState([&](ThreadState& s) -> void* {
    if (CountCallAndTestFailure(s) || size < 0) return nullptr;
    return NewBlock(s, size, SlotOf(s, file), clear);
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
  Header* h = CheckedHeader(p);
  return WithState([&](ThreadState& s) -> void* {
    if (CountCallAndTestFailure(s) || size < 0) return nullptr;
    const int slot = SlotOf(s, file);
    const bool large = h->cls == kLargeClass;
    if (!large && size <= ClassPayload(h->cls)) {  // fits where it is
      Count(s, h, -1);
      h->size = size;
      h->slot = static_cast<uint32_t>(slot);
      Count(s, h, 1);
      return p;
    }
    if (large && (kPlainMalloc || size > kSmallMax)) {  // stays a malloc block
      if (static_cast<uint64_t>(size) > SIZE_MAX - sizeof(Header)) return nullptr;
      const Header old = *h;
      auto* g = static_cast<Header*>(std::realloc(h, sizeof(Header) + static_cast<size_t>(size)));
      if (!g) return nullptr;
      Count(s, &old, -1);
      g->size = size;
      g->slot = static_cast<uint32_t>(slot);
      Count(s, g, 1);
      return PayloadOf(g);
    }
    void* q = NewBlock(s, size, slot, false);  // moves between slab and malloc
    if (!q) return nullptr;
    std::memcpy(q, p, static_cast<size_t>(size < h->size ? size : h->size));
    ReleaseBlock(s, h);
    return q;
  });
}

void MemoryFree(void* p) {
  if (!p) return;
  Header* h = CheckedHeader(p);
  WithState([&](ThreadState& s) {
    ReleaseBlock(s, h);
    return 0;
  });
}

void FailAllocationAfter(int64_t n) {
  g_failArmed.store(false, kRelaxed);
  g_failCountdown.store(n > 0 ? n : 0, kRelaxed);
  if (n > 0) g_failArmed.store(true, kRelaxed);
}

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

}  // namespace hostapp
