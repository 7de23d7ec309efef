#include "hostapp/app/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hostapp/render/camera.h"
#include "hostapp/render/draw.h"
#include "hostapp/render/png.h"
#include "hostapp/render/strain_color.h"
#include "hostapp/render/text.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/registry.h"

namespace hostapp {

namespace {

constexpr Rgb8 kLabelColor{235, 235, 235};

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
    const bool per_face = m.face_colors && m.face_colors->size() == m.polygons->size();
    DrawMeshFlat(image, zbuffer, camera, m.points->data(), static_cast<int32_t>(m.points->size()), m.polygons->data(),
                 static_cast<int32_t>(m.polygons->size()), m.color, per_face ? m.face_colors->data() : nullptr);
  }
  if (options.draw_overlays) {
    for (const DrawnLine& l : panel.overlay.lines) DrawLine3D(image, &zbuffer, camera, l.a, l.b, ToRgb8(l.color));
    for (const DrawnHandle& h : panel.overlay.handles) DrawHandle(image, camera, h.position, ToRgb8(h.color));
  }
  if (!panel.label.empty()) DrawText(image, 8, 8, panel.label, kLabelColor, 2);
  return image;
}

// in: picture (the panels), options. out: the picture with the strain colour scale below it:
// a bar from 0 to the scale's end, each stop marked and labelled in percent.
Image AddStrainLegend(const Image& picture, const PictureOptions& options) {
  const int gap = std::max(0, options.gap), bar_height = 16, label_scale = 2;
  int text_w = 0, text_h = 0;
  TextSize("0 %", label_scale, &text_w, &text_h);
  const int strip = bar_height + text_h + 3 * gap + 8;
  Image out(picture.width, picture.height + strip, options.background);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) out.Set(x, y, picture.At(x, y));
  }
  const std::string title = "edge strain |l - l0| / l0";
  int title_w = 0, title_h = 0;
  TextSize(title, label_scale, &title_w, &title_h);
  const int left = gap + 8, right = picture.width - gap - 8 - title_w - 16;
  const int top = picture.height + gap;
  const int width = std::max(1, right - left);
  for (int x = 0; x < width; ++x) {
    const Rgb8 c = StrainColor(kStrainScaleMax * (x + 0.5) / width);
    for (int y = 0; y < bar_height; ++y) out.Set(left + x, top + y, c);
  }
  DrawText(out, right + 16, top + (bar_height - title_h) / 2 + 2, title, kLabelColor, label_scale);
  int free_from = left;  // labels that would run into the one before are left out
  for (int i = 0; i < kStrainStopCount; ++i) {
    const int x = left + static_cast<int>(std::lround(kStrainStops[i].at / kStrainScaleMax * (width - 1)));
    for (int y = top + bar_height; y < top + bar_height + 5; ++y) out.Set(x, y, kLabelColor);
    char label[16];
    std::snprintf(label, sizeof label, i + 1 == kStrainStopCount ? "%g %%+" : "%g %%", 100.0 * kStrainStops[i].at);
    int w = 0, h = 0;
    TextSize(label, label_scale, &w, &h);
    const int at = std::min(std::max(x - w / 2, left), left + width - w);
    if (at < free_from) continue;
    DrawText(out, at, top + bar_height + 8, label, kLabelColor, label_scale);
    free_from = at + w + 8;
  }
  return out;
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
  const Box frame = options.focus ? options.focus_box : Box{bounds.min, bounds.max};
  const Camera camera = FrameBoundingBox(frame.min, frame.max, options.panel_width, options.panel_height);
  std::vector<Image> pictures;
  pictures.reserve(panels.size());
  for (const Panel& panel : panels) pictures.push_back(DrawPanel(panel, camera, options));
  const Image grid = ComposeGrid(pictures, std::max(1, options.columns), options.background, std::max(0, options.gap));
  return options.strain_legend ? AddStrainLegend(grid, options) : grid;
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
