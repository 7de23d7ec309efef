// Small generated meshes for tests: plain arrays of points and polygons.
#ifndef TESTS_SUPPORT_MESHES_H
#define TESTS_SUPPORT_MESHES_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "host/abi/c4d_abi.h"

namespace testmesh {

struct Mesh {
  std::vector<C4D_Vector> points;
  std::vector<C4D_CPolygon> polygons;
};

inline C4D_CPolygon Quad(int32_t a, int32_t b, int32_t c, int32_t d) { return C4D_CPolygon{a, b, c, d}; }
inline C4D_CPolygon Tri(int32_t a, int32_t b, int32_t c) { return C4D_CPolygon{a, b, c, c}; }

// A grid of nx by ny quads in the plane z = 0, corners counter-clockwise seen from +z.
// With `triangles`, every other quad is split into two triangles. `wave` lifts points off the
// plane with a smooth pattern, so that smoothing and frames have work to do.
inline Mesh Grid(int32_t nx, int32_t ny, bool triangles = false, double wave = 0.0) {
  Mesh m;
  for (int32_t j = 0; j <= ny; ++j)
    for (int32_t i = 0; i <= nx; ++i) {
      const double z = wave * (std::sin(0.7 * i) * std::cos(0.45 * j) + 0.1 * ((i * 7 + j * 13) % 5));
      m.points.push_back(C4D_Vector{static_cast<double>(i), static_cast<double>(j), z});
    }
  auto at = [nx](int32_t i, int32_t j) { return j * (nx + 1) + i; };
  for (int32_t j = 0; j < ny; ++j)
    for (int32_t i = 0; i < nx; ++i) {
      const int32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
      if (triangles && ((i + j) % 2 == 1)) {
        m.polygons.push_back(Tri(a, b, c));
        m.polygons.push_back(Tri(a, c, d));
      } else {
        m.polygons.push_back(Quad(a, b, c, d));
      }
    }
  return m;
}

// A unit cube of six quads, outward facing.
inline Mesh Cube() {
  Mesh m;
  for (int32_t i = 0; i < 8; ++i)
    m.points.push_back(C4D_Vector{double(i & 1), double((i >> 1) & 1), double((i >> 2) & 1)});
  m.polygons = {Quad(0, 2, 3, 1), Quad(4, 5, 7, 6), Quad(0, 1, 5, 4),
                Quad(2, 6, 7, 3), Quad(0, 4, 6, 2), Quad(1, 3, 7, 5)};
  return m;
}

// out: the largest distance between points of equal index; infinity when the counts differ.
inline double MaxDistance(const std::vector<C4D_Vector>& a, const std::vector<C4D_Vector>& b) {
  double d = a.size() == b.size() ? 0.0 : std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    const double x = a[i].x - b[i].x, y = a[i].y - b[i].y, z = a[i].z - b[i].z;
    d = std::max(d, std::sqrt(x * x + y * y + z * z));
  }
  return d;
}

// out: the diagonal of the bounding box of points (0 for none).
inline double Size(const std::vector<C4D_Vector>& points) {
  if (points.empty()) return 0.0;
  C4D_Vector lo = points[0], hi = points[0];
  for (const C4D_Vector& p : points) {
    lo = C4D_Vector{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = C4D_Vector{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  return std::sqrt((hi.x - lo.x) * (hi.x - lo.x) + (hi.y - lo.y) * (hi.y - lo.y) + (hi.z - lo.z) * (hi.z - lo.z));
}

}  // namespace testmesh

#endif
