// Affine frames of objects: composition and application, in the host's convention
// (local (x, y, z) maps to off + x*v1 + y*v2 + z*v3).
#ifndef HOSTAPP_SCENE_MATRIX_H
#define HOSTAPP_SCENE_MATRIX_H

#include "host/abi/c4d_abi.h"

namespace hostapp {

// out: the identity frame.
inline C4D_Matrix IdentityMatrix() {
  return C4D_Matrix{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
}

// in: frame m, direction d. out: d in m's parent space (no translation).
inline C4D_Vector TransformDirection(const C4D_Matrix& m, const C4D_Vector& d) {
  return C4D_Vector{m.v1.x * d.x + m.v2.x * d.y + m.v3.x * d.z,
                    m.v1.y * d.x + m.v2.y * d.y + m.v3.y * d.z,
                    m.v1.z * d.x + m.v2.z * d.y + m.v3.z * d.z};
}

// in: frame m, point p. out: p in m's parent space.
inline C4D_Vector TransformPoint(const C4D_Matrix& m, const C4D_Vector& p) {
  C4D_Vector d = TransformDirection(m, p);
  return C4D_Vector{m.off.x + d.x, m.off.y + d.y, m.off.z + d.z};
}

// in: outer frame a, inner frame b. out: a*b, the frame that applies b, then a.
inline C4D_Matrix MultiplyMatrix(const C4D_Matrix& a, const C4D_Matrix& b) {
  return C4D_Matrix{TransformPoint(a, b.off), TransformDirection(a, b.v1),
                    TransformDirection(a, b.v2), TransformDirection(a, b.v3)};
}

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_MATRIX_H
