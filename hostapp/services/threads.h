// The host's thread service behind C4D_ThreadTable.
//
// A C4D_Thread runs hooks->main(user): on the caller when started SYNCHRONOUS, on a pooled
// OS thread when started ASYNC. An ASYNC start never waits for a free pooled thread (the
// pool grows instead), so a controller that starts workers and waits for them cannot
// deadlock however many controllers run at once. Priorities are accepted and ignored.
//
//  - thread_start fails (false) when the thread is already running, when no OS thread can be
//    had, or when the failure switch below says so; a new start clears an earlier end request.
//  - thread_end sets the thread's end request (thread_test_break answers it; the plug-in's own
//    hooks->test_break is its business and is not consulted here) and optionally waits.
//  - thread_wait must not be called from the thread itself.
//  - thread_is_running yields the caller's time slice when it answers true, so that a caller
//    polling it in a loop leaves the processor to the threads it waits for.
//  - All functions accept NULL handles (no-op, false or 0).
//
// Thread and group objects come from the host allocator (so its failure switch reaches them);
// the pooled OS threads themselves are the host's and are not counted.
#pragma once

#include <cstdint>

#include "c4d_abi.h"

namespace hostapp {

// The table handed to plug-ins; static, never NULL.
const C4D_ThreadTable* threadTable();

// Processor count offered to plug-ins: n >= 1 overrides it, 0 restores the machine's
// hardware thread count (at least 1).
void SetProcessorCountForTesting(int32_t n);

// The n-th thread start from now (1: the very next; SYNCHRONOUS and ASYNC alike) fails,
// once. n <= 0 disarms.
void FailThreadStartAfter(int64_t n);

}  // namespace hostapp
