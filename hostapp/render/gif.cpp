#include "hostapp/render/gif.h"

#include <cstdio>
#include <string_view>

#include "hostapp/io/atomic_file.h"

#ifdef TAVREN_HAVE_GIF
#include <gif_lib.h>
#endif

namespace hostapp {

#ifdef TAVREN_HAVE_GIF

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<std::vector<unsigned char>*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

// in: gif (open), frame, delay. out: the frame appended with its own palette; false on failure.
bool AppendFrame(GifFileType* gif, const Image& frame, int delay_cs) {
  const size_t n = static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height);
  std::vector<GifByteType> r(n), g(n), b(n), indices(n);
  for (size_t i = 0; i < n; ++i) {
    r[i] = frame.pixels[3 * i];
    g[i] = frame.pixels[3 * i + 1];
    b[i] = frame.pixels[3 * i + 2];
  }
  int colors = 256;
  std::vector<GifColorType> palette(256);
  if (GifQuantizeBuffer(static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height), &colors, r.data(),
                        g.data(), b.data(), indices.data(), palette.data()) != GIF_OK) {
    return false;
  }
  ColorMapObject* map = GifMakeMapObject(256, palette.data());
  if (!map) return false;
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_DO_NOT;
  control.DelayTime = delay_cs;
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType extension[4];
  const size_t length = EGifGCBToExtension(&control, extension);
  bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, map) == GIF_OK;
  for (int y = 0; ok && y < frame.height; ++y) {
    ok = EGifPutLine(gif, indices.data() + static_cast<size_t>(y) * static_cast<size_t>(frame.width), frame.width) ==
         GIF_OK;
  }
  GifFreeMapObject(map);
  return ok;
}

// out: giflib's words for an error code; a general phrase when it has none.
std::string GifError(int code) {
  const char* text = code ? GifErrorString(code) : nullptr;
  return text ? text : "the encoder failed";
}

}  // namespace

bool GifSupported() { return true; }

bool WriteGif(const std::string& path, const std::vector<Image>& frames, int delay_cs, std::string* error) {
  if (frames.empty() || frames[0].empty()) {
    *error = path + ": no frames to write";
    return false;
  }
  for (const Image& f : frames) {
    if (f.width != frames[0].width || f.height != frames[0].height ||
        f.pixels.size() != static_cast<size_t>(f.width) * static_cast<size_t>(f.height) * 3) {
      *error = path + ": the frames differ in size";
      return false;
    }
  }
  std::vector<unsigned char> bytes;
  int status = 0;
  GifFileType* gif = EGifOpen(&bytes, AppendBytes, &status);
  if (!gif) {
    *error = path + ": GIF encoding failed: " + GifError(status);
    return false;
  }
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, frames[0].width, frames[0].height, 8, 0, nullptr) == GIF_OK;
  // Loop forever: the application extension browsers and viewers read.
  static const GifByteType kLoop[] = {1, 0, 0};
  ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
       EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
       EGifPutExtensionBlock(gif, sizeof kLoop, kLoop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
  for (size_t i = 0; ok && i < frames.size(); ++i) ok = AppendFrame(gif, frames[i], delay_cs);
  const int code = gif->Error;
  int close_status = 0;
  if (EGifCloseFile(gif, &close_status) != GIF_OK) ok = false;
  if (!ok) {
    *error = path + ": GIF encoding failed: " + GifError(code ? code : close_status);
    return false;
  }
  return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

#else

bool GifSupported() { return false; }

bool WriteGif(const std::string& path, const std::vector<Image>&, int, std::string* error) {
  *error = path + ": this build writes no GIF (it was built without giflib)";
  return false;
}

#endif

}  // namespace hostapp
