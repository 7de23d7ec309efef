#include "hostapp/app/surface_measures.h"

#include <cmath>

namespace hostapp {

DetailMeasure::DetailMeasure(size_t point_count, const std::vector<MeshEdge>& edges) : start_(point_count + 1, 0) {
  for (const MeshEdge& e : edges) {
    ++start_[static_cast<size_t>(e.a) + 1];
    ++start_[static_cast<size_t>(e.b) + 1];
  }
  for (size_t i = 0; i < point_count; ++i) start_[i + 1] += start_[i];
  neighbours_.resize(static_cast<size_t>(start_[point_count]));
  std::vector<int32_t> fill(start_.begin(), start_.end() - 1);
  for (const MeshEdge& e : edges) {
    neighbours_[static_cast<size_t>(fill[e.a]++)] = e.b;
    neighbours_[static_cast<size_t>(fill[e.b]++)] = e.a;
  }
}

double DetailMeasure::Total(const std::vector<C4D_Vector>& points) const {
  const size_t n = start_.size() - 1;
  std::vector<C4D_Vector> smooth(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(n)), next(n);
  for (int step = 0; step < kDetailSmoothingSteps; ++step) {
    for (size_t i = 0; i < n; ++i) {
      const int32_t first = start_[i], last = start_[i + 1];
      if (first == last) {
        next[i] = smooth[i];
        continue;
      }
      C4D_Vector sum{0, 0, 0};
      for (int32_t k = first; k < last; ++k) {
        const C4D_Vector& q = smooth[static_cast<size_t>(neighbours_[static_cast<size_t>(k)])];
        sum.x += q.x;
        sum.y += q.y;
        sum.z += q.z;
      }
      const double w = 1.0 / (last - first);
      next[i] = C4D_Vector{sum.x * w, sum.y * w, sum.z * w};
    }
    smooth.swap(next);
  }
  double total = 0;
  for (size_t i = 0; i < n; ++i) {
    const double x = points[i].x - smooth[i].x, y = points[i].y - smooth[i].y, z = points[i].z - smooth[i].z;
    total += std::sqrt(x * x + y * y + z * z);
  }
  return total;
}

}  // namespace hostapp
