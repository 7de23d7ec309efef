// Point caches: the positions of a mesh's points over a sequence of frames, as DCC
// applications exchange them beside the mesh itself (which holds the polygons).
//
// MDD (all numbers big-endian):
//   int32 frames, int32 points, float32 time of each frame (seconds),
//   then per frame per point float32 x, y, z.
// PC2 (all numbers little-endian):
//   char[12] "POINTCACHE2\0", int32 version (1), int32 points, float32 first frame,
//   float32 frames between samples, int32 samples,
//   then per sample per point float32 x, y, z.
//
// Reading checks the header against the file's size before anything else is read, so a
// damaged or truncated file gives an error and never a large allocation.
#ifndef HOSTAPP_IO_POINT_CACHE_FILE_H
#define HOSTAPP_IO_POINT_CACHE_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"

namespace hostapp {

class AtomicFile;

enum class PointCacheFormat { kMdd, kPc2 };

// Most points and frames a cache may hold.
constexpr int32_t kPointCacheMaxPoints = 100000000;
constexpr int32_t kPointCacheMaxFrames = 1000000;

// in: path. out: true with *format when its extension is .mdd or .pc2 (any case).
bool PointCacheFormatOf(const std::string& path, PointCacheFormat* format);

// What a cache's header says.
struct PointCacheInfo {
  PointCacheFormat format = PointCacheFormat::kPc2;
  int32_t points = 0;
  int32_t frames = 0;
  float start = 0.0f;        // PC2: frame of the first sample (MDD: 0)
  float rate = 1.0f;         // PC2: frames between samples (MDD: 1)
  std::vector<float> times;  // MDD: time of every frame in seconds (PC2: empty)
  uint64_t data_offset = 0;  // bytes before the first frame
};

// Bytes of one frame of n points.
inline uint64_t PointCacheFrameBytes(int32_t points) { return static_cast<uint64_t>(points) * 12u; }

// Reads a header.
// in: data[0, size), the first bytes of a file of file_size bytes (size <= file_size; the
//     header needs at most 32 bytes for PC2 and 8 + 4 * frames for MDD); format; name for
//     messages. out: true with *info; false with *error ("NAME: ...") when the header is
//     short or damaged, a count is out of range, or file_size is not exactly the header
//     plus the frames it announces.
bool ParsePointCacheHeader(const uint8_t* data, size_t size, uint64_t file_size, PointCacheFormat format,
                           const std::string& name, PointCacheInfo* info, std::string* error);

// in: data, one frame's bytes (PointCacheFrameBytes(info.points)); frame, its index for
// messages. out: *points (resized to info.points); false with *error when a coordinate is
// not finite.
bool DecodePointCacheFrame(const uint8_t* data, const PointCacheInfo& info, int32_t frame, const std::string& name,
                           std::vector<C4D_Vector>* points, std::string* error);

// Reads frames from a cache file on demand: memory does not grow with the frames.
class PointCacheReader {
 public:
  PointCacheReader() = default;
  ~PointCacheReader();
  PointCacheReader(const PointCacheReader&) = delete;
  PointCacheReader& operator=(const PointCacheReader&) = delete;

  // in: path (.mdd or .pc2). out: false with *error naming the file and the fault.
  bool Open(const std::string& path, std::string* error);
  const PointCacheInfo& Info() const { return info_; }

  // in: frame in [0, Info().frames). out: *points; false with *error.
  bool ReadFrame(int32_t frame, std::vector<C4D_Vector>* points, std::string* error);

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  PointCacheInfo info_;
  std::vector<uint8_t> buffer_;
};

// Writes a cache file atomically, frames in any order: the file appears complete at
// Finish, or not at all.
class PointCacheWriter {
 public:
  PointCacheWriter();
  ~PointCacheWriter();
  PointCacheWriter(const PointCacheWriter&) = delete;
  PointCacheWriter& operator=(const PointCacheWriter&) = delete;

  // in: path; info (format, points, frames, start and rate for PC2, times for MDD: one per
  // frame, or empty for frame / 24 s). out: false with *error naming the file.
  bool Open(const std::string& path, const PointCacheInfo& info, std::string* error);
  // in: frame in [0, frames), points (Info().points of them). out: false with *error when
  // a coordinate does not fit a 32-bit float or the write failed. One caller at a time.
  bool WriteFrame(int32_t frame, const std::vector<C4D_Vector>& points, std::string* error);
  // Puts the file in place. out: false with *error when a frame was never written or the
  // file could not be completed; no file is then left.
  bool Finish(std::string* error);

 private:
  std::string path_;
  std::unique_ptr<AtomicFile> file_;
  PointCacheInfo info_;
  std::vector<bool> written_;
  std::vector<uint8_t> buffer_;
};

}  // namespace hostapp

#endif  // HOSTAPP_IO_POINT_CACHE_FILE_H
