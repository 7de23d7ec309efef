#include "hostapp/io/gltf_transform.h"

#include <cmath>

#include "hostapp/io/portable_math.h"

namespace hostapp {
namespace io_detail {

namespace {

C4D_Vector Add(const C4D_Vector& a, const C4D_Vector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
C4D_Vector Scale(const C4D_Vector& a, double s) { return {a.x * s, a.y * s, a.z * s}; }

// The 3x3 part of m applied to the direction d.
C4D_Vector TransformDirection(const C4D_Matrix& m, const C4D_Vector& d) {
  return Add(Add(Scale(m.v1, d.x), Scale(m.v2, d.y)), Scale(m.v3, d.z));
}

}  // namespace

C4D_Matrix IdentityMatrix() { return C4D_Matrix{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}; }

C4D_Matrix MultiplyMatrices(const C4D_Matrix& a, const C4D_Matrix& b) {
  C4D_Matrix r;
  r.off = TransformPoint(a, b.off);
  r.v1 = TransformDirection(a, b.v1);
  r.v2 = TransformDirection(a, b.v2);
  r.v3 = TransformDirection(a, b.v3);
  return r;
}

C4D_Vector TransformPoint(const C4D_Matrix& m, const C4D_Vector& p) { return Add(m.off, TransformDirection(m, p)); }

double MatrixMaxDifference(const C4D_Matrix& a, const C4D_Matrix& b) {
  double d = 0;
  const C4D_Vector* va[4] = {&a.off, &a.v1, &a.v2, &a.v3};
  const C4D_Vector* vb[4] = {&b.off, &b.v1, &b.v2, &b.v3};
  for (int i = 0; i < 4; ++i) {
    d = std::fmax(d, std::fabs(va[i]->x - vb[i]->x));
    d = std::fmax(d, std::fabs(va[i]->y - vb[i]->y));
    d = std::fmax(d, std::fabs(va[i]->z - vb[i]->z));
  }
  return d;
}

C4D_Matrix MatrixFromColumnMajor(const double* m) {
  C4D_Matrix r;
  r.v1 = {m[0], m[1], m[2]};
  r.v2 = {m[4], m[5], m[6]};
  r.v3 = {m[8], m[9], m[10]};
  r.off = {m[12], m[13], m[14]};
  return r;
}

C4D_Matrix MatrixFromTrs(const C4D_Vector& t, const Quaternion& rotation, const C4D_Vector& s) {
  const Quaternion q = NormalizeQuaternion(rotation);
  const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
  const double wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
  C4D_Matrix r;
  r.v1 = Scale(C4D_Vector{1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy)}, s.x);
  r.v2 = Scale(C4D_Vector{2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx)}, s.y);
  r.v3 = Scale(C4D_Vector{2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy)}, s.z);
  r.off = t;
  return r;
}

Quaternion NormalizeQuaternion(const Quaternion& q) {
  const double len = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  if (!(len > 0) || !std::isfinite(len)) return Quaternion{};
  return Quaternion{q.x / len, q.y / len, q.z / len, q.w / len};
}

Quaternion SlerpQuaternions(const Quaternion& a, const Quaternion& b_in, double u) {
  Quaternion b = b_in;
  double d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
  if (d < 0) {  // q and -q are the same rotation: take the shorter way round
    b = Quaternion{-b.x, -b.y, -b.z, -b.w};
    d = -d;
  }
  double wa, wb;
  if (d > 0.9995) {
    wa = 1 - u;
    wb = u;
  } else {
    const double angle = PortableAcos(d);
    const double s = PortableSin(angle);
    wa = PortableSin((1 - u) * angle) / s;
    wb = PortableSin(u * angle) / s;
  }
  return NormalizeQuaternion(
      Quaternion{wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w});
}

}  // namespace io_detail
}  // namespace hostapp
