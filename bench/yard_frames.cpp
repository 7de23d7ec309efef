// Yardstick frames: polygon normals, then one frame per point from the normals around it
// and a tangent towards its reference corners, with the polygons around each point read from
// compressed rows. Written on its own; the order of every operation is the one that fixes
// the plug-in's frames, and the yardstick test holds the two to the bit.
#include <cmath>

#include "yardstick.h"

namespace bench {
namespace {

// Three coordinates, with just the operations the frames need.
struct V3 {
  double x, y, z;
};

inline V3 Sub(const Vector& a, const Vector& b) { return V3{a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 CrossOf(const V3& a, const V3& b) {
  return V3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const V3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
inline V3 Scaled(const V3& v, double s) { return V3{v.x * s, v.y * s, v.z * s}; }
// Unit length by multiplying with the reciprocal of the length; a zero vector stays zero.
inline V3 UnitOrSame(const V3& v) {
  const double len = Length(v);
  return len != 0.0 ? Scaled(v, 1.0 / len) : v;
}
inline Vector ToVector(const V3& v) { return Vector(v.x, v.y, v.z); }

// Unit normal of a polygon from its corners' positions; zero for no area. Quads use their
// diagonals (b - d) x (c - a), triangles (b - a) x (c - a).
V3 NormalOf(const Matrix* frames, const CPolygon& q) {
  const Vector& a = frames[q.a].off;
  const Vector& b = frames[q.b].off;
  const Vector& c = frames[q.c].off;
  const V3 n = q.c != q.d ? CrossOf(Sub(b, frames[q.d].off), Sub(c, a)) : CrossOf(Sub(b, a), Sub(c, a));
  const double len = Length(n);
  return len == 0.0 ? V3{0.0, 0.0, 0.0} : Scaled(n, 1.0 / len);
}

// The two reference corners of point o in polygon f: a triangle's other two corners in
// order; in a quad, b and d for corners a and c, else a and c. false when o is not a corner
// of a proper triangle.
bool ReferenceCorners(const CPolygon& f, int32_t o, int32_t* q1, int32_t* q2) {
  if (f.c != f.d) {
    const bool ac = o == f.a || o == f.c;
    *q1 = ac ? f.b : f.a;
    *q2 = ac ? f.d : f.c;
    return true;
  }
  int32_t other[3];
  int32_t count = 0;
  for (int32_t corner : {f.a, f.b, f.c})
    if (corner != o) other[count++] = corner;
  if (count != 2) return false;
  *q1 = other[0];
  *q2 = other[1];
  return true;
}

}  // namespace

void BuildFramesCsr(Matrix* frames, const CPolygon* polygons, int32_t polygonCount, int32_t pointCount,
                    const CsrPointPolygons& around, std::vector<Vector>& normals) {
  normals.resize(static_cast<size_t>(polygonCount));
  for (int32_t p = 0; p < polygonCount; ++p) normals[p] = ToVector(NormalOf(frames, polygons[p]));

  for (int32_t o = 0; o < pointCount; ++o) {
    Matrix& frame = frames[o];
    const int32_t first = around.start[o], last = around.start[o + 1];
    V3 z{0.0, 0.0, 0.0};
    for (int32_t i = first; i < last; ++i) {
      const Vector& n = normals[around.items[i]];
      z = V3{z.x + n.x, z.y + n.y, z.z + n.z};
    }
    z = UnitOrSame(Scaled(z, 1.0 / static_cast<double>(last > first ? last - first : 1)));

    V3 x{frame.v1.x, frame.v1.y, frame.v1.z};
    V3 y{frame.v2.x, frame.v2.y, frame.v2.z};
    int32_t q1 = 0, q2 = 0;
    if (last > first && ReferenceCorners(polygons[around.items[first]], o, &q1, &q2)) {
      const Vector& p = frame.off;
      const V3 toQ2 = Sub(p, frames[q2].off), fromQ1 = Sub(frames[q1].off, p);
      const V3 t = UnitOrSame(V3{toQ2.x + fromQ1.x, toQ2.y + fromQ1.y, toQ2.z + fromQ1.z});
      x = CrossOf(z, t);
      const double len = Length(x);
      x = len == 0.0 ? V3{0.0, 0.0, 0.0} : Scaled(x, 1.0 / len);
      y = CrossOf(z, x);
    }
    frame.v1 = ToVector(UnitOrSame(x));
    frame.v2 = ToVector(UnitOrSame(y));
    frame.v3 = ToVector(UnitOrSame(z));
  }
}

}  // namespace bench
