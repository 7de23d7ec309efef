#include "hostapp/services/address_region.h"

#include <mutex>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define TAVREN_REGION_POSIX 1
#endif

namespace hostapp::detail {
namespace {

// Sizes tried for the reservation, largest first: address space is plentiful on 64-bit
// systems, but a limit on virtual memory (ulimit -v) may refuse the larger ones.
constexpr uint64_t kLargestReservation = uint64_t{64} << 30;
constexpr uint64_t kSmallestReservation = uint64_t{256} << 20;

// in: bytes to reserve. out: the start of an inaccessible range of that size, or NULL.
void* Reserve(uint64_t bytes) {
  if (bytes > SIZE_MAX) return nullptr;
#if defined(_WIN32)
  return VirtualAlloc(nullptr, static_cast<SIZE_T>(bytes), MEM_RESERVE, PAGE_NOACCESS);
#elif defined(TAVREN_REGION_POSIX)
  int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_NORESERVE
  flags |= MAP_NORESERVE;
#endif
  void* p = mmap(nullptr, static_cast<size_t>(bytes), PROT_NONE, flags, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
#else
  (void)bytes;
  return nullptr;
#endif
}

// in: a chunk-sized piece of the reserved range. out: true when it is now readable and writable.
bool Commit(void* chunk) {
#if defined(_WIN32)
  return VirtualAlloc(chunk, kRegionChunkBytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
#elif defined(TAVREN_REGION_POSIX)
  return mprotect(chunk, kRegionChunkBytes, PROT_READ | PROT_WRITE) == 0;
#else
  (void)chunk;
  return false;
#endif
}

std::mutex& CommitMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

}  // namespace

AddressRegion& ReserveRegion() {
  auto* r = new AddressRegion;
  // One chunk more than used, so that the start can be aligned to a chunk.
  for (uint64_t bytes = kLargestReservation; bytes >= kSmallestReservation; bytes /= 2) {
    void* p = Reserve(bytes + kRegionChunkBytes);
    if (!p) continue;
    const uintptr_t raw = reinterpret_cast<uintptr_t>(p);
    r->begin = (raw + kRegionChunkBytes - 1) & ~(kRegionChunkBytes - 1);
    r->end = r->begin + static_cast<uintptr_t>(bytes);
    break;
  }
  r->committed.store(r->begin, std::memory_order_relaxed);
  r->limit.store(r->end, std::memory_order_relaxed);
  return *r;
}

void* CommitRegionChunk() {
  AddressRegion& r = Region();
  std::lock_guard<std::mutex> lock(CommitMutex());
  const uintptr_t next = r.committed.load(std::memory_order_relaxed);
  if (r.begin == 0 || next >= r.limit.load(std::memory_order_relaxed)) return nullptr;
  void* chunk = reinterpret_cast<void*>(next);
  if (!Commit(chunk)) return nullptr;
  r.committed.store(next + kRegionChunkBytes, std::memory_order_release);
  return chunk;
}

void LimitRegionGrowthForTesting(int64_t bytes) {
  AddressRegion& r = Region();
  std::lock_guard<std::mutex> lock(CommitMutex());
  uintptr_t limit = r.end;
  if (bytes >= 0) {
    const uintptr_t committed = r.committed.load(std::memory_order_relaxed);
    const uintptr_t room = r.end - committed;
    limit = committed + (static_cast<uint64_t>(bytes) < room ? static_cast<uintptr_t>(bytes) : room);
  }
  r.limit.store(limit, std::memory_order_relaxed);
}

}  // namespace hostapp::detail
