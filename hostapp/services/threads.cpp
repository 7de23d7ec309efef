#include "hostapp/services/threads.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "hostapp/services/memory.h"
#include "hostapp/services/thread_pool.h"

namespace hostapp {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// What a C4D_Thread handle points to.
struct HostThread {
  void* user;
  const C4D_ThreadHooks* hooks;
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<bool> running{false};  // written under mutex; read anywhere
  std::atomic<bool> endRequested{false};

  HostThread(void* u, const C4D_ThreadHooks* h) : user(u), hooks(h) {}
};

struct HostGroup {
  HostThread* parent;
  int32_t count;
  HostThread** threads;  // copy of the caller's array, from the host allocator
};

inline HostThread* Of(C4D_Thread* t) { return reinterpret_cast<HostThread*>(t); }
inline HostGroup* Of(C4D_ThreadGroup* g) { return reinterpret_cast<HostGroup*>(g); }

std::atomic<int32_t> g_processorOverride{0};
std::atomic<bool> g_failArmed{false};
std::atomic<int64_t> g_failCountdown{0};

// Counts a start when the failure switch is armed; true when this start must fail.
bool StartMustFail() {
  if (!g_failArmed.load(kRelaxed)) return false;
  if (g_failCountdown.fetch_sub(1, kRelaxed) != 1) return false;
  g_failArmed.store(false, kRelaxed);
  return true;
}

// Marks t finished and wakes its waiters; t may be freed as soon as this returns.
void Finish(HostThread* t) {
  std::lock_guard<std::mutex> lock(t->mutex);
  t->running.store(false, std::memory_order_release);
  t->finished.notify_all();
}

// Pooled job: the thread's main, then the finish signal.
void RunThread(void* arg) {
  auto* t = static_cast<HostThread*>(arg);
  if (t->hooks && t->hooks->main) t->hooks->main(t->user);
  Finish(t);
}

// --- the table's functions -------------------------------------------------

C4D_Thread* ThreadAlloc(void* user, const C4D_ThreadHooks* hooks) {
  return reinterpret_cast<C4D_Thread*>(CountedNew<HostThread>(__LINE__, __FILE__, user, hooks));
}

bool ThreadStart(C4D_Thread* th, int32_t mode, int32_t /*priority*/) {
  HostThread* t = Of(th);
  if (!t || StartMustFail()) return false;
  {
    std::lock_guard<std::mutex> lock(t->mutex);
    if (t->running.load(kRelaxed)) return false;
    t->running.store(true, kRelaxed);
    t->endRequested.store(false, kRelaxed);
  }
  if (mode == C4D_THREADMODE_SYNCHRONOUS) {
    RunThread(t);
    return true;
  }
  if (detail::RunPooled(RunThread, t)) return true;
  Finish(t);
  return false;
}

bool ThreadIsRunning(C4D_Thread* th) {
  HostThread* t = Of(th);
  if (!t || !t->running.load(std::memory_order_acquire)) return false;
  std::this_thread::yield();
  return true;
}

void ThreadWait(C4D_Thread* th) {
  HostThread* t = Of(th);
  if (!t) return;
  std::unique_lock<std::mutex> lock(t->mutex);
  t->finished.wait(lock, [t] { return !t->running.load(kRelaxed); });
}

void ThreadEnd(C4D_Thread* th, bool wait) {
  HostThread* t = Of(th);
  if (!t) return;
  t->endRequested.store(true, kRelaxed);
  if (wait) ThreadWait(th);
}

void ThreadFree(C4D_Thread* th) {
  ThreadEnd(th, true);
  CountedDelete(Of(th));
}

bool ThreadTestBreak(C4D_Thread* th) {
  HostThread* t = Of(th);
  return t && t->endRequested.load(kRelaxed);
}

int32_t ProcessorCount() {
  const int32_t n = g_processorOverride.load(kRelaxed);
  if (n > 0) return n;
  const unsigned hw = std::thread::hardware_concurrency();
  return hw > 0 ? static_cast<int32_t>(hw) : 1;
}

C4D_ThreadGroup* GroupAlloc(C4D_Thread* parent, int32_t count, C4D_Thread* const* threads) {
  if (count < 1 || !threads) return nullptr;
  for (int32_t i = 0; i < count; ++i) {
    if (!threads[i]) return nullptr;
  }
  auto* array = static_cast<HostThread**>(
      MemoryAlloc(static_cast<int64_t>(sizeof(HostThread*)) * count, __LINE__, __FILE__));
  if (!array) return nullptr;
  HostGroup* g = CountedNew<HostGroup>(__LINE__, __FILE__);
  if (!g) {
    MemoryFree(array);
    return nullptr;
  }
  for (int32_t i = 0; i < count; ++i) array[i] = Of(threads[i]);
  g->parent = Of(parent);
  g->count = count;
  g->threads = array;
  return reinterpret_cast<C4D_ThreadGroup*>(g);
}

void GroupWait(C4D_ThreadGroup* gh) {
  HostGroup* g = Of(gh);
  if (!g) return;
  for (int32_t i = 0; i < g->count; ++i) ThreadWait(reinterpret_cast<C4D_Thread*>(g->threads[i]));
}

// Asks the first n workers to end, then waits for them.
void EndFirst(HostGroup* g, int32_t n) {
  for (int32_t i = 0; i < n; ++i) ThreadEnd(reinterpret_cast<C4D_Thread*>(g->threads[i]), false);
  for (int32_t i = 0; i < n; ++i) ThreadWait(reinterpret_cast<C4D_Thread*>(g->threads[i]));
}

bool GroupStart(C4D_ThreadGroup* gh, int32_t priority) {
  HostGroup* g = Of(gh);
  if (!g) return false;
  for (int32_t i = 0; i < g->count; ++i) {
    if (!ThreadStart(reinterpret_cast<C4D_Thread*>(g->threads[i]), C4D_THREADMODE_ASYNC, priority)) {
      EndFirst(g, i);
      return false;
    }
  }
  return true;
}

void GroupEnd(C4D_ThreadGroup* gh) {
  HostGroup* g = Of(gh);
  if (g) EndFirst(g, g->count);
}

void GroupFree(C4D_ThreadGroup* gh) {
  HostGroup* g = Of(gh);
  if (!g) return;
  EndFirst(g, g->count);
  MemoryFree(g->threads);
  CountedDelete(g);
}

const C4D_ThreadTable kTable = {
    static_cast<int32_t>(sizeof(C4D_ThreadTable)),
    ThreadAlloc, ThreadFree, ThreadStart, ThreadIsRunning, ThreadWait, ThreadEnd, ThreadTestBreak,
    ProcessorCount, GroupAlloc, GroupStart, GroupWait, GroupEnd, GroupFree,
};

}  // namespace

const C4D_ThreadTable* threadTable() { return &kTable; }

void SetProcessorCountForTesting(int32_t n) { g_processorOverride.store(n > 0 ? n : 0, kRelaxed); }

void FailThreadStartAfter(int64_t n) {
  g_failArmed.store(false, kRelaxed);
  g_failCountdown.store(n > 0 ? n : 0, kRelaxed);
  if (n > 0) g_failArmed.store(true, kRelaxed);
}

}  // namespace hostapp
