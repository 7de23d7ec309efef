// Frames of a sequence evaluated at once on several threads: each thread takes the next
// frame not yet taken, so the work spreads evenly however long each frame takes.
#ifndef TAVREN_CLI_FRAME_JOBS_H
#define TAVREN_CLI_FRAME_JOBS_H

#include <cstddef>
#include <functional>

namespace tavren_cli {

// in: jobs, the number of cores when 0. out: the number of threads to run count frames on
// (at least 1, at most count).
size_t JobCount(size_t jobs, size_t count);

// Runs work(job, index) for every index in [0, count) on `jobs` threads (job numbers the
// thread, 0 ... jobs - 1, so that each can keep its own scene); done(index) is called once
// for every index, in ascending order, one call at a time, as soon as the work of that
// index and of every one before it has finished (so a log reads as one thread's would). An
// exception in work or done stops the handing out of further frames and the calls of done;
// the first one is rethrown once every thread has ended.
void RunFrameJobs(size_t count, size_t jobs, const std::function<void(size_t job, size_t index)>& work,
                  const std::function<void(size_t index)>& done);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_FRAME_JOBS_H
