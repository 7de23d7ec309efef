// tavren-bench: the host path beside its flat-array yardstick, case by case. Google
// Benchmark's flags apply (--benchmark_filter, --benchmark_repetitions,
// --benchmark_out=file.json --benchmark_out_format=json); the display is always the console
// report, which ends with the table of host/yardstick ratios.
#include <benchmark/benchmark.h>

#include "cases.h"
#include "ratio_report.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RegisterAdjacencyBenchmarks();
  bench::RegisterSmoothingBenchmarks();
  bench::RegisterCaptureBenchmarks();
  bench::RegisterDeformBenchmarks();
  bench::RegisterSequenceBenchmarks();
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  bench::ReleaseDeformScene();
  benchmark::Shutdown();
  return 0;
}
