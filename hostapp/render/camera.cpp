#include "hostapp/render/camera.h"

#include <algorithm>
#include <cmath>

#include "hostapp/render/vector_math.h"

namespace hostapp {

using render_detail::Add;
using render_detail::Cross;
using render_detail::Dot;
using render_detail::Normalize;
using render_detail::Scale;
using render_detail::Sub;

double Camera::ViewDepth(const C4D_Vector& p) const { return Dot(Sub(p, eye), forward); }

bool Camera::Project(const C4D_Vector& p, double* x, double* y, double* depth) const {
  const C4D_Vector d = Sub(p, eye);
  const double z = Dot(d, forward);
  const double cx = Dot(d, right), cy = Dot(d, up);
  if (projection == Projection::kPerspective) {
    if (!(z >= near_depth)) return false;
    *x = 0.5 * width + cx * focal / z;
    *y = 0.5 * height - cy * focal / z;
    *depth = -1.0 / z;  // 1/z is what varies linearly across the picture
  } else {
    if (!(z >= near_depth)) return false;
    *x = 0.5 * width + cx * scale;
    *y = 0.5 * height - cy * scale;
    *depth = z;
  }
  return std::isfinite(*x) && std::isfinite(*y);
}

bool BoundingBox(const C4D_Vector* points, size_t count, C4D_Vector* min, C4D_Vector* max) {
  if (count == 0) return false;
  *min = *max = points[0];
  for (size_t i = 1; i < count; ++i) {
    const C4D_Vector& p = points[i];
    min->x = std::min(min->x, p.x), min->y = std::min(min->y, p.y), min->z = std::min(min->z, p.z);
    max->x = std::max(max->x, p.x), max->y = std::max(max->y, p.y), max->z = std::max(max->z, p.z);
  }
  return true;
}

Camera FrameBoundingBox(const C4D_Vector& min, const C4D_Vector& max, int width, int height, Projection projection) {
  constexpr double kMargin = 1.1;
  constexpr double kHalfFov = 15.0 * 3.14159265358979323846 / 180.0;
  Camera cam;
  cam.projection = projection;
  cam.width = std::max(width, 1);
  cam.height = std::max(height, 1);
  const C4D_Vector center = Scale(Add(min, max), 0.5);
  double radius = 0.5 * std::sqrt(Dot(Sub(max, min), Sub(max, min)));
  if (!(radius > 0) || !std::isfinite(radius)) radius = 1;

  cam.forward = Normalize(kViewDirection);
  cam.right = Normalize(Cross(C4D_Vector{0, 1, 0}, cam.forward));
  cam.up = Cross(cam.forward, cam.right);
  const double half_px = 0.5 * std::min(cam.width, cam.height);  // the tighter side decides
  if (projection == Projection::kPerspective) {
    const double distance = kMargin * radius / std::sin(kHalfFov);
    cam.focal = half_px / std::tan(kHalfFov);
    cam.eye = Sub(center, Scale(cam.forward, distance));
    cam.near_depth = 1e-3 * distance;
  } else {
    cam.scale = half_px / (kMargin * radius);
    cam.eye = Sub(center, Scale(cam.forward, 3 * radius));
    cam.near_depth = 0;
  }
  cam.light = Normalize(Add(Add(Scale(cam.forward, -1.0), Scale(cam.up, 0.6)), Scale(cam.right, -0.4)));
  return cam;
}

}  // namespace hostapp
