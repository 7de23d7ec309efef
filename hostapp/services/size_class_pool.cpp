#include "hostapp/services/size_class_pool.h"

#include <cstdlib>
#include <mutex>

namespace hostapp::detail {
namespace {

constexpr int64_t kBatch = 64;            // blocks moved between a thread and the centre at once
constexpr int64_t kChunkBytes = 64 * 1024;

// Link words inside a free block: the next block of its list, and (in the first block of a
// batch on a central list) the next batch and the batch's block count.
inline void*& NextBlock(void* b) { return *static_cast<void**>(b); }
inline void*& NextBatch(void* b) { return *reinterpret_cast<void**>(static_cast<char*>(b) + 16); }
inline int64_t& BatchCount(void* b) { return *reinterpret_cast<int64_t*>(static_cast<char*>(b) + 24); }

struct alignas(64) CentralList {
  std::mutex mutex;
  void* batches = nullptr;  // first blocks of batches, linked through NextBatch
};

// Never destroyed: threads may still free blocks while the process exits.
CentralList* Centrals() {
  static CentralList* lists = new CentralList[kClassCount];
  return lists;
}

// Pushes the list head..(count blocks) onto the central list of cls.
void PushBatch(int cls, void* head, int64_t count) {
  CentralList& c = Centrals()[cls];
  BatchCount(head) = count;
  std::lock_guard<std::mutex> lock(c.mutex);
  NextBatch(head) = c.batches;
  c.batches = head;
}

// Moves one central batch of cls into list (which is empty). false: none available.
bool PopBatch(int cls, FreeList& list) {
  CentralList& c = Centrals()[cls];
  std::lock_guard<std::mutex> lock(c.mutex);
  void* head = c.batches;
  if (!head) return false;
  c.batches = NextBatch(head);
  list.head = head;
  list.count = BatchCount(head);
  return true;
}

// Carves a new chunk of cls blocks: the first kBatch go to list (empty), the rest to the
// central list in batches. false: out of memory.
bool CarveChunk(int cls, FreeList& list) {
  const int64_t bytes = BlockBytes(cls);
  const int64_t n = kChunkBytes / bytes;
  char* chunk = static_cast<char*>(std::malloc(static_cast<size_t>(n * bytes)));
  if (!chunk) return false;
  for (int64_t first = 0; first < n; first += kBatch) {
    const int64_t last = first + kBatch < n ? first + kBatch : n;
    for (int64_t i = first; i < last; ++i) {
      NextBlock(chunk + i * bytes) = i + 1 < last ? chunk + (i + 1) * bytes : nullptr;
    }
    if (first == 0) {
      list.head = chunk;
      list.count = last;
    } else {
      PushBatch(cls, chunk + first * bytes, last - first);
    }
  }
  return true;
}

}  // namespace

void* PoolAllocate(ThreadCache& cache, int cls) {
  FreeList& list = cache.lists[cls];
  if (!list.head && !PopBatch(cls, list) && !CarveChunk(cls, list)) return nullptr;
  void* b = list.head;
  list.head = NextBlock(b);
  --list.count;
  return b;
}

void PoolFree(ThreadCache& cache, void* block, int cls) {
  FreeList& list = cache.lists[cls];
  NextBlock(block) = list.head;
  list.head = block;
  if (++list.count < 2 * kBatch) return;
  // Spill the kBatch most recently freed blocks; keep the rest for this thread.
  void* head = list.head;
  void* tail = head;
  for (int64_t i = 1; i < kBatch; ++i) tail = NextBlock(tail);
  list.head = NextBlock(tail);
  list.count -= kBatch;
  NextBlock(tail) = nullptr;
  PushBatch(cls, head, kBatch);
}

void PoolFlush(ThreadCache& cache) {
  for (int cls = 0; cls < kClassCount; ++cls) {
    FreeList& list = cache.lists[cls];
    if (list.head) PushBatch(cls, list.head, list.count);
    list.head = nullptr;
    list.count = 0;
  }
}

}  // namespace hostapp::detail
