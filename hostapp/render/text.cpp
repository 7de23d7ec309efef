#include "hostapp/render/text.h"

#include <algorithm>
#include <cmath>
#include <vector>

// stb's easy font, compiled here with internal linkage (its functions are static).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_easy_font.h>
#pragma GCC diagnostic pop

namespace hostapp {

namespace {

// One vertex of the font's quads, as stb_easy_font_print writes it.
struct FontVertex {
  float x, y, z;
  unsigned char color[4];
};

// out: the quads of text at the origin, four vertices each.
std::vector<FontVertex> Quads(const std::string& text) {
  // The font needs at most 270 bytes of vertices per character (its own estimate).
  std::vector<FontVertex> buffer(text.size() * 270 / sizeof(FontVertex) + 64);
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  const int quads = stb_easy_font_print(0, 0, copy.data(), nullptr, buffer.data(),
                                        static_cast<int>(buffer.size() * sizeof(FontVertex)));
  buffer.resize(static_cast<size_t>(quads) * 4);
  return buffer;
}

}  // namespace

void TextSize(const std::string& text, int scale, int* width, int* height) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  *width = stb_easy_font_width(copy.data()) * std::max(1, scale);
  *height = stb_easy_font_height(copy.data()) * std::max(1, scale);
}

void DrawText(Image& image, int x, int y, const std::string& text, Rgb8 color, int scale) {
  scale = std::max(1, scale);
  const std::vector<FontVertex> quads = Quads(text);
  for (size_t q = 0; q + 3 < quads.size(); q += 4) {
    // Each quad is an axis-aligned rectangle: its first and third corners are opposite.
    const int x0 = static_cast<int>(std::lround(quads[q].x)), y0 = static_cast<int>(std::lround(quads[q].y));
    const int x1 = static_cast<int>(std::lround(quads[q + 2].x)), y1 = static_cast<int>(std::lround(quads[q + 2].y));
    for (int py = std::min(y0, y1) * scale; py < std::max(y0, y1) * scale; ++py) {
      for (int px = std::min(x0, x1) * scale; px < std::max(x0, x1) * scale; ++px) image.Set(x + px, y + py, color);
    }
  }
}

}  // namespace hostapp
