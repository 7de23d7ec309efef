// Basic types of the host SDK: fixed-size integers, floats, Vector, Matrix, CPolygon, PolyInfo.
// Layouts match the plain C types of the boundary so arrays cross it without copying.
#ifndef C4D_TYPES_H
#define C4D_TYPES_H

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "c4d_abi.h"

using Int32 = int32_t;
using UInt32 = uint32_t;
using Int64 = int64_t;
using Float = double;
using Float32 = float;
using Float64 = double;
using Bool = bool;
using Char = char;

#define NOTOK (-1)

// Three 64-bit floats.
struct Vector {
  Float x = 0.0, y = 0.0, z = 0.0;

  Vector() = default;
  constexpr Vector(Float ax, Float ay, Float az) : x(ax), y(ay), z(az) {}
  explicit constexpr Vector(Float v) : x(v), y(v), z(v) {}

  Vector operator+(const Vector& o) const { return Vector(x + o.x, y + o.y, z + o.z); }
  Vector operator-(const Vector& o) const { return Vector(x - o.x, y - o.y, z - o.z); }
  Vector operator-() const { return Vector(-x, -y, -z); }
  Vector operator*(Float s) const { return Vector(x * s, y * s, z * s); }
  Vector& operator+=(const Vector& o) { x += o.x; y += o.y; z += o.z; return *this; }
  Vector& operator-=(const Vector& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
  Vector& operator*=(Float s) { x *= s; y *= s; z *= s; return *this; }
  bool operator==(const Vector& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const Vector& o) const { return !(*this == o); }
  // Euclidean length, as sqrt(x*x + y*y + z*z) in that order.
  Float GetLength() const { return std::sqrt(x * x + y * y + z * z); }
};
inline Vector operator*(Float s, const Vector& v) { return v * s; }

// Cross product, (y1*z2 - z1*y2, z1*x2 - x1*z2, x1*y2 - y1*x2).
inline Vector Cross(const Vector& a, const Vector& b) {
  return Vector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
inline Float Dot(const Vector& a, const Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Affine frame: local (x, y, z) maps to off + x*v1 + y*v2 + z*v3.
struct Matrix {
  Vector off{0.0, 0.0, 0.0}, v1{1.0, 0.0, 0.0}, v2{0.0, 1.0, 0.0}, v3{0.0, 0.0, 1.0};

  Matrix() = default;
  Matrix(const Vector& o, const Vector& a, const Vector& b, const Vector& c)
      : off(o), v1(a), v2(b), v3(c) {}
  // off + p.x*v1 + p.y*v2 + p.z*v3, each component summed in that order.
  Vector operator*(const Vector& p) const {
    return Vector(off.x + p.x * v1.x + p.y * v2.x + p.z * v3.x,
                  off.y + p.x * v1.y + p.y * v2.y + p.z * v3.y,
                  off.z + p.x * v1.z + p.y * v2.z + p.z * v3.z);
  }
};

// Four corner indices; a triangle has c == d.
struct CPolygon {
  Int32 a = 0, b = 0, c = 0, d = 0;
  CPolygon() = default;
  CPolygon(Int32 t_a, Int32 t_b, Int32 t_c) : a(t_a), b(t_b), c(t_c), d(t_c) {}
  CPolygon(Int32 t_a, Int32 t_b, Int32 t_c, Int32 t_d) : a(t_a), b(t_b), c(t_c), d(t_d) {}
  bool IsTriangle() const { return c == d; }
};

using PolyInfo = C4D_PolyInfo;

static_assert(sizeof(Vector) == sizeof(C4D_Vector) && offsetof(Vector, z) == offsetof(C4D_Vector, z),
              "Vector must match the boundary's layout");
static_assert(sizeof(Matrix) == sizeof(C4D_Matrix) && offsetof(Matrix, v3) == offsetof(C4D_Matrix, v3),
              "Matrix must match the boundary's layout");
static_assert(sizeof(CPolygon) == sizeof(C4D_CPolygon) && offsetof(CPolygon, d) == offsetof(C4D_CPolygon, d),
              "CPolygon must match the boundary's layout");

inline const C4D_Vector* ToC(const Vector* v) { return reinterpret_cast<const C4D_Vector*>(v); }
inline C4D_Vector* ToC(Vector* v) { return reinterpret_cast<C4D_Vector*>(v); }
inline const Vector* FromC(const C4D_Vector* v) { return reinterpret_cast<const Vector*>(v); }
inline Vector* FromC(C4D_Vector* v) { return reinterpret_cast<Vector*>(v); }
inline const C4D_Matrix* ToC(const Matrix* m) { return reinterpret_cast<const C4D_Matrix*>(m); }
inline const Matrix* FromC(const C4D_Matrix* m) { return reinterpret_cast<const Matrix*>(m); }
inline const C4D_CPolygon* ToC(const CPolygon* p) { return reinterpret_cast<const C4D_CPolygon*>(p); }
inline const CPolygon* FromC(const C4D_CPolygon* p) { return reinterpret_cast<const CPolygon*>(p); }

#endif
