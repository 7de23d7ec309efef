// Rigid and scaled transforms for animation and skinning, in the host's matrix convention
// (local (x, y, z) maps to off + x*v1 + y*v2 + z*v3): inversion, rotations, unit
// quaternions and translation/rotation/scale decomposition.
#ifndef HOSTAPP_EVAL_TRANSFORM_H
#define HOSTAPP_EVAL_TRANSFORM_H

#include "host/abi/c4d_abi.h"

namespace hostapp {

// A unit quaternion (x, y, z, w); the default is the identity rotation.
struct Quaternion {
  double x = 0, y = 0, z = 0, w = 1;
};

// A frame as translation, rotation and scale along the rotated axes (T * R * S).
struct Trs {
  C4D_Vector translation{0, 0, 0};
  Quaternion rotation;
  C4D_Vector scale{1, 1, 1};
};

// in: m. out: its inverse; the identity when m's 3x3 part is singular or not finite.
C4D_Matrix InvertMatrix(const C4D_Matrix& m);

// in: t. out: the frame that translates by t.
C4D_Matrix TranslationMatrix(const C4D_Vector& t);
// in: angle in radians. out: the rotation about the x (resp. z) axis, right-handed.
C4D_Matrix RotationXMatrix(double angle);
C4D_Matrix RotationZMatrix(double angle);

// in: axis (any length, not zero), angle in radians. out: the unit quaternion of that rotation;
// the identity for a zero axis.
Quaternion QuaternionFromAxisAngle(const C4D_Vector& axis, double angle);
// in: q (any length). out: q scaled to unit length; the identity when q has no length.
Quaternion NormalizeQuaternion(const Quaternion& q);
// in: unit a, b, fraction u. out: the rotation a fraction u of the way from a to b along the
// shorter arc; a normalised linear blend when a and b are nearly parallel.
Quaternion SlerpQuaternion(const Quaternion& a, const Quaternion& b, double u);

// in: trs. out: the frame T * R * S.
C4D_Matrix MatrixFromTrs(const Trs& trs);
// in: m, a frame without shear. out: its translation, rotation and (positive, or negative on
// x for a mirroring frame) axis scales; MatrixFromTrs gives m back up to rounding.
Trs DecomposeMatrix(const C4D_Matrix& m);

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_TRANSFORM_H
