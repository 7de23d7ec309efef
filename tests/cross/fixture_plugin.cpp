// A stand-in plug-in for the cross toolchain tests: an exported entry, worker threads and a
// class hierarchy with virtual functions (no exceptions thrown), the runtime features the
// real plug-in needs from its statically linked C++ runtime.
//   FIXTURE_ENTRY   name of the exported entry (default c4d_main)
//   FIXTURE_HELPER  when defined, calls fixture_helper() from another library
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#ifndef FIXTURE_ENTRY
#define FIXTURE_ENTRY c4d_main
#endif
#ifdef _WIN32
#define FIXTURE_EXPORT extern "C" __declspec(dllexport)
#else
#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#ifdef FIXTURE_HELPER
extern "C" int fixture_helper(int value);
#endif

namespace fixture {

// A job run by a worker; answers one number.
class Job {
 public:
  virtual ~Job() = default;
  virtual int32_t Run() const = 0;
};

class SquareJob final : public Job {
 public:
  explicit SquareJob(int32_t n) : n_(n) {}
  int32_t Run() const override { return n_ * n_; }

 private:
  int32_t n_;
};

// Runs `count` jobs on one thread each; returns the sum of their answers.
int32_t RunJobs(int32_t count) {
  std::vector<std::unique_ptr<Job>> jobs;
  for (int32_t i = 0; i < count; ++i) jobs.push_back(std::make_unique<SquareJob>(i));
  std::atomic<int32_t> sum{0};
  std::vector<std::thread> workers;
  for (const auto& job : jobs) workers.emplace_back([&sum, &job] { sum += job->Run(); });
  for (auto& w : workers) w.join();
  return sum.load();
}

}  // namespace fixture

// The plug-in entry: action is the job count; answers the sum of squares below it.
FIXTURE_EXPORT int32_t FIXTURE_ENTRY(int32_t action, void*, void*, void*) {
  int32_t result = fixture::RunJobs(action);
#ifdef FIXTURE_HELPER
  result = fixture_helper(result);
#endif
  return result;
}
