#include "cases.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// Seconds of one timed call of side.run; < 0 when it failed.
double TimeOnce(const Side& side) {
  if (side.prepare) side.prepare();
  const Clock::time_point t0 = Clock::now();
  const bool ok = side.run();
  const double s = std::chrono::duration<double>(Clock::now() - t0).count();
  return ok ? s : -1.0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t h = v.size() / 2;
  return v.size() % 2 ? v[h] : 0.5 * (v[h - 1] + v[h]);
}

}  // namespace

void RunPaired(benchmark::State& state, const Side& host, const Side& yard) {
  std::vector<double> hostTimes, yardTimes;
  bool hostFirst = true;
  for (auto _ : state) {
    const Side& first = hostFirst ? host : yard;
    const Side& second = hostFirst ? yard : host;
    const double a = TimeOnce(first);
    const double b = a < 0.0 ? -1.0 : TimeOnce(second);
    if (a < 0.0 || b < 0.0) {
      state.SkipWithError(hostFirst == (a < 0.0) ? "the host path failed" : "the yardstick failed");
      return;
    }
    (hostFirst ? hostTimes : yardTimes).push_back(a);
    (hostFirst ? yardTimes : hostTimes).push_back(b);
    state.SetIterationTime(a + b);
    hostFirst = !hostFirst;
  }
  if (hostTimes.empty()) return;
  const double hostMin = *std::min_element(hostTimes.begin(), hostTimes.end());
  const double yardMin = *std::min_element(yardTimes.begin(), yardTimes.end());
  state.counters[kHostMs] = hostMin * 1e3;
  state.counters[kYardMs] = yardMin * 1e3;
  state.counters[kRatio] = hostMin / yardMin;
  state.counters[kMedianRatio] = Median(hostTimes) / Median(yardTimes);
}

}  // namespace bench
