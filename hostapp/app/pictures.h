// Pictures that compare deformations: panels of flat-shaded meshes drawn by the viewport,
// all seen by one camera framed on everything the panels hold, so that their sizes and
// shapes compare directly; optionally with what the scene's plug-in objects draw on top.
#ifndef HOSTAPP_APP_PICTURES_H
#define HOSTAPP_APP_PICTURES_H

#include <cstdint>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/eval/draw.h"
#include "hostapp/render/image.h"

namespace hostapp {

class Document;

// One mesh in a panel: borrowed points and polygons (they must outlive the call that draws
// them), in global space, and the colour to fill it with: one for the whole mesh, or one per
// polygon (face_colors, borrowed likewise, when not null).
struct PanelMesh {
  const std::vector<C4D_Vector>* points = nullptr;
  const std::vector<C4D_CPolygon>* polygons = nullptr;
  Rgb8 color{200, 200, 200};
  const std::vector<Rgb8>* face_colors = nullptr;
};

// One panel: meshes, lines and handles drawn on top (what plug-ins drew; may be empty), and a
// label written in its top-left corner (may be empty).
struct Panel {
  std::vector<PanelMesh> meshes;
  View overlay;
  std::string label;
};

// An axis-aligned box in global space.
struct Box {
  C4D_Vector min{0, 0, 0}, max{0, 0, 0};
};

struct PictureOptions {
  int panel_width = 360, panel_height = 300;
  int columns = 2;  // panels per row
  int gap = 6;      // pixels between and around panels
  Rgb8 background{40, 42, 46};
  Rgb8 panel_background{72, 75, 80};
  bool draw_overlays = false;  // draw each panel's overlay lines and handles
  bool focus = false;          // frame the camera on focus_box instead of on everything
  Box focus_box;
  bool strain_legend = false;  // add the strain colour scale below the panels
};

// in: panels, options. out: the composed picture: the panels in a grid, row by row, every one
// seen by the same camera, framed on the focus box when one is set, else on the bounds of all
// points of all panels (and of their overlays when drawn); with the strain legend below when
// asked for; empty when there is no panel or no point at all.
Image RenderPanels(const std::vector<Panel>& panels, const PictureOptions& options);

// in: doc. out: *view gets what the document's plug-in objects draw in the object and the
// handle pass (their own draw hook, which draws e.g. a falloff's shape, then the host's
// drawing of their handles). Call after evaluating the frame to show.
void CollectPluginDrawing(Document& doc, View* view);

// in: path, panels, options. out: true when path holds the PNG of RenderPanels (written
// atomically); false with *error naming the file.
bool WritePanelsPng(const std::string& path, const std::vector<Panel>& panels, const PictureOptions& options,
                    std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_APP_PICTURES_H
