// Drawing into the viewport: flat-shaded meshes with hidden surfaces removed, and the
// lines and handles plug-ins draw on top of them.
#ifndef HOSTAPP_RENDER_DRAW_H
#define HOSTAPP_RENDER_DRAW_H

#include <cstdint>

#include "host/abi/c4d_abi.h"
#include "hostapp/io/mesh.h"
#include "hostapp/render/camera.h"
#include "hostapp/render/image.h"

namespace hostapp {

// Draws polygons filled with color, shaded by the angle between each face's normal and the
// camera's light (both sides lit alike, so either winding shows), nearest surface winning
// through zbuffer. Quads are drawn as the triangles (a, b, c) and (a, c, d). Triangles with
// a corner nearer than the camera's near depth are left out.
// in:  points (point_count), polygons (polygon_count), color; image and zbuffer of the same
//      size (pixels outside either are not drawn); face_colors, null or one colour per
//      polygon used instead of color.
// out: image and zbuffer updated; returns how many polygons were skipped because a corner
//      index is out of range.
int32_t DrawMeshFlat(Image& image, ZBuffer& zbuffer, const Camera& camera, const C4D_Vector* points,
                     int32_t point_count, const C4D_CPolygon* polygons, int32_t polygon_count, Rgb8 color,
                     const Rgb8* face_colors = nullptr);
int32_t DrawMeshFlat(Image& image, ZBuffer& zbuffer, const Camera& camera, const Mesh& mesh, Rgb8 color);

// Draws a one-pixel line between two world positions, cut where it passes nearer than the
// camera's near depth and at the picture's border.
// in:  zbuffer, or null to draw on top of everything; with a zbuffer, the line shows where
//      it is not behind a drawn surface (with a small tolerance so edges on a surface show).
void DrawLine3D(Image& image, const ZBuffer* zbuffer, const Camera& camera, const C4D_Vector& a, const C4D_Vector& b,
                Rgb8 color);

// Draws a handle: a filled square of 2 * half_size + 1 pixels centred on the projection of p,
// with a dark one-pixel border, on top of everything. Nothing when p is behind the camera.
void DrawHandle(Image& image, const Camera& camera, const C4D_Vector& p, Rgb8 color, int half_size = 3);

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_DRAW_H
