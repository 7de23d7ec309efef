// Pictures of the viewport: an RGB image, its depth buffer, and panels composed in a grid.
#ifndef HOSTAPP_RENDER_IMAGE_H
#define HOSTAPP_RENDER_IMAGE_H

#include <cstdint>
#include <vector>

namespace hostapp {

struct Rgb8 {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb8& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb8& o) const { return !(*this == o); }
};

// RGB, 8 bits per channel, rows top to bottom, 3 bytes per pixel.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;

  Image() = default;
  // A width x height image filled with fill; a size that is not positive, or past
  // kMaxImageSide, gives an empty image.
  Image(int width, int height, Rgb8 fill);

  bool empty() const { return width <= 0 || height <= 0; }
  // in: a pixel inside the image (unchecked).
  Rgb8 At(int x, int y) const;
  // Sets a pixel; pixels outside the image are ignored.
  void Set(int x, int y, Rgb8 c);
};

constexpr int kMaxImageSide = 16384;

// Depth per pixel: smaller is nearer. Starts (and clears to) "nothing drawn".
struct ZBuffer {
  int width = 0, height = 0;
  std::vector<double> depth;

  ZBuffer() = default;
  ZBuffer(int width, int height);  // same size rules as Image
  void Clear();
};

// Places panels in a grid, row by row, columns per row, each in a cell as large as the
// largest panel (top-left aligned), with gap pixels between cells and around the border.
// in:  panels (empty ones leave their cell blank), columns >= 1, background, gap >= 0.
// out: the composed image; empty when there are no panels.
Image ComposeGrid(const std::vector<Image>& panels, int columns, Rgb8 background, int gap);

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_IMAGE_H
