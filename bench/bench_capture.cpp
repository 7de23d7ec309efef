// Benchmark 3: capture of a binding with the tag's defaults (2 iterations, distance-weighted).
// Host: CaptureBinding on a bind tag. Yardstick: compressed rows, the same smoothing on
// std::threads, the same frames and inversion on flat arrays.
#include "c4d.h"
#include "cases.h"
#include "host_scene.h"
#include "stage_counters.h"
#include "yardstick.h"

namespace bench {
namespace {

constexpr int32_t kIterations = 2;
constexpr int32_t kMode = 1;

void Case(benchmark::State& state, GridSize size, int32_t workers) {
  if (!HostSetupError().empty()) return state.SkipWithError(HostSetupError().c_str());
  SetHostWorkers(workers);
  const GridMesh& g = Grid(size.cells);
  const int32_t n = static_cast<int32_t>(g.points.size());
  const int32_t m = static_cast<int32_t>(g.polygons.size());
  BoundMesh mesh = MakeBoundMesh(g, kIterations, kMode);
  if (!mesh.tag) return state.SkipWithError("no bind tag");
  SmoothSettings settings;
  settings.mode = kMode;
  std::vector<Vector> offsets;
  StageTimes times;
  auto host = [&] { return CaptureBinding(AsBaseObject(mesh.object), AsBaseTag(mesh.tag)); };
  auto yard = [&] {
    CaptureFlat(FromC(g.points.data()), n, FromC(g.polygons.data()), m, settings, kIterations, workers, offsets,
                &times);
    benchmark::DoNotOptimize(offsets.data());
    return true;
  };
  // Both bindings must agree to the bit.
  yard();
  const TTavren* binding = BindingOf(mesh.tag);
  if (!host() || binding->offsets.GetCount() != n || !SameBits(binding->offsets.GetFirst(), offsets.data(), n))
    return state.SkipWithError("yardstick capture differs from the host's");
  times = StageTimes();
  RunPaired(state, Side{nullptr, host}, Side{nullptr, yard});
  ReportStageShares(state, times);
}

}  // namespace

void RegisterCaptureBenchmarks() {
  for (const GridSize& size : GridSizes()) {
    if (size.cells < 300) continue;  // capture is measured on the two larger grids
    for (int32_t workers : {1, 2})
      ApplyTiming(benchmark::RegisterBenchmark(CaseName("Capture", "", size, workers).c_str(), Case, size, workers),
                  size, 3);
  }
}

}  // namespace bench
