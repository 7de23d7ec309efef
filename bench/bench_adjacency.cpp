// Benchmark 1: adjacency and neighbour lists. Host: Neighbor::Init, the lists and flags
// sized, BuildNeighborLists and everything freed again, as the controller's run does it.
// Yardstick: sorted sides into compressed rows.
#include "c4d.h"
#include "cases.h"
#include "host_scene.h"
#include "tavrenthreads.h"
#include "yardstick.h"

namespace bench {
namespace {

const CPolygon* Polygons(const GridMesh& g) { return FromC(g.polygons.data()); }

// One host build and free. out: false when any step failed.
bool HostBuild(const GridMesh& g, NeighborLists* keep = nullptr, BaseArray<Int32>* keepBorders = nullptr) {
  const Int32 n = static_cast<Int32>(g.points.size());
  const Int32 m = static_cast<Int32>(g.polygons.size());
  Neighbor adjacency;
  NeighborLists neighbors;
  BaseArray<Int32> borders;
  if (!adjacency.Init(n, Polygons(g), m, nullptr)) return false;
  if (!neighbors.Resize(n) || !borders.Resize(n)) return false;
  BuildNeighborLists(adjacency, Polygons(g), m, neighbors, borders);
  if (keep) neighbors.Swap(*keep);
  if (keepBorders) borders.Swap(*keepBorders);
  borders.Reset();
  neighbors.Reset();
  adjacency.Free();
  return true;
}

// true when the yardstick's rows hold the host's lists and flags entry for entry.
bool ListsAgree(const GridMesh& g) {
  NeighborLists host;
  BaseArray<Int32> hostBorders;
  if (!HostBuild(g, &host, &hostBorders)) return false;
  CsrNeighbors yard;
  BuildCsrNeighbors(static_cast<int32_t>(g.points.size()), Polygons(g), static_cast<int32_t>(g.polygons.size()), yard);
  for (Int64 p = 0; p < host.GetCount(); ++p) {
    const Int64 k = yard.start[p + 1] - yard.start[p];
    if (k != host[p].GetCount() || hostBorders[p] != yard.borders[p]) return false;
    if (!SameBits(host[p].GetFirst(), yard.items.data() + yard.start[p], k)) return false;
  }
  return true;
}

void Case(benchmark::State& state, GridSize size, int32_t workers) {
  if (!HostSetupError().empty()) return state.SkipWithError(HostSetupError().c_str());
  const GridMesh& g = Grid(size.cells);
  if (!ListsAgree(g)) return state.SkipWithError("yardstick lists differ from the host's");
  SetHostWorkers(workers);  // the build is single-threaded on both sides; kept for symmetry
  const int32_t n = static_cast<int32_t>(g.points.size());
  const int32_t m = static_cast<int32_t>(g.polygons.size());
  const Side host{nullptr, [&] { return HostBuild(g); }};
  const Side yard{nullptr, [&] {
                    CsrNeighbors lists;
                    BuildCsrNeighbors(n, Polygons(g), m, lists);
                    benchmark::DoNotOptimize(lists.items.data());
                    return true;
                  }};
  RunPaired(state, host, yard);
}

}  // namespace

void RegisterAdjacencyBenchmarks() {
  for (const GridSize& size : GridSizes())
    for (int32_t workers : {1, 2})
      ApplyTiming(benchmark::RegisterBenchmark(CaseName("Adjacency", "", size, workers).c_str(), Case, size, workers),
                  size, 5);
}

}  // namespace bench
