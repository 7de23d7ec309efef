// Figures of a deformed surface beyond its edge lengths and volume: how much of the rest
// mesh's surface detail it keeps, and how many of its faces pass through each other.
#ifndef HOSTAPP_APP_SURFACE_MEASURES_H
#define HOSTAPP_APP_SURFACE_MEASURES_H

#include <cstdint>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/app/report.h"

namespace hostapp {

// Smoothing steps of the mesh's own smoothed version that detail is measured against.
constexpr int kDetailSmoothingSteps = 3;

// A point's detail is its distance from the same point of the mesh's own smoothed version:
// kDetailSmoothingSteps steps in which every point moves to the mean of its edge neighbours
// (points without neighbours stay). The mesh's detail is the sum over its points; it does
// not change under rotation and translation and scales with the mesh.
class DetailMeasure {
 public:
  // in: point count, the mesh's edges (indices below it).
  DetailMeasure(size_t point_count, const std::vector<MeshEdge>& edges);
  // in: points (the count given above). out: the mesh's detail.
  double Total(const std::vector<C4D_Vector>& points) const;

 private:
  std::vector<int32_t> start_;      // neighbours of point i: neighbours_[start_[i] .. start_[i + 1])
  std::vector<int32_t> neighbours_;
};

// out: true when this build counts self-intersections (it was built with CGAL).
bool SelfIntersectionsMeasured();

// in: points, polygons (indices in range; quads are split into (a, b, c) and (a, c, d)).
// out: the number of pairs of distinct polygons whose surfaces intersect other than along
// the corners and edges they share (each pair counted once however many of their triangles
// meet); -1 when this build does not measure it or the polygons do not form a surface the
// measure accepts (an edge used by more than two faces, or twice in one direction).
int64_t CountSelfIntersections(const std::vector<C4D_Vector>& points, const std::vector<C4D_CPolygon>& polygons);

}  // namespace hostapp

#endif  // HOSTAPP_APP_SURFACE_MEASURES_H
