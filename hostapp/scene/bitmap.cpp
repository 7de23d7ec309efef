#include "hostapp/scene/bitmap.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace hostapp {

namespace {

// Reads an unsigned little- or big-endian field of `bytes` (2 or 4) at offset.
uint32_t Field(const std::vector<uint8_t>& b, size_t offset, int bytes, bool little) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    uint32_t byte = b[offset + static_cast<size_t>(little ? i : bytes - 1 - i)];
    v |= byte << (8 * i);
  }
  return v;
}

}  // namespace

bool ReadTiffSize(const std::vector<uint8_t>& b, int32_t* width, int32_t* height) {
  if (b.size() < 8) return false;
  bool little;
  if (b[0] == 'I' && b[1] == 'I') {
    little = true;
  } else if (b[0] == 'M' && b[1] == 'M') {
    little = false;
  } else {
    return false;
  }
  if (Field(b, 2, 2, little) != 42) return false;
  uint64_t ifd = Field(b, 4, 4, little);
  if (ifd + 2 > b.size()) return false;
  uint32_t count = Field(b, static_cast<size_t>(ifd), 2, little);
  if (ifd + 2 + 12ull * count > b.size()) return false;
  int64_t w = -1;
  int64_t h = -1;
  for (uint32_t i = 0; i < count; ++i) {
    size_t e = static_cast<size_t>(ifd + 2 + 12ull * i);
    uint32_t tag = Field(b, e, 2, little);
    uint32_t type = Field(b, e + 2, 2, little);
    // A SHORT value sits in the first two bytes of the value field, a LONG fills it.
    uint32_t value;
    if (type == 3) {
      value = Field(b, e + 8, 2, little);
    } else if (type == 4) {
      value = Field(b, e + 8, 4, little);
    } else {
      continue;
    }
    if (tag == 256) w = value;
    if (tag == 257) h = value;
  }
  if (w <= 0 || h <= 0 || w > 0x7fffffff || h > 0x7fffffff) return false;
  *width = static_cast<int32_t>(w);
  *height = static_cast<int32_t>(h);
  return true;
}

int32_t Bitmap::InitFromFile(const std::string& path, int32_t /*frame*/) {
  path_ = path;
  bytes_.clear();
  width_ = height_ = 0;
  loaded_ = false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return kImageResultFileError;
  std::ifstream in(path, std::ios::binary);
  if (!in) return kImageResultFileError;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return kImageResultFileError;
  bytes_ = std::move(bytes);
  ReadTiffSize(bytes_, &width_, &height_);
  loaded_ = true;
  return C4D_IMAGERESULT_OK;
}

}  // namespace hostapp
