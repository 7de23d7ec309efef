// Polygon adjacency: per polygon side the polygon across, the edge number and whether the
// edge was already reported; per point the polygons around it.
//
// Fixed rules (binding and deformation both depend on them, so they never change):
//  - Sides of a polygon (a, b, c, d): 0 (a,b), 1 (b,c), 2 (c,d), 3 (d,a). A polygon with
//    c == d is a triangle: its side 2 is no edge (face -1, mark true, edge -1) and its side 3
//    runs (c,a). A side (x,x) of a quad with repeated corners is an ordinary edge (x,x).
//  - Edges are unordered pairs of points. For each edge, mark is false on its first
//    occurrence in polygon order, then side order, and true on every later one; edge numbers
//    count distinct edges 0, 1, ... in order of first occurrence.
//  - face of a side is -1 exactly when no other polygon uses its edge, otherwise the
//    lowest-index other polygon that does (also when three or more polygons share it).
//  - A point's polygons are listed in ascending index, each once; a point no polygon uses
//    has an empty list.
//
// Build time and memory are linear in the number of polygon sides: sides are bucketed by
// their lower point with a counting sort, then grouped by their upper point with a stamp
// per point. All storage comes from the host allocator, so its failure switch reaches it.
#pragma once

#include <cstdint>

#include "c4d_abi.h"

namespace hostapp {

class Adjacency {
 public:
  // Largest polygon count accepted (so that every side has a 32-bit number).
  static constexpr int32_t kMaxPolygons = INT32_MAX / 4;

  Adjacency() = default;
  ~Adjacency();
  Adjacency(const Adjacency&) = delete;
  Adjacency& operator=(const Adjacency&) = delete;

  // Builds the adjacency of polygons[0..polygonCount) over pointCount points, replacing any
  // earlier one. false (and the adjacency left empty): a negative count, NULL polygons with
  // polygonCount > 0, a corner outside 0..pointCount-1, more than kMaxPolygons polygons, or
  // out of memory.
  bool Build(int32_t pointCount, const C4D_CPolygon* polygons, int32_t polygonCount);

  // Empties the adjacency and frees its storage.
  void Clear();

  // Sides of one polygon; NULL for an index outside 0..PolygonCount()-1.
  const C4D_PolyInfo* PolyInfo(int32_t polygon) const;

  // The polygons using point, ascending, each once; (NULL, 0) for an unused point or an
  // index outside 0..PointCount()-1.
  void PointPolys(int32_t point, const int32_t** polys, int32_t* count) const;

  int32_t PointCount() const { return pointCount_; }
  int32_t PolygonCount() const { return polygonCount_; }
  int32_t EdgeCount() const { return edgeCount_; }

 private:
  int32_t pointCount_ = 0;
  int32_t polygonCount_ = 0;
  int32_t edgeCount_ = 0;
  C4D_PolyInfo* info_ = nullptr;       // polygonCount_ entries
  int32_t* pointStart_ = nullptr;      // pointCount_ + 1 offsets into pointPolys_
  int32_t* pointPolys_ = nullptr;      // polygons around each point, point by point
};

}  // namespace hostapp
