// The yardstick's stage shares as benchmark counters (percent of the summed stage times).
#ifndef BENCH_STAGE_COUNTERS_H
#define BENCH_STAGE_COUNTERS_H

#include <benchmark/benchmark.h>

#include "yardstick.h"

namespace bench {

// Names of the share counters, in stage order; the report prints them under these names.
constexpr const char* kStageCounters[4] = {"adj%", "smooth%", "frames%", "rebuild%"};

// in: stage times summed over the run. out: state's counters adj%, smooth%, frames%, rebuild%.
inline void ReportStageShares(benchmark::State& state, const StageTimes& t) {
  const double total = t.adjacency + t.smoothing + t.frames + t.rebuild;
  if (total <= 0.0) return;
  const double parts[4] = {t.adjacency, t.smoothing, t.frames, t.rebuild};
  for (int i = 0; i < 4; ++i) state.counters[kStageCounters[i]] = 100.0 * parts[i] / total;
}

}  // namespace bench

#endif
