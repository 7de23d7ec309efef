// Live-block and byte counters of the host allocator, per allocating source file.
//
// Files are numbered by slot: a file name (compared by content) gets a slot the first time
// it is seen and keeps it for the life of the process. Each thread owns one ThreadCounters
// and is its only writer (plain load + store on relaxed atomics, no read-modify-write);
// readers sum the counters of all registered threads under the registry mutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace hostapp::detail {

constexpr int kMaxFileSlots = 512;
constexpr int kUnknownFileSlot = 0;                  // allocations with a NULL file
constexpr int kOverflowFileSlot = kMaxFileSlots - 1;  // files beyond the table's capacity

struct ThreadCounters {
  std::atomic<int64_t> blocks[kMaxFileSlots];
  std::atomic<int64_t> bytes[kMaxFileSlots];
  std::atomic<int64_t> calls;  // allocation calls (alloc, alloc_clear, realloc)
  ThreadCounters* prev;        // registry links, guarded by the registry mutex
  ThreadCounters* next;
};

// Adds d to a counter that only the calling thread writes.
inline void Bump(std::atomic<int64_t>& c, int64_t d) {
  c.store(c.load(std::memory_order_relaxed) + d, std::memory_order_relaxed);
}

// The slot of a file name (NULL: kUnknownFileSlot). Takes a global mutex: callers cache
// the answer by pointer.
int FileSlotOf(const char* file);

// Adds c (zero-initialised) to the set that the sums below read.
void RegisterCounters(ThreadCounters* c);

// Adds every counter of c into `into` (whose writer is serialised by intoMutex) and removes
// c from the registry, in one step as seen by the sums.
void RetireCounters(ThreadCounters* c, ThreadCounters* into, std::mutex& intoMutex);

struct FileTotals {
  std::string file;
  int64_t blocks = 0;
  int64_t bytes = 0;
};

// Per-slot sums over all threads, for slots holding live blocks or bytes, by file name.
std::vector<FileTotals> SumByFile();

// Sums over all threads and slots: live blocks, live bytes, allocation calls.
void SumTotals(int64_t* blocks, int64_t* bytes, int64_t* calls);

}  // namespace hostapp::detail
