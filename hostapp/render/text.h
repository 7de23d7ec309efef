// Short labels drawn into pictures, with stb's easy font (a small built-in bitmap font).
#ifndef HOSTAPP_RENDER_TEXT_H
#define HOSTAPP_RENDER_TEXT_H

#include <string>

#include "hostapp/render/image.h"

namespace hostapp {

// in: text (printable ASCII; a line break starts a new line), scale >= 1. out: the size in
// pixels that DrawText covers.
void TextSize(const std::string& text, int scale, int* width, int* height);

// Draws text with its top-left corner at (x, y), each font pixel scale x scale pixels;
// pixels outside the image are left out.
void DrawText(Image& image, int x, int y, const std::string& text, Rgb8 color, int scale = 1);

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_TEXT_H
