// One reserved range of address space from which the small-block pool takes its chunks.
//
// The range is reserved once, inaccessible, on first use (mmap PROT_NONE on POSIX systems,
// VirtualAlloc MEM_RESERVE on Windows); chunks of kRegionChunkBytes, aligned to their size,
// are committed from its start upwards and stay committed for the life of the process. So
// "the address lies in the range" means "the address belongs to the pool". Where no range
// can be reserved (another system, a limited address space), the range is empty, every
// commit fails and callers fall back to plain malloc.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace hostapp::detail {

constexpr uintptr_t kRegionChunkBytes = 64 * 1024;

struct AddressRegion {
  uintptr_t begin = 0;                  // first byte, chunk-aligned; 0 when nothing is reserved
  uintptr_t end = 0;                    // one past the last reserved byte
  std::atomic<uintptr_t> committed{0};  // one past the last committed chunk (begin when none)
  std::atomic<uintptr_t> limit{0};      // commits stop here (end unless lowered for tests)
};

// Reserves the range; Region() calls it once.
AddressRegion& ReserveRegion();

// The process's region, reserved on first call; never destroyed.
inline AddressRegion& Region() {
  static AddressRegion& region = ReserveRegion();
  return region;
}

// in: p. out: true when p lies inside the reserved range (committed or not).
inline bool InRegion(const AddressRegion& r, const void* p) {
  return reinterpret_cast<uintptr_t>(p) - r.begin < r.end - r.begin;
}

// Commits the next chunk (readable, writable, zero-filled). Thread-safe.
// out: its address, or NULL when the range is used up, absent, or the system refuses.
void* CommitRegionChunk();

// For tests: no chunk is committed past `bytes` beyond what is committed now (so the pool
// runs out and its callers' fallback can be driven); a negative value lifts the limit.
void LimitRegionGrowthForTesting(int64_t bytes);

}  // namespace hostapp::detail
