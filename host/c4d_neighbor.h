// Neighbor: the host's polygon adjacency (polygons around a point, polygons across each side).
#ifndef C4D_NEIGHBOR_H
#define C4D_NEIGHBOR_H

#include "c4d_general.h"
#include "c4d_types.h"

class BaseSelect;

class Neighbor {
 public:
  Neighbor() = default;
  ~Neighbor() { Free(); }
  Neighbor(const Neighbor&) = delete;
  Neighbor& operator=(const Neighbor&) = delete;

  // Builds the adjacency of vcnt polygons over pcnt points (bs must be null). false: failure.
  Bool Init(Int32 pcnt, const CPolygon* vadr, Int32 vcnt, BaseSelect* bs);
  // Adjacency of one polygon, read-only; nullptr for a bad index or before Init.
  const PolyInfo* GetPolyInfo(Int32 poly) const {
    return handle_ ? C4DOS()->neighbor->neighbor_poly_info(handle_, poly) : nullptr;
  }
  // The polygons around point pnt, ascending: *dadr (read-only) and *dcnt.
  void GetPointPolys(Int32 pnt, const Int32** dadr, Int32* dcnt) const {
    *dadr = nullptr;
    *dcnt = 0;
    if (handle_) C4DOS()->neighbor->neighbor_point_polys(handle_, pnt, dadr, dcnt);
  }
  void Free();

 private:
  C4D_Neighbor* handle_ = nullptr;
};

#endif
