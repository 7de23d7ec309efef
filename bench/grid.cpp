#include "grid.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace bench {
namespace {

// Builds cells x cells quads over (cells + 1)^2 points with unit spacing.
std::unique_ptr<GridMesh> MakeGrid(int32_t cells) {
  auto g = std::make_unique<GridMesh>();
  const int32_t side = cells + 1;
  g->points.reserve(static_cast<size_t>(side) * side);
  g->posed.reserve(static_cast<size_t>(side) * side);
  for (int32_t j = 0; j < side; ++j) {
    for (int32_t i = 0; i < side; ++i) {
      const double x = i, y = j;
      const double z = 0.6 * std::sin(0.7 * x) * std::cos(0.45 * y) + 0.05 * ((i * 7 + j * 13) % 5);
      g->points.push_back(C4D_Vector{x, y, z});
      // A bend along x and a twist-like ripple: every point moves, neighbours move alike.
      const double bend = 0.002 * (x - 0.5 * cells) * (x - 0.5 * cells);
      g->posed.push_back(C4D_Vector{x, y + 0.3 * std::sin(0.05 * x), z + bend + 0.2 * std::sin(0.03 * (x + y))});
    }
  }
  g->polygons.reserve(static_cast<size_t>(cells) * cells);
  for (int32_t j = 0; j < cells; ++j) {
    for (int32_t i = 0; i < cells; ++i) {
      const int32_t a = j * side + i;
      g->polygons.push_back(C4D_CPolygon{a, a + 1, a + 1 + side, a + side});
    }
  }
  return g;
}

}  // namespace

const std::vector<GridSize>& GridSizes() {
  static const std::vector<GridSize> sizes = {{"10k", 100}, {"100k", 316}, {"1M", 1000}};
  return sizes;
}

const GridMesh& Grid(int32_t cells) {
  static std::mutex mutex;
  static std::map<int32_t, std::unique_ptr<GridMesh>> grids;
  std::lock_guard<std::mutex> lock(mutex);
  std::unique_ptr<GridMesh>& g = grids[cells];
  if (!g) g = MakeGrid(cells);
  return *g;
}

}  // namespace bench
