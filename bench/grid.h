// Quad grids the benchmarks run on, in the boundary's plain types.
#ifndef BENCH_GRID_H
#define BENCH_GRID_H

#include <cstdint>
#include <string>
#include <vector>

#include "c4d_abi.h"

namespace bench {

struct GridMesh {
  std::vector<C4D_Vector> points;     // rest pose, lifted off the plane by a smooth pattern
  std::vector<C4D_CPolygon> polygons;  // quads, counter-clockwise seen from +z
  std::vector<C4D_Vector> posed;      // the rest pose bent as a deformer's input would be
};

// One grid size of the benchmarks: a label (10k, 100k, 1M) and its quads per side.
struct GridSize {
  const char* label;
  int32_t cells;
};

// The three sizes: 100^2, 316^2 and 1000^2 quads (about 10k, 100k and 1M points).
const std::vector<GridSize>& GridSizes();

// The grid of cells x cells quads, built on first use and kept for the process.
// in: cells >= 1. out: a reference that stays valid until the process ends.
const GridMesh& Grid(int32_t cells);

}  // namespace bench

#endif
