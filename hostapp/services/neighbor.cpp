#include "hostapp/services/neighbor.h"

#include "hostapp/services/memory.h"

namespace hostapp {
namespace {

C4D_Neighbor* NeighborAlloc() {
  return reinterpret_cast<C4D_Neighbor*>(CountedNew<Adjacency>(__LINE__, __FILE__));
}

void NeighborFree(C4D_Neighbor* n) { CountedDelete(AdjacencyOf(n)); }

bool NeighborInit(C4D_Neighbor* n, int32_t pointCount, const C4D_CPolygon* polygons,
                  int32_t polygonCount, const void* selection) {
  Adjacency* a = AdjacencyOf(n);
  if (!a) return false;
  if (selection) {
    a->Clear();
    return false;
  }
  return a->Build(pointCount, polygons, polygonCount);
}

const C4D_PolyInfo* NeighborPolyInfo(C4D_Neighbor* n, int32_t polygon) {
  const Adjacency* a = AdjacencyOf(n);
  return a ? a->PolyInfo(polygon) : nullptr;
}

void NeighborPointPolys(C4D_Neighbor* n, int32_t point, const int32_t** polys, int32_t* count) {
  if (const Adjacency* a = AdjacencyOf(n)) {
    a->PointPolys(point, polys, count);
    return;
  }
  if (polys) *polys = nullptr;
  if (count) *count = 0;
}

const C4D_NeighborTable kTable = {
    static_cast<int32_t>(sizeof(C4D_NeighborTable)), NeighborAlloc, NeighborFree, NeighborInit,
    NeighborPolyInfo, NeighborPointPolys,
};

}  // namespace

const C4D_NeighborTable* neighborTable() { return &kTable; }

}  // namespace hostapp
