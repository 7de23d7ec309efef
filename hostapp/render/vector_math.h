// Small vector helpers for the viewport. Internal to the render module.
#ifndef HOSTAPP_RENDER_VECTOR_MATH_H
#define HOSTAPP_RENDER_VECTOR_MATH_H

#include <cmath>

#include "host/abi/c4d_abi.h"

namespace hostapp {
namespace render_detail {

inline C4D_Vector Add(const C4D_Vector& a, const C4D_Vector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline C4D_Vector Sub(const C4D_Vector& a, const C4D_Vector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline C4D_Vector Scale(const C4D_Vector& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(const C4D_Vector& a, const C4D_Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline C4D_Vector Cross(const C4D_Vector& a, const C4D_Vector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// out: a scaled to unit length; a itself when it has no length.
inline C4D_Vector Normalize(const C4D_Vector& a) {
  const double len = std::sqrt(Dot(a, a));
  return len > 0 ? Scale(a, 1.0 / len) : a;
}

}  // namespace render_detail
}  // namespace hostapp

#endif  // HOSTAPP_RENDER_VECTOR_MATH_H
