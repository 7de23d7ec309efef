#include "hostapp/eval/transform.h"

#include <cmath>

#include "hostapp/io/portable_math.h"
#include "hostapp/scene/matrix.h"

namespace hostapp {

namespace {

double Length(const C4D_Vector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

C4D_Vector Scaled(const C4D_Vector& v, double k) { return C4D_Vector{v.x * k, v.y * k, v.z * k}; }

}  // namespace

C4D_Matrix InvertMatrix(const C4D_Matrix& m) {
  const C4D_Vector &a = m.v1, &b = m.v2, &c = m.v3;
  const double det = a.x * (b.y * c.z - b.z * c.y) - b.x * (a.y * c.z - a.z * c.y) +
                     c.x * (a.y * b.z - a.z * b.y);
  if (det == 0.0 || !std::isfinite(det)) return IdentityMatrix();
  const double k = 1.0 / det;
  // Rows of the inverse 3x3 part are the cross products of the columns, over det.
  const C4D_Vector r1{(b.y * c.z - b.z * c.y) * k, (b.z * c.x - b.x * c.z) * k, (b.x * c.y - b.y * c.x) * k};
  const C4D_Vector r2{(c.y * a.z - c.z * a.y) * k, (c.z * a.x - c.x * a.z) * k, (c.x * a.y - c.y * a.x) * k};
  const C4D_Vector r3{(a.y * b.z - a.z * b.y) * k, (a.z * b.x - a.x * b.z) * k, (a.x * b.y - a.y * b.x) * k};
  C4D_Matrix inv{{0, 0, 0}, {r1.x, r2.x, r3.x}, {r1.y, r2.y, r3.y}, {r1.z, r2.z, r3.z}};
  const C4D_Vector o = TransformDirection(inv, m.off);
  inv.off = C4D_Vector{-o.x, -o.y, -o.z};
  return inv;
}

C4D_Matrix TranslationMatrix(const C4D_Vector& t) {
  C4D_Matrix m = IdentityMatrix();
  m.off = t;
  return m;
}

C4D_Matrix RotationXMatrix(double angle) {
  const double c = PortableCos(angle), s = PortableSin(angle);
  return C4D_Matrix{{0, 0, 0}, {1, 0, 0}, {0, c, s}, {0, -s, c}};
}

C4D_Matrix RotationZMatrix(double angle) {
  const double c = PortableCos(angle), s = PortableSin(angle);
  return C4D_Matrix{{0, 0, 0}, {c, s, 0}, {-s, c, 0}, {0, 0, 1}};
}

Quaternion QuaternionFromAxisAngle(const C4D_Vector& axis, double angle) {
  const double len = Length(axis);
  if (len == 0.0 || !std::isfinite(len)) return Quaternion{};
  const double s = PortableSin(0.5 * angle) / len;
  return Quaternion{axis.x * s, axis.y * s, axis.z * s, PortableCos(0.5 * angle)};
}

Quaternion NormalizeQuaternion(const Quaternion& q) {
  const double len = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  if (len == 0.0 || !std::isfinite(len)) return Quaternion{};
  return Quaternion{q.x / len, q.y / len, q.z / len, q.w / len};
}

Quaternion SlerpQuaternion(const Quaternion& a, const Quaternion& b_in, double u) {
  Quaternion b = b_in;
  double dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
  if (dot < 0.0) {  // q and -q are one rotation: take the shorter arc
    b = Quaternion{-b.x, -b.y, -b.z, -b.w};
    dot = -dot;
  }
  double wa = 1.0 - u, wb = u;
  if (dot < 0.9995) {
    const double theta = PortableAcos(dot);
    const double s = PortableSin(theta);
    wa = PortableSin((1.0 - u) * theta) / s;
    wb = PortableSin(u * theta) / s;
  }
  return NormalizeQuaternion(
      Quaternion{wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w});
}

C4D_Matrix MatrixFromTrs(const Trs& trs) {
  const Quaternion q = NormalizeQuaternion(trs.rotation);
  const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
  const double wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
  const C4D_Vector c1{1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy)};
  const C4D_Vector c2{2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx)};
  const C4D_Vector c3{2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy)};
  return C4D_Matrix{trs.translation, Scaled(c1, trs.scale.x), Scaled(c2, trs.scale.y), Scaled(c3, trs.scale.z)};
}

Trs DecomposeMatrix(const C4D_Matrix& m) {
  Trs out;
  out.translation = m.off;
  double sx = Length(m.v1), sy = Length(m.v2), sz = Length(m.v3);
  const C4D_Vector &a = m.v1, &b = m.v2, &c = m.v3;
  const double det = a.x * (b.y * c.z - b.z * c.y) - b.x * (a.y * c.z - a.z * c.y) +
                     c.x * (a.y * b.z - a.z * b.y);
  if (det < 0.0) sx = -sx;
  out.scale = C4D_Vector{sx, sy, sz};
  if (sx == 0.0 || sy == 0.0 || sz == 0.0) return out;  // degenerate: keep the identity rotation
  const C4D_Vector x = Scaled(a, 1.0 / sx), y = Scaled(b, 1.0 / sy), z = Scaled(c, 1.0 / sz);
  // Rotation matrix entries R[row][column]; the columns are x, y, z.
  const double r00 = x.x, r10 = x.y, r20 = x.z, r01 = y.x, r11 = y.y, r21 = y.z, r02 = z.x, r12 = z.y, r22 = z.z;
  const double trace = r00 + r11 + r22;
  Quaternion q;
  if (trace > 0.0) {
    const double s = std::sqrt(trace + 1.0) * 2.0;
    q = Quaternion{(r21 - r12) / s, (r02 - r20) / s, (r10 - r01) / s, 0.25 * s};
  } else if (r00 > r11 && r00 > r22) {
    const double s = std::sqrt(1.0 + r00 - r11 - r22) * 2.0;
    q = Quaternion{0.25 * s, (r01 + r10) / s, (r02 + r20) / s, (r21 - r12) / s};
  } else if (r11 > r22) {
    const double s = std::sqrt(1.0 + r11 - r00 - r22) * 2.0;
    q = Quaternion{(r01 + r10) / s, 0.25 * s, (r12 + r21) / s, (r02 - r20) / s};
  } else {
    const double s = std::sqrt(1.0 + r22 - r00 - r11) * 2.0;
    q = Quaternion{(r02 + r20) / s, (r12 + r21) / s, 0.25 * s, (r10 - r01) / s};
  }
  out.rotation = NormalizeQuaternion(q);
  return out;
}

}  // namespace hostapp
