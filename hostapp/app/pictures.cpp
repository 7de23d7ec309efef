#include "hostapp/app/pictures.h"

#include <algorithm>
#include <cmath>

#include "hostapp/render/camera.h"
#include "hostapp/render/draw.h"
#include "hostapp/render/png.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/registry.h"

namespace hostapp {

namespace {

// Bounds grown point by point; only finite points count.
struct Bounds {
  C4D_Vector min{0, 0, 0}, max{0, 0, 0};
  bool any = false;

  void Add(const C4D_Vector& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
    if (!any) {
      min = max = p;
      any = true;
      return;
    }
    min = C4D_Vector{std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = C4D_Vector{std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
  }
};

// in: a colour with channels 0..1. out: the same as 8-bit RGB.
Rgb8 ToRgb8(const C4D_Vector& c) {
  auto channel = [](double v) {
    if (!(v > 0)) return uint8_t{0};
    return static_cast<uint8_t>(std::min(255.0, std::round(v * 255.0)));
  };
  return Rgb8{channel(c.x), channel(c.y), channel(c.z)};
}

// in: panel, camera, options. out: the panel's picture.
Image DrawPanel(const Panel& panel, const Camera& camera, const PictureOptions& options) {
  Image image(options.panel_width, options.panel_height, options.panel_background);
  ZBuffer zbuffer(options.panel_width, options.panel_height);
  for (const PanelMesh& m : panel.meshes) {
    if (!m.points || !m.polygons) continue;
    DrawMeshFlat(image, zbuffer, camera, m.points->data(), static_cast<int32_t>(m.points->size()), m.polygons->data(),
                 static_cast<int32_t>(m.polygons->size()), m.color);
  }
  if (options.draw_overlays) {
    for (const DrawnLine& l : panel.overlay.lines) DrawLine3D(image, &zbuffer, camera, l.a, l.b, ToRgb8(l.color));
    for (const DrawnHandle& h : panel.overlay.handles) DrawHandle(image, camera, h.position, ToRgb8(h.color));
  }
  return image;
}

}  // namespace

Image RenderPanels(const std::vector<Panel>& panels, const PictureOptions& options) {
  Bounds bounds;
  for (const Panel& panel : panels) {
    for (const PanelMesh& m : panel.meshes) {
      if (!m.points) continue;
      for (const C4D_Vector& p : *m.points) bounds.Add(p);
    }
    if (options.draw_overlays) {
      for (const DrawnLine& l : panel.overlay.lines) {
        bounds.Add(l.a);
        bounds.Add(l.b);
      }
      for (const DrawnHandle& h : panel.overlay.handles) bounds.Add(h.position);
    }
  }
  if (panels.empty() || !bounds.any) return Image();
  const Camera camera = FrameBoundingBox(bounds.min, bounds.max, options.panel_width, options.panel_height);
  std::vector<Image> pictures;
  pictures.reserve(panels.size());
  for (const Panel& panel : panels) pictures.push_back(DrawPanel(panel, camera, options));
  return ComposeGrid(pictures, std::max(1, options.columns), options.background, std::max(0, options.gap));
}

void CollectPluginDrawing(Document& doc, View* view) {
  DrawHelp help;
  for (Object* op : doc.AllObjects()) {
    const PluginInfo* plugin = op->Plugin();
    if (!plugin || plugin->kind != PluginKind::kObject || !plugin->object.draw) continue;
    plugin->object.draw(op->Instance(), op, C4D_DRAWPASS_OBJECT, view, &help);
    plugin->object.draw(op->Instance(), op, C4D_DRAWPASS_HANDLES, view, &help);
  }
}

bool WritePanelsPng(const std::string& path, const std::vector<Panel>& panels, const PictureOptions& options,
                    std::string* error) {
  const Image image = RenderPanels(panels, options);
  if (image.empty()) {
    if (error) *error = path + ": nothing to draw";
    return false;
  }
  return WritePng(path, image, error);
}

}  // namespace hostapp
