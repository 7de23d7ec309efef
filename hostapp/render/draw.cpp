#include "hostapp/render/draw.h"

#include <algorithm>
#include <cmath>

#include "hostapp/render/vector_math.h"

namespace hostapp {

namespace {

using render_detail::Cross;
using render_detail::Dot;
using render_detail::Normalize;
using render_detail::Sub;

struct ScreenPoint {
  double x, y, depth;
};

// out: color scaled by the lighting of a face with normal n (unit or zero).
Rgb8 Shade(Rgb8 color, const C4D_Vector& n, const C4D_Vector& light) {
  constexpr double kAmbient = 0.25;
  const double k = kAmbient + (1 - kAmbient) * std::fabs(Dot(n, light));
  auto channel = [k](uint8_t c) { return static_cast<uint8_t>(std::min(255.0, std::round(c * k))); };
  return Rgb8{channel(color.r), channel(color.g), channel(color.b)};
}

// in: the corners projected, the colour of the face.
// Fills the pixels whose centres lie inside the triangle, where it is nearer than zbuffer.
void FillTriangle(Image& image, ZBuffer& zbuffer, const ScreenPoint& p0, const ScreenPoint& p1, const ScreenPoint& p2,
                  Rgb8 color) {
  const double area = (p1.x - p0.x) * (p2.y - p0.y) - (p1.y - p0.y) * (p2.x - p0.x);
  if (!(std::fabs(area) > 0)) return;  // edge-on, or not finite
  const int w = std::min(image.width, zbuffer.width), h = std::min(image.height, zbuffer.height);
  // Clamped as doubles first: a corner may project arbitrarily far outside the picture.
  const int x_lo = static_cast<int>(std::max(0.0, std::floor(std::min({p0.x, p1.x, p2.x}))));
  const int y_lo = static_cast<int>(std::max(0.0, std::floor(std::min({p0.y, p1.y, p2.y}))));
  const int x_hi = static_cast<int>(std::min(w - 1.0, std::ceil(std::max({p0.x, p1.x, p2.x}))));
  const int y_hi = static_cast<int>(std::min(h - 1.0, std::ceil(std::max({p0.y, p1.y, p2.y}))));
  const double inv = 1.0 / area;
  for (int y = y_lo; y <= y_hi; ++y) {
    const double py = y + 0.5;
    for (int x = x_lo; x <= x_hi; ++x) {
      const double px = x + 0.5;
      // Barycentric weights from the signed areas of the sub-triangles opposite each corner.
      const double b0 = ((p1.x - px) * (p2.y - py) - (p1.y - py) * (p2.x - px)) * inv;
      const double b1 = ((p2.x - px) * (p0.y - py) - (p2.y - py) * (p0.x - px)) * inv;
      const double b2 = 1 - b0 - b1;
      if (b0 < 0 || b1 < 0 || b2 < 0) continue;
      const double depth = b0 * p0.depth + b1 * p1.depth + b2 * p2.depth;
      double& z = zbuffer.depth[static_cast<size_t>(y) * zbuffer.width + x];
      if (depth < z) {
        z = depth;
        image.Set(x, y, color);
      }
    }
  }
}

// Cuts the segment [*t0, *t1] of the line p + t * d to the part where lo <= p + t * d <= hi
// along one axis. out: false when nothing is left.
bool ClipAxis(double p, double d, double lo, double hi, double* t0, double* t1) {
  if (d == 0) return p >= lo && p <= hi;
  double a = (lo - p) / d, b = (hi - p) / d;
  if (a > b) std::swap(a, b);
  *t0 = std::max(*t0, a);
  *t1 = std::min(*t1, b);
  return *t0 <= *t1;
}

}  // namespace

int32_t DrawMeshFlat(Image& image, ZBuffer& zbuffer, const Camera& camera, const C4D_Vector* points,
                     int32_t point_count, const C4D_CPolygon* polygons, int32_t polygon_count, Rgb8 color,
                     const Rgb8* face_colors) {
  int32_t skipped = 0;
  auto valid = [point_count](int32_t i) { return i >= 0 && i < point_count; };
  for (int32_t i = 0; i < polygon_count; ++i) {
    const C4D_CPolygon& q = polygons[i];
    if (!valid(q.a) || !valid(q.b) || !valid(q.c) || !valid(q.d)) {
      ++skipped;
      continue;
    }
    const int32_t tris[2][3] = {{q.a, q.b, q.c}, {q.a, q.c, q.d}};
    for (int t = 0; t < (q.c == q.d ? 1 : 2); ++t) {
      const C4D_Vector& a = points[tris[t][0]];
      const C4D_Vector& b = points[tris[t][1]];
      const C4D_Vector& c = points[tris[t][2]];
      ScreenPoint s[3];
      if (!camera.Project(a, &s[0].x, &s[0].y, &s[0].depth) || !camera.Project(b, &s[1].x, &s[1].y, &s[1].depth) ||
          !camera.Project(c, &s[2].x, &s[2].y, &s[2].depth)) {
        continue;
      }
      const C4D_Vector n = Normalize(Cross(Sub(b, a), Sub(c, a)));
      FillTriangle(image, zbuffer, s[0], s[1], s[2], Shade(face_colors ? face_colors[i] : color, n, camera.light));
    }
  }
  return skipped;
}

int32_t DrawMeshFlat(Image& image, ZBuffer& zbuffer, const Camera& camera, const Mesh& mesh, Rgb8 color) {
  return DrawMeshFlat(image, zbuffer, camera, mesh.points.data(), static_cast<int32_t>(mesh.points.size()),
                      mesh.polygons.data(), static_cast<int32_t>(mesh.polygons.size()), color);
}

void DrawLine3D(Image& image, const ZBuffer* zbuffer, const Camera& camera, const C4D_Vector& a_in,
                const C4D_Vector& b_in, Rgb8 color) {
  // Cut the segment at the near depth first, in world space, where depth is linear.
  C4D_Vector a = a_in, b = b_in;
  const double da = camera.ViewDepth(a), db = camera.ViewDepth(b), near = camera.near_depth;
  if (!(da >= near) && !(db >= near)) return;
  if (!(da >= near) || !(db >= near)) {
    const double t = (near - da) / (db - da);
    const C4D_Vector cut{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
    (da < near ? a : b) = cut;
  }
  ScreenPoint s0, s1;
  if (!camera.Project(a, &s0.x, &s0.y, &s0.depth) || !camera.Project(b, &s1.x, &s1.y, &s1.depth)) return;
  // Keep the part inside the picture, so the walk below is bounded by its size.
  const double dx = s1.x - s0.x, dy = s1.y - s0.y;
  double t0 = 0, t1 = 1;
  if (!ClipAxis(s0.x, dx, 0, image.width, &t0, &t1) || !ClipAxis(s0.y, dy, 0, image.height, &t0, &t1)) return;
  const double steps = std::ceil(std::max(std::fabs(dx), std::fabs(dy)) * (t1 - t0));
  const int n = static_cast<int>(steps) + 1;
  for (int i = 0; i < n; ++i) {
    const double u = n == 1 ? 0 : static_cast<double>(i) / (n - 1);
    const double t = t0 + (t1 - t0) * u;
    const int x = static_cast<int>(std::floor(s0.x + dx * t));
    const int y = static_cast<int>(std::floor(s0.y + dy * t));
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
    if (zbuffer && x < zbuffer->width && y < zbuffer->height) {
      const double depth = s0.depth + (s1.depth - s0.depth) * t;
      const double z = zbuffer->depth[static_cast<size_t>(y) * zbuffer->width + x];
      if (depth > z + 1e-3 * std::fabs(z)) continue;
    }
    image.Set(x, y, color);
  }
}

void DrawHandle(Image& image, const Camera& camera, const C4D_Vector& p, Rgb8 color, int half_size) {
  double x, y, depth;
  if (!camera.Project(p, &x, &y, &depth)) return;
  half_size = std::max(0, std::min(half_size, 64));
  if (!(std::fabs(x) < 1e9 && std::fabs(y) < 1e9)) return;
  const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
  const Rgb8 border{20, 20, 20};
  for (int j = -half_size - 1; j <= half_size + 1; ++j) {
    for (int i = -half_size - 1; i <= half_size + 1; ++i) {
      const bool edge = std::abs(i) == half_size + 1 || std::abs(j) == half_size + 1;
      image.Set(cx + i, cy + j, edge ? border : color);
    }
  }
}

}  // namespace hostapp
