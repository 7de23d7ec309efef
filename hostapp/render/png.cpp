#include "hostapp/render/png.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "hostapp/io/atomic_file.h"

// stb's writer, compiled here with internal linkage so it cannot clash with another copy.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace hostapp {

namespace {

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<unsigned char>*>(context);
  const auto* bytes = static_cast<const unsigned char*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

bool WritePng(const std::string& path, const Image& image, std::string* error) {
  if (image.empty() || image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3) {
    if (error) *error = path + ": the image is empty or malformed";
    return false;
  }
  std::vector<unsigned char> png;
  if (!stbi_write_png_to_func(AppendBytes, &png, image.width, image.height, 3, image.pixels.data(), image.width * 3) ||
      png.empty()) {
    if (error) *error = path + ": PNG encoding failed";
    return false;
  }
  return WriteFileAtomically(
      path,
      [&](std::FILE* f, std::string* write_error) {
        if (std::fwrite(png.data(), 1, png.size(), f) == png.size()) return true;
        *write_error = std::string("write failed: ") + std::strerror(errno);
        return false;
      },
      error);
}

}  // namespace hostapp
