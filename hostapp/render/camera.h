// The viewport camera: a fixed three-quarter view framed on a bounding box.
//
// Axes are the host's: +Y up, and a camera looking along +Z has +X to its right (left-handed,
// so front faces of a model point towards -Z). The fixed view looks from the front, right
// and above: along kViewDirection.
#ifndef HOSTAPP_RENDER_CAMERA_H
#define HOSTAPP_RENDER_CAMERA_H

#include <cstddef>

#include "host/abi/c4d_abi.h"

namespace hostapp {

enum class Projection { kPerspective, kOrthographic };

// The direction the fixed view looks in (not normalised).
constexpr C4D_Vector kViewDirection = {-1.0, -0.7, 1.0};

struct Camera {
  Projection projection = Projection::kPerspective;
  int width = 0, height = 0;  // the picture the camera projects onto, in pixels
  C4D_Vector eye{0, 0, 0};    // position
  // Orthonormal view axes; forward points into the picture.
  C4D_Vector right{1, 0, 0}, up{0, 1, 0}, forward{0, 0, 1};
  double focal = 1;            // perspective: pixels per unit of size at depth 1
  double scale = 1;            // orthographic: pixels per unit of size
  double near_depth = 1e-3;    // nothing nearer than this (along forward) is drawn
  C4D_Vector light{0, 0, -1};  // unit direction towards the light, for shading

  // in:  p, a world position.
  // out: *x, *y, its position on the picture in pixels (x right, y down, pixel centres at
  //      .5); *depth, a key that is smaller for nearer points and varies linearly across the
  //      picture within a flat triangle. false when p is nearer than near_depth.
  bool Project(const C4D_Vector& p, double* x, double* y, double* depth) const;
  // out: the distance of p along forward from the eye.
  double ViewDepth(const C4D_Vector& p) const;
};

// in: points (count of them).  out: their axis-aligned bounds; false when count is 0.
bool BoundingBox(const C4D_Vector* points, size_t count, C4D_Vector* min, C4D_Vector* max);

// A camera looking along kViewDirection at the centre of the box [min, max] from far
// enough that the whole box fits in a width x height picture with a margin, lit from the
// upper left of the view. A perspective camera sees 30 degrees across the picture's shorter side.
Camera FrameBoundingBox(const C4D_Vector& min, const C4D_Vector& max, int width, int height,
                        Projection projection = Projection::kPerspective);

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_CAMERA_H
