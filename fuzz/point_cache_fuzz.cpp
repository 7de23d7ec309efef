// Fuzz target: the point-cache reader on arbitrary bytes. The first byte picks the format
// ('M': MDD, anything else: PC2); the rest is the file. Whatever the header accepts must
// describe the bytes exactly, and every frame must decode or fail with one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hostapp/io/point_cache_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const hostapp::PointCacheFormat format =
      data[0] == 'M' ? hostapp::PointCacheFormat::kMdd : hostapp::PointCacheFormat::kPc2;
  const uint8_t* file = data + 1;
  const size_t bytes = size - 1;
  hostapp::PointCacheInfo info;
  std::string error;
  if (!hostapp::ParsePointCacheHeader(file, bytes, bytes, format, "fuzz", &info, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  const uint64_t frame_bytes = hostapp::PointCacheFrameBytes(info.points);
  if (info.points < 1 || info.frames < 1 || info.data_offset + frame_bytes * static_cast<uint64_t>(info.frames) != bytes)
    std::abort();
  if (format == hostapp::PointCacheFormat::kMdd && info.times.size() != static_cast<size_t>(info.frames)) std::abort();
  std::vector<C4D_Vector> points;
  for (int32_t f = 0; f < info.frames; ++f) {
    error.clear();
    if (hostapp::DecodePointCacheFrame(file + info.data_offset + frame_bytes * static_cast<uint64_t>(f), info, f,
                                       "fuzz", &points, &error)) {
      if (points.size() != static_cast<size_t>(info.points)) std::abort();
    } else if (error.empty()) {
      std::abort();
    }
  }
  return 0;
}
