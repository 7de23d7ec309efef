#include "hostapp/services/thread_pool.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace hostapp::detail {
namespace {

struct Worker {
  std::mutex mutex;
  std::condition_variable wake;
  void (*fn)(void*) = nullptr;  // the job handed over, NULL while waiting
  void* arg = nullptr;
  Worker* nextIdle = nullptr;   // guarded by the pool mutex
};

struct Pool {
  std::mutex mutex;
  Worker* idle = nullptr;
  int64_t total = 0;
};

// Never destroyed: pooled threads sleep on it until the process ends.
Pool& ThePool() {
  static Pool* pool = new Pool;
  return *pool;
}

// Body of a pooled thread: run the handed job, go idle, wait for the next one.
void WorkerLoop(Worker* w) {
  Pool& pool = ThePool();
  for (;;) {
    void (*fn)(void*);
    void* arg;
    {
      std::unique_lock<std::mutex> lock(w->mutex);
      w->wake.wait(lock, [w] { return w->fn != nullptr; });
      fn = w->fn;
      arg = w->arg;
      w->fn = nullptr;
    }
    fn(arg);
    std::lock_guard<std::mutex> lock(pool.mutex);
    w->nextIdle = pool.idle;
    pool.idle = w;
  }
}

}  // namespace

bool RunPooled(void (*fn)(void*), void* arg) {
  Pool& pool = ThePool();
  Worker* w;
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    w = pool.idle;
    if (w) pool.idle = w->nextIdle;
  }
  if (w) {
    {
      std::lock_guard<std::mutex> lock(w->mutex);
      w->fn = fn;
      w->arg = arg;
    }
    w->wake.notify_one();
    return true;
  }
  // None idle: a new thread, born with its first job.
  w = new (std::nothrow) Worker;
  if (!w) return false;
  w->fn = fn;
  w->arg = arg;
  try {
    std::thread(WorkerLoop, w).detach();
  } catch (const std::system_error&) {
    delete w;
    return false;
  } catch (const std::bad_alloc&) {
    delete w;
    return false;
  }
  std::lock_guard<std::mutex> lock(pool.mutex);
  ++pool.total;
  return true;
}

int64_t PooledThreadCount() {
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  return pool.total;
}

}  // namespace hostapp::detail
