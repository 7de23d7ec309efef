// Pictures as the plug-in side sees them: icons loaded from files. The host keeps the
// file's bytes and, for TIFF files, the picture's size read from the header.
#ifndef HOSTAPP_SCENE_BITMAP_H
#define HOSTAPP_SCENE_BITMAP_H

#include <cstdint>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"

struct C4D_Bitmap {};

namespace hostapp {

// Result of a load from a missing or unreadable file.
constexpr int32_t kImageResultFileError = -1;

class Bitmap : public C4D_Bitmap {
 public:
  // in: path, frame (ignored: icons have one frame). out: C4D_IMAGERESULT_OK when the file
  // was read; kImageResultFileError when it is missing or unreadable (the bitmap is then
  // emptied).
  int32_t InitFromFile(const std::string& path, int32_t frame);

  bool IsLoaded() const { return loaded_; }
  const std::string& Path() const { return path_; }
  // Picture size from the TIFF header; 0 when the file is not a TIFF the host understands.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  const std::vector<uint8_t>& FileBytes() const { return bytes_; }

 private:
  std::string path_;
  std::vector<uint8_t> bytes_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool loaded_ = false;
};

// in: the bytes of a file. out: true and *width, *height when they hold a TIFF header with
// a first directory that gives both sizes; false otherwise (nothing written).
bool ReadTiffSize(const std::vector<uint8_t>& bytes, int32_t* width, int32_t* height);

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_BITMAP_H
