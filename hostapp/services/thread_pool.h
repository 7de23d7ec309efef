// Pooled OS threads for the host's thread service.
//
// RunPooled hands a job to an idle pooled thread, or starts a new one when none is idle: it
// never waits for a free slot, so a job may start further jobs and wait for them without
// ever starving the pool. Threads that finish a job go back to the idle list (most recently
// used first) and are reused; they live until the process ends. The pool is never torn
// down: at exit its idle threads are simply asleep on their condition variables.
#pragma once

#include <cstdint>

namespace hostapp::detail {

// Runs fn(arg) on a pooled thread and returns at once. false: no thread could be had
// (out of memory or the system refused a new thread); fn is then not called.
bool RunPooled(void (*fn)(void*), void* arg);

// Pooled threads in existence (busy or idle), for tests and diagnostics.
int64_t PooledThreadCount();

}  // namespace hostapp::detail
