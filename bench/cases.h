// What every benchmark file shares: case names, the timing settings per grid size, the
// paired run of the host path and its yardstick, and the bitwise comparison of results.
//
// A case runs both sides alternately in the same loop (host, yardstick, yardstick, host, ...),
// each call timed on its own, so that both see the same load on a shared machine. The
// case's time is the pair's; its counters give each side's fastest and median call in
// milliseconds and the ratios host/yardstick of both.
#ifndef BENCH_CASES_H
#define BENCH_CASES_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "grid.h"

namespace bench {

// Counter names the report reads.
constexpr const char* kHostMs = "host_ms";      // fastest host call
constexpr const char* kYardMs = "yard_ms";      // fastest yardstick call
constexpr const char* kRatio = "ratio";         // host_ms / yard_ms
constexpr const char* kMedianRatio = "med_ratio";  // median host call / median yardstick call

// "<group>/<detail>/pts:<size>/workers:<w>"; detail may be empty.
inline std::string CaseName(const std::string& group, const std::string& detail, const GridSize& size,
                            int32_t workers) {
  std::string name = group + "/";
  if (!detail.empty()) name += detail + "/";
  return name + "pts:" + size.label + "/workers:" + std::to_string(workers);
}

// Wall time in milliseconds, set by the case; the largest grid runs a fixed, small number of
// pairs, the others for a minimum time.
// in: the case, its grid size, the pairs to run on the largest grid.
inline void ApplyTiming(benchmark::internal::Benchmark* b, const GridSize& size, int64_t largeIterations) {
  b->Unit(benchmark::kMillisecond)->UseManualTime();
  if (size.cells >= 1000)
    b->Iterations(largeIterations);
  else
    b->MinTime(size.cells >= 300 ? 1.0 : 0.5);
}

// One side of a case: prepare (untimed: restore inputs) then run (timed). run answers false
// when the work failed; the case then stops with an error.
struct Side {
  std::function<void()> prepare;
  std::function<bool()> run;
};

// The loop of a case: both sides alternately, counters as described above.
void RunPaired(benchmark::State& state, const Side& host, const Side& yard);

// true when the n elements of a and b are equal to the bit.
template <class A, class B>
bool SameBits(const A* a, const B* b, int64_t n) {
  static_assert(sizeof(A) == sizeof(B), "same layout");
  return n == 0 || std::memcmp(a, b, static_cast<size_t>(n) * sizeof(A)) == 0;
}

// Registration of each benchmark file, in the order the report lists them.
void RegisterAdjacencyBenchmarks();
void RegisterSmoothingBenchmarks();
void RegisterCaptureBenchmarks();
void RegisterDeformBenchmarks();
void RegisterSequenceBenchmarks();

// Frees the deformation benchmarks' cached scene (before the program ends).
void ReleaseDeformScene();

}  // namespace bench

#endif
