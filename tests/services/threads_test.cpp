// The host thread service: start modes, end requests, groups, failure paths, the pool.
#include "hostapp/services/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "hostapp/services/memory.h"
#include "hostapp/services/thread_pool.h"

namespace hostapp {
namespace {

const C4D_ThreadTable* T() { return threadTable(); }

// A plug-in thread object: what its main saw, and optionally a loop until asked to end.
struct Probe {
  C4D_Thread* self = nullptr;
  bool loopUntilEnd = false;
  std::atomic<int> runs{0};
  std::atomic<bool> sawBreak{false};
  std::thread::id ranOn;
};

void ProbeMain(void* user) {
  auto* p = static_cast<Probe*>(user);
  p->ranOn = std::this_thread::get_id();
  while (p->loopUntilEnd && !T()->thread_test_break(p->self)) std::this_thread::yield();
  p->sawBreak = T()->thread_test_break(p->self);
  ++p->runs;
}
bool NoBreak(void*) { return false; }
const char* ProbeName(void*) { return "probe"; }
const C4D_ThreadHooks kProbeHooks = {sizeof(C4D_ThreadHooks), ProbeMain, NoBreak, ProbeName};

struct ProbeThread {
  Probe probe;
  C4D_Thread* t;
  explicit ProbeThread(bool loop = false) {
    probe.loopUntilEnd = loop;
    t = T()->thread_alloc(&probe, &kProbeHooks);
    probe.self = t;
  }
  ~ProbeThread() { T()->thread_free(t); }
};

TEST(Threads, SynchronousRunsOnTheCallerAsyncOnAnotherThread) {
  ASSERT_EQ(T()->size, static_cast<int32_t>(sizeof(C4D_ThreadTable)));
  ProbeThread sync, async;
  ASSERT_TRUE(sync.t && async.t);
  EXPECT_TRUE(T()->thread_start(sync.t, C4D_THREADMODE_SYNCHRONOUS, C4D_THREADPRIORITY_NORMAL));
  EXPECT_EQ(sync.probe.ranOn, std::this_thread::get_id());
  EXPECT_FALSE(T()->thread_is_running(sync.t));

  EXPECT_TRUE(T()->thread_start(async.t, C4D_THREADMODE_ASYNC, C4D_THREADPRIORITY_NORMAL));
  while (T()->thread_is_running(async.t)) {
  }
  EXPECT_EQ(async.probe.runs, 1);
  EXPECT_NE(async.probe.ranOn, std::this_thread::get_id());
}

TEST(Threads, EndRequestReachesTheRunningThreadAndClearsOnRestart) {
  ProbeThread p(/*loop=*/true);
  ASSERT_TRUE(T()->thread_start(p.t, C4D_THREADMODE_ASYNC, 0));
  EXPECT_TRUE(T()->thread_is_running(p.t));
  EXPECT_FALSE(T()->thread_start(p.t, C4D_THREADMODE_ASYNC, 0)) << "already running";
  T()->thread_end(p.t, /*wait=*/true);
  EXPECT_FALSE(T()->thread_is_running(p.t));
  EXPECT_TRUE(p.probe.sawBreak);
  EXPECT_TRUE(T()->thread_test_break(p.t));

  p.probe.loopUntilEnd = false;
  ASSERT_TRUE(T()->thread_start(p.t, C4D_THREADMODE_ASYNC, 0));
  T()->thread_wait(p.t);
  EXPECT_FALSE(p.probe.sawBreak) << "a new start clears the end request";
  EXPECT_EQ(p.probe.runs, 2);

  // Freeing a running thread ends it and waits.
  auto* looping = new ProbeThread(true);
  ASSERT_TRUE(T()->thread_start(looping->t, C4D_THREADMODE_ASYNC, 0));
  Probe* probe = &looping->probe;
  T()->thread_free(looping->t);
  EXPECT_EQ(probe->runs, 1);
  looping->t = nullptr;
  delete looping;
}

TEST(Threads, GroupsRunManyStartWaitCycles) {
  constexpr int kWorkers = 2, kCycles = 3000;
  std::vector<ProbeThread> workers(kWorkers);
  std::vector<C4D_Thread*> handles;
  for (auto& w : workers) handles.push_back(w.t);
  ProbeThread parent;
  C4D_ThreadGroup* g = T()->group_alloc(parent.t, kWorkers, handles.data());
  ASSERT_TRUE(g);
  const int64_t pooledBefore = detail::PooledThreadCount();
  for (int c = 0; c < kCycles; ++c) {
    ASSERT_TRUE(T()->group_start(g, 0));
    T()->group_wait(g);
  }
  T()->group_free(g);
  for (auto& w : workers) EXPECT_EQ(w.probe.runs, kCycles);
  // Idle pooled threads are reused: the pool does not grow with the number of cycles.
  EXPECT_LE(detail::PooledThreadCount() - pooledBefore, 2 * kWorkers + 2);
}

TEST(Threads, FailedGroupStartEndsAndWaitsForTheStartedWorkers) {
  constexpr int kWorkers = 4;
  std::deque<ProbeThread> workers;  // stays in place: the threads point at their probes
  std::vector<C4D_Thread*> handles;
  for (int i = 0; i < kWorkers; ++i) {
    workers.emplace_back(/*loop=*/true);
    handles.push_back(workers.back().t);
  }
  C4D_ThreadGroup* g = T()->group_alloc(nullptr, kWorkers, handles.data());
  ASSERT_TRUE(g);
  FailThreadStartAfter(3);
  EXPECT_FALSE(T()->group_start(g, 0));
  for (int i = 0; i < kWorkers; ++i) {
    EXPECT_FALSE(T()->thread_is_running(handles[i])) << i;
    EXPECT_EQ(workers[i].probe.runs, i < 2 ? 1 : 0) << i;
  }
  // The switch fired once; the group starts normally afterwards and can be ended.
  EXPECT_TRUE(T()->group_start(g, 0));
  T()->group_end(g);
  for (int i = 0; i < kWorkers; ++i) EXPECT_TRUE(workers[i].probe.sawBreak) << i;
  T()->group_free(g);
}

TEST(Threads, FailedStartDoesNotRun) {
  ProbeThread p;
  FailThreadStartAfter(1);
  EXPECT_FALSE(T()->thread_start(p.t, C4D_THREADMODE_SYNCHRONOUS, 0));
  EXPECT_FALSE(T()->thread_is_running(p.t));
  EXPECT_EQ(p.probe.runs, 0);
  FailThreadStartAfter(1);
  FailThreadStartAfter(0);
  EXPECT_TRUE(T()->thread_start(p.t, C4D_THREADMODE_SYNCHRONOUS, 0));
}

// Controllers that each start a group and wait for it, all at once: every worker of every
// group must be running at the same time for the barrier to open, so a pool that made a
// start wait for a free slot would deadlock here.
struct Controller {
  int workers;
  std::atomic<bool> ok{false};
};
struct Barrier {
  std::mutex mutex;
  std::condition_variable cv;
  int waiting = 0;
  int expected = 0;
  bool timedOut = false;
};
Barrier* g_barrier = nullptr;

void BarrierWorker(void*) {
  Barrier& b = *g_barrier;
  std::unique_lock<std::mutex> lock(b.mutex);
  if (++b.waiting == b.expected) b.cv.notify_all();
  if (!b.cv.wait_for(lock, std::chrono::seconds(20), [&] { return b.waiting >= b.expected; })) {
    b.timedOut = true;
  }
}
const C4D_ThreadHooks kBarrierHooks = {sizeof(C4D_ThreadHooks), BarrierWorker, NoBreak, ProbeName};

void ControllerMain(void* user) {
  auto* c = static_cast<Controller*>(user);
  std::vector<C4D_Thread*> ts(c->workers);
  for (auto& t : ts) t = T()->thread_alloc(nullptr, &kBarrierHooks);
  C4D_ThreadGroup* g = T()->group_alloc(nullptr, c->workers, ts.data());
  c->ok = g && T()->group_start(g, 0);
  T()->group_wait(g);
  T()->group_free(g);
  for (auto* t : ts) T()->thread_free(t);
}
const C4D_ThreadHooks kControllerHooks = {sizeof(C4D_ThreadHooks), ControllerMain, NoBreak, ProbeName};

TEST(Threads, ControllersWaitingOnTheirGroupsInsidePooledThreadsNeverStarve) {
  constexpr int kControllers = 6, kWorkers = 4;
  Barrier barrier;
  barrier.expected = kControllers * kWorkers;
  g_barrier = &barrier;
  std::vector<Controller> controllers(kControllers);
  std::vector<C4D_Thread*> ts;
  for (auto& c : controllers) {
    c.workers = kWorkers;
    ts.push_back(T()->thread_alloc(&c, &kControllerHooks));
    ASSERT_TRUE(T()->thread_start(ts.back(), C4D_THREADMODE_ASYNC, 0));
  }
  for (auto* t : ts) T()->thread_free(t);
  EXPECT_FALSE(barrier.timedOut);
  for (auto& c : controllers) EXPECT_TRUE(c.ok);
  g_barrier = nullptr;
}

TEST(Threads, ProcessorCountOverride) {
  const int32_t machine = T()->processor_count();
  EXPECT_GE(machine, 1);
  SetProcessorCountForTesting(7);
  EXPECT_EQ(T()->processor_count(), 7);
  SetProcessorCountForTesting(0);
  EXPECT_EQ(T()->processor_count(), machine);
}

TEST(Threads, BadArgumentsAndOutOfMemory) {
  ProbeThread p;
  C4D_Thread* one[] = {p.t};
  C4D_Thread* withNull[] = {p.t, nullptr};
  EXPECT_EQ(T()->group_alloc(nullptr, 0, one), nullptr);
  EXPECT_EQ(T()->group_alloc(nullptr, 1, nullptr), nullptr);
  EXPECT_EQ(T()->group_alloc(nullptr, 2, withNull), nullptr);
  T()->group_free(nullptr);
  T()->thread_free(nullptr);
  EXPECT_FALSE(T()->thread_start(nullptr, C4D_THREADMODE_ASYNC, 0));

  const int64_t before = OutstandingBlocks();
  FailAllocationAfter(1);
  EXPECT_EQ(T()->thread_alloc(nullptr, &kProbeHooks), nullptr);
  for (int n = 1; n <= 2; ++n) {
    FailAllocationAfter(n);
    EXPECT_EQ(T()->group_alloc(nullptr, 1, one), nullptr) << n;
  }
  FailAllocationAfter(0);
  EXPECT_EQ(OutstandingBlocks(), before);
}

}  // namespace
}  // namespace hostapp
