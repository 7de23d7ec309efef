// Benchmark 4: the whole deformation pass. Host: the deformer's ModifyObject, called through
// its registered hooks on a working copy whose bind tag holds a binding of the rest pose.
// Yardstick: compressed-row adjacency, the same smoothing on the same number of threads,
// frames and rebuild on one thread, each stage timed.
#include <memory>
#include <tuple>

#include "c4d.h"
#include "cases.h"
#include "host_scene.h"
#include "stage_counters.h"
#include "yardstick.h"

namespace bench {
namespace {

// The scene of the last case; the cases of one (grid, iterations, mode) run one after the
// other, so each scene is built (and its binding captured) once.
struct SceneCache {
  std::tuple<int32_t, int32_t, int32_t> key{-1, -1, -1};
  std::unique_ptr<DeformScene> scene;
};

SceneCache& Cache() {
  static SceneCache cache;
  return cache;
}

DeformScene& SceneFor(const GridSize& size, int32_t iterations, int32_t mode) {
  SceneCache& c = Cache();
  const auto key = std::make_tuple(size.cells, iterations, mode);
  if (!c.scene || c.key != key) {
    c.scene.reset();
    c.scene = std::make_unique<DeformScene>(Grid(size.cells), iterations, mode);
    c.key = key;
  }
  return *c.scene;
}

void Case(benchmark::State& state, GridSize size, int32_t iterations, int32_t mode, int32_t workers) {
  if (!HostSetupError().empty()) return state.SkipWithError(HostSetupError().c_str());
  SetHostWorkers(workers);
  DeformScene& scene = SceneFor(size, iterations, mode);
  if (!scene.Error().empty()) return state.SkipWithError(scene.Error().c_str());
  const GridMesh& g = Grid(size.cells);
  const int32_t n = static_cast<int32_t>(g.points.size());
  const int32_t m = static_cast<int32_t>(g.polygons.size());
  const Vector* offsets = scene.Offsets().GetFirst();
  SmoothSettings settings;
  settings.mode = mode;
  std::vector<Vector> points;
  StageTimes times;

  const Side host{[&] { scene.ResetInput(); }, [&] { return scene.Modify(); }};
  const Side yard{[&] { points.assign(FromC(g.posed.data()), FromC(g.posed.data()) + n); },
                  [&] {
                    DeformFlat(points.data(), n, FromC(g.polygons.data()), m, offsets, settings, iterations, workers,
                               &times);
                    benchmark::DoNotOptimize(points.data());
                    return true;
                  }};
  // Both sides from the same input must agree to the bit.
  host.prepare();
  yard.prepare();
  if (!yard.run() || !host.run() || !SameBits(scene.Points().data(), points.data(), n))
    return state.SkipWithError("yardstick deformation differs from the host's");
  times = StageTimes();
  RunPaired(state, host, yard);
  ReportStageShares(state, times);
}

}  // namespace

void RegisterDeformBenchmarks() {
  for (const GridSize& size : GridSizes())
    for (int32_t iterations : {2, 10})
      for (int32_t mode : {0, 1})
        for (int32_t workers : {1, 2})
          ApplyTiming(benchmark::RegisterBenchmark(CaseName("Deform",
                                                            "it:" + std::to_string(iterations) + "/mode:" +
                                                                std::to_string(mode),
                                                            size, workers)
                                                       .c_str(),
                                                   Case, size, iterations, mode, workers),
                      size, 2);
}

void ReleaseDeformScene() { Cache().scene.reset(); }

}  // namespace bench
