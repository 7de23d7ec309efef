// Yardstick frames: the plug-in's per-point frames, with the polygons around each point read
// from compressed rows instead of the host's adjacency.
#include <cmath>

#include "tavrenthreads.h"
#include "yardstick.h"

namespace bench {

void BuildFramesCsr(Matrix* frames, const CPolygon* polygons, int32_t polygonCount, int32_t pointCount,
                    const CsrPointPolygons& around, std::vector<Vector>& normals) {
  normals.resize(static_cast<size_t>(polygonCount));
  for (int32_t p = 0; p < polygonCount; ++p) normals[p] = PolygonNormal(frames, polygons[p]);

  for (int32_t o = 0; o < pointCount; ++o) {
    Matrix& frame = frames[o];
    const Vector P = frame.off;
    const int32_t* list = around.items.data() + around.start[o];
    const int32_t k = around.start[o + 1] - around.start[o];

    Vector Z(0.0, 0.0, 0.0);
    for (int32_t i = 0; i < k; ++i) Z += normals[list[i]];
    Z *= 1.0 / static_cast<Float>(k != 0 ? k : 1);
    NormalizeOrKeep(Z);

    // Reference corners from the first polygon around the point.
    bool haveCorners = false;
    int32_t q1 = 0, q2 = 0;
    if (k > 0) {
      const CPolygon& f = polygons[list[0]];
      if (f.c == f.d) {
        int32_t found[3];
        int32_t n = 0;
        if (f.a != o) found[n++] = f.a;
        if (f.b != o) found[n++] = f.b;
        if (f.c != o) found[n++] = f.c;
        if (n == 2) {
          q1 = found[0];
          q2 = found[1];
          haveCorners = true;
        }
      } else {
        if (o == f.a || o == f.c) {
          q1 = f.b;
          q2 = f.d;
        } else {
          q1 = f.a;
          q2 = f.c;
        }
        haveCorners = true;
      }
    }

    Vector X = frame.v1;
    Vector Y = frame.v2;
    if (haveCorners) {
      const Vector& q1p = frames[q1].off;
      const Vector& q2p = frames[q2].off;
      Vector T = (P - q2p) + (q1p - P);
      NormalizeOrKeep(T);
      X = Cross(Z, T);
      const Float len = std::sqrt(X.x * X.x + X.y * X.y + X.z * X.z);
      if (len == 0.0)
        X = Vector(0.0, 0.0, 0.0);
      else
        X = X * (1.0 / len);
      Y = Cross(Z, X);
    }
    NormalizeOrKeep(X);
    NormalizeOrKeep(Y);
    NormalizeOrKeep(Z);
    frame.v1 = X;
    frame.v2 = Y;
    frame.v3 = Z;
  }
}

}  // namespace bench
