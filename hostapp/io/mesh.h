// A polygon mesh as plain data: what the importers return and the exporters and the
// viewport take. No scene types; the evaluation module converts to and from its objects.
#ifndef HOSTAPP_IO_MESH_H
#define HOSTAPP_IO_MESH_H

#include <vector>

#include "host/abi/c4d_abi.h"

namespace hostapp {

// points: positions; polygons: corner indices into points, a triangle repeats its third
// corner (c == d). Every index of a mesh returned by an importer is in range.
struct Mesh {
  std::vector<C4D_Vector> points;
  std::vector<C4D_CPolygon> polygons;
};

}  // namespace hostapp

#endif  // HOSTAPP_IO_MESH_H
