#include "cli/frame_jobs.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tavren_cli {

size_t JobCount(size_t jobs, size_t count) {
  if (jobs == 0) jobs = std::thread::hardware_concurrency();
  if (jobs > count) jobs = count;
  return jobs == 0 ? 1 : jobs;
}

void RunFrameJobs(size_t count, size_t jobs, const std::function<void(size_t job, size_t index)>& work,
                  const std::function<void(size_t index)>& done) {
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;  // guards first_error, finished, reported and the calls of done
  std::exception_ptr first_error;
  std::vector<bool> finished(count, false);
  size_t reported = 0;  // indices before this one were passed to done
  auto run = [&](size_t job) {
    for (;;) {
      if (failed.load()) return;
      const size_t index = next.fetch_add(1);
      if (index >= count) return;
      try {
        work(job, index);
        std::lock_guard<std::mutex> lock(mutex);
        finished[index] = true;
        while (!failed.load() && reported < count && finished[reported]) done(reported++);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!first_error) first_error = std::current_exception();
        failed.store(true);
        return;
      }
    }
  };
  std::vector<std::thread> threads;
  try {
    for (size_t j = 1; j < jobs; ++j) threads.emplace_back(run, j);
  } catch (const std::system_error&) {
    // No more threads to be had: the ones started (and this one) share the frames.
  }
  run(0);
  for (std::thread& t : threads) t.join();
  if (first_error) std::rethrow_exception(first_error);
}

}  // namespace tavren_cli
