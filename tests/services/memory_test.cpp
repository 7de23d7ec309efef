// The host allocator: per-file counting, the failure switch, realloc semantics, threads.
#include "hostapp/services/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace hostapp {
namespace {

using Live = std::pair<int64_t, int64_t>;  // live blocks, live bytes

// Live blocks and bytes of one file from the report ({0, 0} when it is not listed).
Live LiveOf(const std::string& file) {
  for (const auto& e : Outstanding()) {
    if (e.file == file) return {e.blocks, e.bytes};
  }
  return {0, 0};
}

TEST(Memory, CountsLiveBlocksAndBytesPerFileByContent) {
  const C4D_MemoryTable* m = memoryTable();
  ASSERT_EQ(m->size, static_cast<int32_t>(sizeof(C4D_MemoryTable)));
  const int64_t before = OutstandingBlocks();

  // Two different pointers to the same file name count as one file.
  static const char kFile[] = "counting/a.cpp";
  const std::string copy = kFile;
  void* small = m->alloc(10, 1, kFile);
  void* large = m->alloc_clear(5000, 2, copy.c_str());
  void* other = m->alloc(7, 3, "counting/b.cpp");
  ASSERT_TRUE(small && large && other);
  EXPECT_EQ(LiveOf("counting/a.cpp"), Live(2, 5010));
  EXPECT_EQ(LiveOf("counting/b.cpp"), Live(1, 7));
  EXPECT_EQ(OutstandingBlocks(), before + 3);

  // A realloc moves the block's bytes to the file that resized it.
  small = m->realloc(small, 300, 4, "counting/b.cpp");
  ASSERT_TRUE(small);
  EXPECT_EQ(LiveOf("counting/a.cpp"), Live(1, 5000));
  EXPECT_EQ(LiveOf("counting/b.cpp"), Live(2, 307));

  m->free(small);
  m->free(large);
  m->free(other);
  m->free(nullptr);
  EXPECT_EQ(LiveOf("counting/a.cpp"), Live(0, 0));
  EXPECT_EQ(LiveOf("counting/b.cpp"), Live(0, 0));
  EXPECT_EQ(OutstandingBlocks(), before);

  // The report lists files by name, only those with live blocks.
  void* b = m->alloc(1, 0, "counting/z.cpp");
  void* a = m->alloc(1, 0, "counting/y.cpp");
  std::vector<std::string> names;
  for (const auto& e : Outstanding()) {
    EXPECT_GT(e.blocks, 0);
    names.push_back(e.file);
  }
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(LiveOf("counting/y.cpp").first, 1);
  m->free(a);
  m->free(b);
}

TEST(Memory, SizesZeroAndNegative) {
  const C4D_MemoryTable* m = memoryTable();
  const int64_t calls = AllocationCount();
  EXPECT_EQ(m->alloc(-1, 0, __FILE__), nullptr);
  EXPECT_EQ(m->alloc_clear(-5, 0, __FILE__), nullptr);
  void* a = m->alloc(0, 0, __FILE__);
  void* b = m->alloc(0, 0, __FILE__);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  EXPECT_EQ(m->realloc(a, -1, 0, __FILE__), nullptr);  // a stays valid
  EXPECT_EQ(AllocationCount(), calls + 5);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
  m->free(a);
  m->free(b);
}

TEST(Memory, AllocClearZeroesReusedBlocks) {
  const C4D_MemoryTable* m = memoryTable();
  for (int64_t size : {1, 24, 256, 257, 100000, 3 << 20}) {
    auto* dirty = static_cast<unsigned char*>(m->alloc(size, 0, __FILE__));
    ASSERT_TRUE(dirty);
    std::memset(dirty, 0xAB, static_cast<size_t>(size));
    m->free(dirty);
    auto* clean = static_cast<unsigned char*>(m->alloc_clear(size, 0, __FILE__));
    ASSERT_TRUE(clean);
    for (int64_t i = 0; i < size; ++i) ASSERT_EQ(clean[i], 0) << "size " << size << " byte " << i;
    m->free(clean);
  }
}

TEST(Memory, FailureSwitchHitsTheNthCallOfEachEntryPoint) {
  const C4D_MemoryTable* m = memoryTable();
  using Call = void* (*)(const C4D_MemoryTable*, void*);
  const Call calls[] = {
      [](const C4D_MemoryTable* t, void*) { return t->alloc(16, 0, "fail.cpp"); },
      [](const C4D_MemoryTable* t, void*) { return t->alloc_clear(16, 0, "fail.cpp"); },
      [](const C4D_MemoryTable* t, void*) { return t->realloc(nullptr, 16, 0, "fail.cpp"); },
  };
  for (Call call : calls) {
    for (int n = 1; n <= 3; ++n) {
      FailAllocationAfter(n);
      std::vector<void*> got;
      for (int i = 1; i <= 4; ++i) got.push_back(call(m, nullptr));
      for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(got[i - 1] == nullptr, i == n) << "n " << n << " call " << i;
        m->free(got[i - 1]);
      }
    }
  }
  // Disarmed: nothing fails.
  FailAllocationAfter(2);
  FailAllocationAfter(0);
  for (int i = 0; i < 4; ++i) {
    void* p = m->alloc(8, 0, "fail.cpp");
    EXPECT_NE(p, nullptr);
    m->free(p);
  }
  EXPECT_EQ(LiveOf("fail.cpp").first, 0);
}

TEST(Memory, FailedReallocKeepsTheBlockAndItsCount) {
  const C4D_MemoryTable* m = memoryTable();
  // In place (same class), pool to malloc, malloc to malloc, to and from cacheable sizes.
  for (int64_t to : {12, 4000, 90000, 2 << 20}) {
    for (int64_t from : {10, 3000, 3 << 20}) {
      auto* p = static_cast<unsigned char*>(m->alloc(from, 0, "keep.cpp"));
      ASSERT_TRUE(p);
      for (int64_t i = 0; i < from; ++i) p[i] = static_cast<unsigned char>(i * 7);
      FailAllocationAfter(1);
      EXPECT_EQ(m->realloc(p, to, 0, "keep-other.cpp"), nullptr);
      EXPECT_EQ(LiveOf("keep.cpp"), Live(1, from + 0));
      for (int64_t i = 0; i < from; ++i) ASSERT_EQ(p[i], static_cast<unsigned char>(i * 7));
      m->free(p);
    }
  }
}

TEST(Memory, ReallocKeepsContentsWhileGrowingAndShrinking) {
  const C4D_MemoryTable* m = memoryTable();
  // The neighbour-list pattern: an Int32 array grown one element at a time.
  int32_t* list = nullptr;
  int64_t capacity = 0;
  for (int32_t n = 0; n < 20000; ++n) {
    if (n == capacity) {
      capacity = capacity ? capacity * 2 : 1;
      auto* grown = static_cast<int32_t*>(m->realloc(list, capacity * 4, 0, "grow.cpp"));
      ASSERT_TRUE(grown);
      list = grown;
    }
    list[n] = n * 3;
  }
  for (int32_t n = 0; n < 20000; ++n) ASSERT_EQ(list[n], n * 3);
  for (int64_t keep : {5000, 60, 3, 0}) {
    list = static_cast<int32_t*>(m->realloc(list, keep * 4, 0, "grow.cpp"));
    ASSERT_TRUE(list);
    for (int64_t i = 0; i < keep; ++i) ASSERT_EQ(list[i], i * 3);
    EXPECT_EQ(LiveOf("grow.cpp"), Live(1, keep * 4));
  }
  m->free(list);
  EXPECT_EQ(LiveOf("grow.cpp").first, 0);
}

TEST(Memory, ThreadsAllocateAndFreeEachOthersBlocks) {
  const C4D_MemoryTable* m = memoryTable();
  const int64_t callsBefore = AllocationCount();
  // Each block carries a stamp unique to it; a block handed out twice at once loses its stamp.
  struct Stamped {
    void* p;
    uint64_t stamp;
  };
  const auto release = [m](const Stamped& b) {
    uint64_t stamp = 0;
    std::memcpy(&stamp, b.p, sizeof stamp);
    EXPECT_EQ(stamp, b.stamp);
    m->free(b.p);
  };
  std::mutex mutex;
  std::vector<Stamped> handoff;  // blocks allocated by one thread, freed by another
  constexpr int kThreads = 4, kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 rng(t);
      std::vector<Stamped> mine;
      for (int i = 0; i < kRounds; ++i) {
        const int64_t size = 8 + (rng() % 4 == 0 ? rng() % 2000 : rng() % 64);
        void* p = m->alloc(size, 0, "threads.cpp");
        ASSERT_TRUE(p);
        std::memset(p, t, static_cast<size_t>(size));
        if (rng() % 3 == 0) p = m->realloc(p, size + 40, 0, "threads.cpp");
        ASSERT_TRUE(p);
        const Stamped b{p, (static_cast<uint64_t>(t) << 32) | static_cast<uint64_t>(i)};
        std::memcpy(p, &b.stamp, sizeof b.stamp);
        if (rng() % 2 == 0) {
          std::lock_guard<std::mutex> lock(mutex);
          handoff.push_back(b);
          if (handoff.size() > 64) {
            release(handoff.front());
            handoff.erase(handoff.begin());
          }
        } else {
          mine.push_back(b);
        }
        if (mine.size() > 100) {
          for (const Stamped& q : mine) release(q);
          mine.clear();
        }
      }
      for (const Stamped& q : mine) release(q);
    });
  }
  for (auto& th : threads) th.join();
  for (const Stamped& q : handoff) release(q);
  // The threads are gone; their counts live on.
  EXPECT_EQ(LiveOf("threads.cpp").first, 0);
  EXPECT_GE(AllocationCount(), callsBefore + kThreads * kRounds);
}

TEST(MemoryDeath, FreeingTwiceAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const C4D_MemoryTable* m = memoryTable();
  EXPECT_DEATH(
      {
        void* p = m->alloc(8, 0, __FILE__);
        m->free(p);
        m->free(p);
      },
      "");
}

}  // namespace
}  // namespace hostapp
