#include "hostapp/render/image.h"

#include <algorithm>
#include <limits>

namespace hostapp {

namespace {

bool SizeIsValid(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

}  // namespace

Image::Image(int w, int h, Rgb8 fill) {
  if (!SizeIsValid(w, h)) return;
  width = w;
  height = h;
  pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  for (size_t i = 0; i < pixels.size(); i += 3) {
    pixels[i] = fill.r;
    pixels[i + 1] = fill.g;
    pixels[i + 2] = fill.b;
  }
}

Rgb8 Image::At(int x, int y) const {
  const uint8_t* p = &pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
  return Rgb8{p[0], p[1], p[2]};
}

void Image::Set(int x, int y, Rgb8 c) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint8_t* p = &pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
}

ZBuffer::ZBuffer(int w, int h) {
  if (!SizeIsValid(w, h)) return;
  width = w;
  height = h;
  depth.assign(static_cast<size_t>(w) * static_cast<size_t>(h), std::numeric_limits<double>::infinity());
}

void ZBuffer::Clear() { std::fill(depth.begin(), depth.end(), std::numeric_limits<double>::infinity()); }

Image ComposeGrid(const std::vector<Image>& panels, int columns, Rgb8 background, int gap) {
  if (panels.empty()) return Image();
  columns = std::max(1, std::min(columns, static_cast<int>(panels.size())));
  gap = std::max(0, gap);
  int cell_w = 0, cell_h = 0;
  for (const Image& p : panels) {
    cell_w = std::max(cell_w, p.width);
    cell_h = std::max(cell_h, p.height);
  }
  const int rows = (static_cast<int>(panels.size()) + columns - 1) / columns;
  const long long w = static_cast<long long>(columns) * (cell_w + gap) + gap;
  const long long h = static_cast<long long>(rows) * (cell_h + gap) + gap;
  if (w > kMaxImageSide || h > kMaxImageSide) return Image();
  Image out(static_cast<int>(w), static_cast<int>(h), background);
  for (size_t i = 0; i < panels.size(); ++i) {
    const Image& p = panels[i];
    const int x0 = gap + static_cast<int>(i % columns) * (cell_w + gap);
    const int y0 = gap + static_cast<int>(i / columns) * (cell_h + gap);
    for (int y = 0; y < p.height; ++y) {
      std::copy_n(&p.pixels[static_cast<size_t>(y) * p.width * 3], static_cast<size_t>(p.width) * 3,
                  &out.pixels[(static_cast<size_t>(y0 + y) * out.width + x0) * 3]);
    }
  }
  return out;
}

}  // namespace hostapp
