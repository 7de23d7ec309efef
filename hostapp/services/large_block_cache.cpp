#include "hostapp/services/large_block_cache.h"

#include <cstdlib>
#include <mutex>

namespace hostapp::detail {
namespace {

struct Entry {
  void* block;
  size_t capacity;
  uint64_t age;  // when it was cached; larger is newer
};

struct Cache {
  std::mutex mutex;
  Entry entries[kLargeCacheEntries];
  int count = 0;
  size_t bytes = 0;
  uint64_t clock = 0;

  // Removes entry i (order is not kept).
  void Remove(int i) {
    bytes -= entries[i].capacity;
    entries[i] = entries[--count];
  }
  // out: the index of the oldest entry (count > 0).
  int Oldest() const {
    int oldest = 0;
    for (int i = 1; i < count; ++i)
      if (entries[i].age < entries[oldest].age) oldest = i;
    return oldest;
  }
};

// Never destroyed: threads may still free blocks while the process exits.
Cache& TheCache() {
  static Cache* c = new Cache;
  return *c;
}

}  // namespace

void* LargeCacheTake(size_t bytes, size_t* capacity) {
  Cache& c = TheCache();
  const size_t most = bytes + bytes / 4;
  std::lock_guard<std::mutex> lock(c.mutex);
  int best = -1;
  for (int i = 0; i < c.count; ++i) {
    const Entry& e = c.entries[i];
    if (e.capacity < bytes || e.capacity > most) continue;
    if (best < 0 || e.capacity < c.entries[best].capacity ||
        (e.capacity == c.entries[best].capacity && e.age > c.entries[best].age))
      best = i;
  }
  if (best < 0) return nullptr;
  void* block = c.entries[best].block;
  *capacity = c.entries[best].capacity;
  c.Remove(best);
  return block;
}

bool LargeCacheGive(void* block, size_t capacity) {
  if (capacity < kLargeCacheMinBytes || capacity > kLargeCacheBytes) return false;
  Cache& c = TheCache();
  void* evicted[kLargeCacheEntries];
  int evictedCount = 0;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    while (c.count == kLargeCacheEntries || c.bytes + capacity > kLargeCacheBytes) {
      const int oldest = c.Oldest();
      evicted[evictedCount++] = c.entries[oldest].block;
      c.Remove(oldest);
    }
    c.entries[c.count++] = {block, capacity, ++c.clock};
    c.bytes += capacity;
  }
  for (int i = 0; i < evictedCount; ++i) std::free(evicted[i]);  // outside the lock: unmapping is slow
  return true;
}

size_t LargeCacheHeldBytes() {
  Cache& c = TheCache();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.bytes;
}

void LargeCacheClear() {
  Cache& c = TheCache();
  void* blocks[kLargeCacheEntries];
  int n = 0;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    for (int i = 0; i < c.count; ++i) blocks[n++] = c.entries[i].block;
    c.count = 0;
    c.bytes = 0;
  }
  for (int i = 0; i < n; ++i) std::free(blocks[i]);
}

}  // namespace hostapp::detail
