// The host allocator's layout: small blocks back to back in address order (also after
// churn), their side-table checks, the fallback when the address range runs out, and the
// cache of large blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "hostapp/services/address_region.h"
#include "hostapp/services/memory.h"

namespace hostapp {
namespace {

const C4D_MemoryTable* M() { return memoryTable(); }

// Skips the test when small blocks do not come from the pool (AddressSanitizer builds).
#define SKIP_WITHOUT_POOL()                                             \
  do {                                                                  \
    void* probe = M()->alloc(16, 0, "probe.cpp");                       \
    const bool pooled = IsPooledBlock(probe);                           \
    M()->free(probe);                                                   \
    if (!pooled) GTEST_SKIP() << "small blocks come from malloc here";  \
  } while (0)

// Share of neighbours in `blocks` that lie exactly `step` bytes after the one before.
double ShareBackToBack(const std::vector<void*>& blocks, intptr_t step) {
  int64_t n = 0;
  for (size_t i = 1; i < blocks.size(); ++i)
    n += reinterpret_cast<intptr_t>(blocks[i]) - reinterpret_cast<intptr_t>(blocks[i - 1]) == step;
  return static_cast<double>(n) / static_cast<double>(blocks.size() - 1);
}

// Lists of 4 Int32 grown the way the plug-in grows its neighbour lists: each takes 16 bytes
// right after the one allocated before it, on a fresh thread and again after a pass that
// churned the pool and freed everything in random order.
TEST(MemoryPool, SmallListsLieBackToBackInAllocationOrderAlsoAfterChurn) {
  SKIP_WITHOUT_POOL();
  constexpr int kLists = 20000;
  std::thread([&] {
    std::vector<void*> lists(kLists);
    for (void*& l : lists) l = M()->realloc(nullptr, 16, 0, "lists.cpp");
    EXPECT_GT(ShareBackToBack(lists, 16), 0.97);

    // Churn: some lists grow (moving to other classes), others are freed and made anew.
    std::mt19937 rng(7);
    for (int round = 0; round < 3; ++round) {
      for (void*& l : lists) {
        switch (rng() % 4) {
          case 0: l = M()->realloc(l, 24 + 16 * (rng() % 8), 0, "lists.cpp"); break;
          case 1: M()->free(l); l = M()->alloc(rng() % 17, 0, "lists.cpp"); break;
          default: break;
        }
        ASSERT_NE(l, nullptr);
      }
    }
    std::shuffle(lists.begin(), lists.end(), rng);
    for (void* l : lists) M()->free(l);

    for (void*& l : lists) l = M()->realloc(nullptr, 16, 0, "lists.cpp");
    EXPECT_GT(ShareBackToBack(lists, 16), 0.97);
    for (void* l : lists) M()->free(l);
  }).join();
  for (const auto& e : Outstanding()) EXPECT_NE(e.file, "lists.cpp");
}

// Every class packs its blocks at its own size, 16-byte aligned, and a block grown within
// its class stays where it is.
TEST(MemoryPool, EachClassPacksItsBlocksAtItsSize) {
  SKIP_WITHOUT_POOL();
  for (int64_t bytes = 16; bytes <= 256; bytes += 16) {
    std::vector<void*> blocks;
    for (int i = 0; i < 600; ++i) blocks.push_back(M()->alloc(bytes - 15, 0, "classes.cpp"));
    EXPECT_GT(ShareBackToBack(blocks, bytes), 0.95) << bytes;
    for (void* b : blocks) {
      EXPECT_TRUE(IsPooledBlock(b));
      EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
    }
    EXPECT_EQ(M()->realloc(blocks[0], bytes, 0, "classes.cpp"), blocks[0]);
    for (void* b : blocks) M()->free(b);
  }
  void* large = M()->alloc(257, 0, "classes.cpp");
  EXPECT_FALSE(IsPooledBlock(large));
  M()->free(large);
}

// When no chunk can be committed any more, small blocks come from malloc and behave the same.
TEST(MemoryPool, SmallBlocksFallBackToMallocWhenTheRangeIsUsedUp) {
  SKIP_WITHOUT_POOL();
  detail::LimitRegionGrowthForTesting(0);
  std::vector<void*> blocks;
  void* spilled = nullptr;
  for (int i = 0; i < 100000 && !spilled; ++i) {
    void* b = M()->alloc_clear(200, 0, "spill.cpp");
    ASSERT_NE(b, nullptr);
    blocks.push_back(b);
    if (!IsPooledBlock(b)) spilled = b;
  }
  detail::LimitRegionGrowthForTesting(-1);
  ASSERT_NE(spilled, nullptr);
  auto* bytes = static_cast<unsigned char*>(spilled);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(bytes[i], 0);
  std::memset(bytes, 0x5A, 200);
  void* moved = M()->realloc(spilled, 40, 0, "spill-moved.cpp");  // back into the pool
  ASSERT_NE(moved, nullptr);
  EXPECT_TRUE(IsPooledBlock(moved));
  for (int i = 0; i < 40; ++i) ASSERT_EQ(static_cast<unsigned char*>(moved)[i], 0x5A);
  blocks.back() = moved;
  int64_t liveBytes = 0;
  for (const auto& e : Outstanding())
    if (e.file == "spill.cpp" || e.file == "spill-moved.cpp") liveBytes += e.bytes;
  EXPECT_EQ(liveBytes, 200 * static_cast<int64_t>(blocks.size() - 1) + 40);
  for (void* b : blocks) M()->free(b);
}

TEST(MemoryPoolDeath, BadPointersIntoThePoolAbortWithTheirCause) {
  SKIP_WITHOUT_POOL();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto* block = static_cast<char*>(M()->alloc(32, 0, "bad.cpp"));
  EXPECT_DEATH(M()->free(block + 16), "not allocated by the host allocator");
  EXPECT_DEATH(M()->realloc(block + 8, 64, 0, "bad.cpp"), "not allocated by the host allocator");
  EXPECT_DEATH(
      {
        M()->free(block);
        M()->realloc(block, 8, 0, "bad.cpp");
      },
      "freed twice or used after free");
  M()->free(block);
}

// Freed blocks of 1 MB and more wait in a bounded cache for the next pass and no longer
// count as outstanding; a cached block comes back zeroed for alloc_clear.
TEST(MemoryLargeCache, KeepsFreedLargeBlocksForReuseWithinItsBound) {
  ReleaseCachedLargeBlocks();
  constexpr int64_t kMB = 1 << 20;
  auto* a = static_cast<unsigned char*>(M()->alloc(3 * kMB, 0, "large.cpp"));
  ASSERT_NE(a, nullptr);
  std::memset(a, 0xCD, 3 * kMB);
  M()->free(a);
  for (const auto& e : Outstanding()) EXPECT_NE(e.file, "large.cpp");
  if (CachedLargeBytes() == 0) GTEST_SKIP() << "no large-block cache here";
  EXPECT_GE(CachedLargeBytes(), 3 * kMB);

  // Too small a request for the cached block: left alone. A fitting one: the same block, clean.
  void* small = M()->alloc(kMB, 0, "large.cpp");
  auto* again = static_cast<unsigned char*>(M()->alloc_clear(3 * kMB - 4096, 0, "large.cpp"));
  EXPECT_EQ(again, a);
  EXPECT_EQ(CachedLargeBytes(), 0);
  for (int64_t i = 0; i < 3 * kMB - 4096; ++i) ASSERT_EQ(again[i], 0) << i;
  // Growing into the capacity it already has keeps the block.
  EXPECT_EQ(M()->realloc(again, 3 * kMB, 0, "large.cpp"), again);
  M()->free(again);
  M()->free(small);

  // 700 MB freed in 100 MB blocks: the cache keeps the newest 512 MB at most.
  std::vector<void*> big;
  for (int i = 0; i < 7; ++i) big.push_back(M()->alloc(100 * kMB, 0, "large.cpp"));
  for (void* b : big) {
    ASSERT_NE(b, nullptr);
    M()->free(b);
  }
  EXPECT_LE(CachedLargeBytes(), 512 * kMB);
  EXPECT_GE(CachedLargeBytes(), 500 * kMB);
  void* newest = M()->alloc(100 * kMB, 0, "large.cpp");
  EXPECT_EQ(newest, big.back());
  M()->free(newest);
  ReleaseCachedLargeBlocks();
  EXPECT_EQ(CachedLargeBytes(), 0);
}

}  // namespace
}  // namespace hostapp
