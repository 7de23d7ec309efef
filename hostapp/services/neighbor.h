// The host's adjacency service behind C4D_NeighborTable: a C4D_Neighbor handle is an
// Adjacency (see adjacency.h for the rules it follows) allocated from the host allocator.
//
//  - neighbor_init answers false for a non-NULL selection (polygon selections are not
//    supported), and for everything Adjacency::Build refuses; the adjacency is then empty.
//  - neighbor_poly_info / neighbor_point_polys on a NULL handle answer NULL / (NULL, 0).
#pragma once

#include "c4d_abi.h"
#include "hostapp/services/adjacency.h"

namespace hostapp {

// The table handed to plug-ins; static, never NULL.
const C4D_NeighborTable* neighborTable();

// The Adjacency behind a handle of this table (NULL for NULL).
inline Adjacency* AdjacencyOf(C4D_Neighbor* n) { return reinterpret_cast<Adjacency*>(n); }

}  // namespace hostapp
