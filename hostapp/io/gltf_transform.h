// Affine transforms for the glTF importer, in the host's matrix convention: a point p maps
// to off + p.x*v1 + p.y*v2 + p.z*v3 (v1, v2, v3 are the columns of the 3x3 part).
// Quaternions are glTF's (x, y, z, w).
#ifndef HOSTAPP_IO_GLTF_TRANSFORM_H
#define HOSTAPP_IO_GLTF_TRANSFORM_H

#include "host/abi/c4d_abi.h"

namespace hostapp {
namespace io_detail {

struct Quaternion {
  double x = 0, y = 0, z = 0, w = 1;
};

C4D_Matrix IdentityMatrix();

// out: a * b, the transform that applies b first, then a.
C4D_Matrix MultiplyMatrices(const C4D_Matrix& a, const C4D_Matrix& b);

// out: m applied to the point p (with translation).
C4D_Vector TransformPoint(const C4D_Matrix& m, const C4D_Vector& p);

// out: the largest absolute difference between corresponding entries of a and b.
double MatrixMaxDifference(const C4D_Matrix& a, const C4D_Matrix& b);

// in: 16 numbers, column-major as glTF stores them (the last row is ignored).
C4D_Matrix MatrixFromColumnMajor(const double* m);

// out: T * R * S, the glTF node transform; r need not be normalised (see NormalizeQuaternion).
C4D_Matrix MatrixFromTrs(const C4D_Vector& t, const Quaternion& r, const C4D_Vector& s);

// out: q scaled to unit length; the identity rotation when q has no length.
Quaternion NormalizeQuaternion(const Quaternion& q);

// out: the unit rotation a fraction u of the way from a to b along the shorter arc
//      (spherical interpolation; a and b unit; falls back to a normalised lerp when they
//      are nearly parallel).
Quaternion SlerpQuaternions(const Quaternion& a, const Quaternion& b, double u);

}  // namespace io_detail
}  // namespace hostapp

#endif  // HOSTAPP_IO_GLTF_TRANSFORM_H
