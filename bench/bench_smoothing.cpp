// Benchmark 2: one smoothing iteration, modes 0 and 1. Host: the plug-in's TavrenLaplacian
// workers in an MPThreadPool, formed once; each iteration swaps buffers, starts the group and
// waits for it. Yardstick: the same relaxation over compressed rows on a crew of std::threads.
#include <memory>
#include <vector>

#include "c4d.h"
#include "cases.h"
#include "host_scene.h"
#include "tavrenthreads.h"
#include "yardstick.h"

namespace bench {
namespace {

// The thread the worker group hangs from; it never runs.
class GroupParent : public C4DThread {
 public:
  void Main() override {}
  const Char* GetThreadName() override { return "bench group parent"; }
};

// The host's smoothing as the controller sets it up: lists from the host's adjacency, one
// worker per range, the workers in a group.
class HostSmoother {
 public:
  // in: grid, mode, worker count. out: Ready() tells whether every step succeeded.
  HostSmoother(const GridMesh& g, int32_t mode, int32_t workers) : n_(static_cast<Int32>(g.points.size())) {
    const CPolygon* polys = FromC(g.polygons.data());
    const Int32 m = static_cast<Int32>(g.polygons.size());
    a_.assign(FromC(g.points.data()), FromC(g.points.data()) + n_);
    b_.resize(static_cast<size_t>(n_));
    if (!adjacency_.Init(n_, polys, m, nullptr) || !lists_.Resize(n_) || !borders_.Resize(n_)) return;
    BuildNeighborLists(adjacency_, polys, m, lists_, borders_);
    for (Int32 i = 0; i < workers; ++i) {
      workers_.push_back(std::make_unique<TavrenLaplacian>());
      Int32 start = 0, count = 0;
      LaplacianRange(n_, workers, i, &start, &count);
      BindSettings settings;
      settings.mode = static_cast<SmoothMode>(mode);
      settings.step = 1.0f;
      workers_.back()->Init(start, count, a_.data(), b_.data(), lists_, borders_, settings);
      threads_.push_back(workers_.back().get());
    }
    ready_ = group_.Init(parent_, workers, threads_.data());
  }

  bool Ready() const { return ready_; }

  // One iteration. out: false when the group could not start.
  bool Pass() {
    for (auto& w : workers_) w->SwapBuffers();
    if (!group_.Start(THREADPRIORITY_NORMAL)) return false;
    group_.Wait();
    return true;
  }

  // The buffer the last pass wrote.
  const Vector* Result() const { return workers_.front()->dst; }

 private:
  Int32 n_;
  std::vector<Vector> a_, b_;
  Neighbor adjacency_;
  NeighborLists lists_;
  BaseArray<Int32> borders_;
  GroupParent parent_;
  std::vector<std::unique_ptr<TavrenLaplacian>> workers_;
  std::vector<C4DThread*> threads_;
  MPThreadPool group_;
  bool ready_ = false;
};

// The yardstick's state for one case: rows and buffers made once, the process's crew.
struct YardSmoother {
  YardSmoother(const GridMesh& g, int32_t mode, int32_t workers)
      : n(static_cast<int32_t>(g.points.size())), a(FromC(g.points.data()), FromC(g.points.data()) + n),
        b(static_cast<size_t>(n)), settings(Settings(mode)),
        lists(Rows(g)), crew(CrewOf(workers)), src(a.data()), dst(b.data()) {}
  void Pass() {
    crew.Pass(lists, settings, src, dst, n);
    std::swap(src, dst);
  }
  static SmoothSettings Settings(int32_t mode) {
    SmoothSettings s;
    s.mode = mode;
    return s;
  }
  static CsrNeighbors Rows(const GridMesh& g) {
    CsrNeighbors rows;
    BuildCsrNeighbors(static_cast<int32_t>(g.points.size()), FromC(g.polygons.data()),
                      static_cast<int32_t>(g.polygons.size()), rows);
    return rows;
  }
  int32_t n;
  std::vector<Vector> a, b;
  SmoothSettings settings;
  CsrNeighbors lists;
  SmoothingCrew& crew;
  Vector* src;
  Vector* dst;
};

void Case(benchmark::State& state, GridSize size, int32_t mode, int32_t workers) {
  if (!HostSetupError().empty()) return state.SkipWithError(HostSetupError().c_str());
  SetHostWorkers(workers);
  const GridMesh& g = Grid(size.cells);
  HostSmoother host(g, mode, workers);
  YardSmoother yard(g, mode, workers);
  if (!host.Ready()) return state.SkipWithError("the host's workers could not be set up");
  // The first pass of each side, from the same points, must agree to the bit.
  yard.Pass();
  if (!host.Pass() || !SameBits(host.Result(), yard.src, yard.n))
    return state.SkipWithError("yardstick smoothing differs from the host's");
  const Side hostSide{nullptr, [&] { return host.Pass(); }};
  const Side yardSide{nullptr, [&] {
                        yard.Pass();
                        return true;
                      }};
  RunPaired(state, hostSide, yardSide);
}

}  // namespace

void RegisterSmoothingBenchmarks() {
  for (int32_t mode : {0, 1})
    for (const GridSize& size : GridSizes())
      for (int32_t workers : {1, 2})
        ApplyTiming(benchmark::RegisterBenchmark(
                        CaseName("Smooth", "mode:" + std::to_string(mode), size, workers).c_str(), Case, size, mode,
                        workers),
                    size, 30);
}

}  // namespace bench
