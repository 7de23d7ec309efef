#include "hostapp/io/point_cache_file.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "hostapp/io/atomic_file.h"

namespace hostapp {
namespace {

constexpr char kPc2Signature[12] = {'P', 'O', 'I', 'N', 'T', 'C', 'A', 'C', 'H', 'E', '2', '\0'};
constexpr size_t kPc2HeaderBytes = 32;
constexpr size_t kMddCountBytes = 8;

uint32_t LoadU32(const uint8_t* p, bool big) {
  return big ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]})
             : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | uint32_t{p[0]});
}
int32_t LoadI32(const uint8_t* p, bool big) {
  const uint32_t u = LoadU32(p, big);
  int32_t v;
  std::memcpy(&v, &u, 4);
  return v;
}
float LoadF32(const uint8_t* p, bool big) {
  const uint32_t u = LoadU32(p, big);
  float v;
  std::memcpy(&v, &u, 4);
  return v;
}
void StoreU32(uint32_t u, bool big, uint8_t* p) {
  for (int i = 0; i < 4; ++i) p[big ? 3 - i : i] = static_cast<uint8_t>(u >> (8 * i));
}
void StoreI32(int32_t v, bool big, uint8_t* p) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  StoreU32(u, big, p);
}
void StoreF32(float v, bool big, uint8_t* p) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  StoreU32(u, big, p);
}

bool BigEndian(PointCacheFormat format) { return format == PointCacheFormat::kMdd; }

bool Fail(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

// Seeks to an absolute byte offset, beyond 2 GB too.
bool SeekTo(std::FILE* f, uint64_t offset) {
#if defined(_WIN32)
  return ::_fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return ::fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// out: the size of the open file; false when it cannot be told.
bool FileSize(std::FILE* f, uint64_t* size) {
#if defined(_WIN32)
  struct _stat64 st;
  if (::_fstat64(::_fileno(f), &st) != 0) return false;
#else
  struct stat st;
  if (::fstat(::fileno(f), &st) != 0) return false;
#endif
  if ((st.st_mode & S_IFMT) != S_IFREG) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

}  // namespace

bool PointCacheFormatOf(const std::string& path, PointCacheFormat* format) {
  if (path.size() < 4 || path[path.size() - 4] != '.') return false;
  std::string ext = path.substr(path.size() - 3);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "mdd") *format = PointCacheFormat::kMdd;
  else if (ext == "pc2") *format = PointCacheFormat::kPc2;
  else return false;
  return true;
}

bool ParsePointCacheHeader(const uint8_t* data, size_t size, uint64_t file_size, PointCacheFormat format,
                           const std::string& name, PointCacheInfo* info, std::string* error) {
  PointCacheInfo in;
  in.format = format;
  const bool big = BigEndian(format);
  const char* kind = big ? "MDD" : "PC2";
  if (size > file_size) size = static_cast<size_t>(file_size);
  if (format == PointCacheFormat::kPc2) {
    if (size < kPc2HeaderBytes)
      return Fail(error, name + ": not a PC2 point cache (" + std::to_string(file_size) + " bytes, shorter than its header)");
    if (std::memcmp(data, kPc2Signature, sizeof kPc2Signature) != 0)
      return Fail(error, name + ": not a PC2 point cache (it does not start with POINTCACHE2)");
    const int32_t version = LoadI32(data + 12, big);
    if (version != 1) return Fail(error, name + ": PC2 version " + std::to_string(version) + " (only 1 is read)");
    in.points = LoadI32(data + 16, big);
    in.start = LoadF32(data + 20, big);
    in.rate = LoadF32(data + 24, big);
    in.frames = LoadI32(data + 28, big);
    in.data_offset = kPc2HeaderBytes;
    if (!std::isfinite(in.start) || !std::isfinite(in.rate))
      return Fail(error, name + ": the PC2 header's first frame or sample rate is not a finite number");
  } else {
    if (size < kMddCountBytes)
      return Fail(error, name + ": not an MDD point cache (" + std::to_string(file_size) + " bytes, shorter than its header)");
    in.frames = LoadI32(data, big);
    in.points = LoadI32(data + 4, big);
  }
  if (in.points < 1 || in.points > kPointCacheMaxPoints)
    return Fail(error, name + ": the " + kind + " header gives " + std::to_string(in.points) +
                           " points (1 to " + std::to_string(kPointCacheMaxPoints) + " are read)");
  if (in.frames < 1 || in.frames > kPointCacheMaxFrames)
    return Fail(error, name + ": the " + kind + " header gives " + std::to_string(in.frames) +
                           " frames (1 to " + std::to_string(kPointCacheMaxFrames) + " are read)");
  if (format == PointCacheFormat::kMdd) in.data_offset = kMddCountBytes + 4u * static_cast<uint64_t>(in.frames);
  // Both counts are bounded, so the product fits easily in 64 bits.
  const uint64_t expected = in.data_offset + PointCacheFrameBytes(in.points) * static_cast<uint64_t>(in.frames);
  if (file_size != expected)
    return Fail(error, name + ": " + std::to_string(file_size) + " bytes, but a " + kind + " cache of " +
                           std::to_string(in.frames) + " frames of " + std::to_string(in.points) + " points has " +
                           std::to_string(expected) + (file_size < expected ? " (the file is cut short)" : ""));
  if (format == PointCacheFormat::kMdd) {
    if (size < in.data_offset) return Fail(error, name + ": the MDD frame times were not read");
    in.times.resize(static_cast<size_t>(in.frames));
    for (int32_t f = 0; f < in.frames; ++f) {
      in.times[f] = LoadF32(data + kMddCountBytes + 4u * static_cast<size_t>(f), big);
      if (!std::isfinite(in.times[f]))
        return Fail(error, name + ": the time of frame " + std::to_string(f) + " is not a finite number");
    }
  }
  *info = std::move(in);
  return true;
}

bool DecodePointCacheFrame(const uint8_t* data, const PointCacheInfo& info, int32_t frame, const std::string& name,
                           std::vector<C4D_Vector>* points, std::string* error) {
  const bool big = BigEndian(info.format);
  points->resize(static_cast<size_t>(info.points));
  for (int32_t i = 0; i < info.points; ++i) {
    const uint8_t* p = data + 12u * static_cast<size_t>(i);
    const float x = LoadF32(p, big), y = LoadF32(p + 4, big), z = LoadF32(p + 8, big);
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
      return Fail(error, name + ": frame " + std::to_string(frame) + ", point " + std::to_string(i) +
                             ": a coordinate is not a finite number");
    (*points)[static_cast<size_t>(i)] = C4D_Vector{x, y, z};
  }
  return true;
}

// ---------------------------------------------------------------- reader

PointCacheReader::~PointCacheReader() {
  if (file_) std::fclose(file_);
}

bool PointCacheReader::Open(const std::string& path, std::string* error) {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  path_ = path;
  PointCacheFormat format;
  if (!PointCacheFormatOf(path, &format)) return Fail(error, path + ": a point cache ends in .mdd or .pc2");
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) return Fail(error, path + ": cannot open: " + std::strerror(errno));
  uint64_t size = 0;
  if (!FileSize(file_, &size)) return Fail(error, path + ": not a regular file");
  // The PC2 header is fixed; MDD's grows with the frames, whose count comes first.
  std::vector<uint8_t> head(format == PointCacheFormat::kPc2 ? kPc2HeaderBytes : kMddCountBytes);
  size_t got = std::fread(head.data(), 1, head.size(), file_);
  if (format == PointCacheFormat::kMdd && got == kMddCountBytes) {
    const int32_t frames = LoadI32(head.data(), true);
    if (frames > 0 && frames <= kPointCacheMaxFrames &&
        kMddCountBytes + 4u * static_cast<uint64_t>(frames) <= size) {
      head.resize(kMddCountBytes + 4u * static_cast<size_t>(frames));
      if (std::fread(head.data() + kMddCountBytes, 1, head.size() - kMddCountBytes, file_) !=
          head.size() - kMddCountBytes)
        return Fail(error, path + ": read failed");
      got = head.size();
    }
  }
  return ParsePointCacheHeader(head.data(), got, size, format, path, &info_, error);
}

bool PointCacheReader::ReadFrame(int32_t frame, std::vector<C4D_Vector>* points, std::string* error) {
  if (!file_ || frame < 0 || frame >= info_.frames)
    return Fail(error, path_ + ": no frame " + std::to_string(frame) + " (the cache holds " +
                           std::to_string(info_.frames) + ")");
  const uint64_t bytes = PointCacheFrameBytes(info_.points);
  buffer_.resize(static_cast<size_t>(bytes));
  if (!SeekTo(file_, info_.data_offset + bytes * static_cast<uint64_t>(frame)) ||
      std::fread(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    return Fail(error, path_ + ": cannot read frame " + std::to_string(frame));
  return DecodePointCacheFrame(buffer_.data(), info_, frame, path_, points, error);
}

// ---------------------------------------------------------------- writer

PointCacheWriter::PointCacheWriter() = default;
PointCacheWriter::~PointCacheWriter() = default;

bool PointCacheWriter::Open(const std::string& path, const PointCacheInfo& info, std::string* error) {
  path_ = path;
  info_ = info;
  if (info.points < 1 || info.points > kPointCacheMaxPoints || info.frames < 1 || info.frames > kPointCacheMaxFrames)
    return Fail(error, path + ": a point cache holds 1 to " + std::to_string(kPointCacheMaxFrames) +
                           " frames of 1 to " + std::to_string(kPointCacheMaxPoints) + " points");
  const bool big = BigEndian(info.format);
  std::vector<uint8_t> head;
  if (info.format == PointCacheFormat::kPc2) {
    head.resize(kPc2HeaderBytes);
    std::memcpy(head.data(), kPc2Signature, sizeof kPc2Signature);
    StoreI32(1, big, head.data() + 12);
    StoreI32(info.points, big, head.data() + 16);
    StoreF32(info.start, big, head.data() + 20);
    StoreF32(info.rate, big, head.data() + 24);
    StoreI32(info.frames, big, head.data() + 28);
    info_.data_offset = kPc2HeaderBytes;
  } else {
    if (!info.times.empty() && info.times.size() != static_cast<size_t>(info.frames))
      return Fail(error, path + ": " + std::to_string(info.times.size()) + " frame times for " +
                             std::to_string(info.frames) + " frames");
    head.resize(kMddCountBytes + 4u * static_cast<size_t>(info.frames));
    StoreI32(info.frames, big, head.data());
    StoreI32(info.points, big, head.data() + 4);
    for (int32_t f = 0; f < info.frames; ++f) {
      const float t = info.times.empty() ? static_cast<float>(f) / 24.0f : info.times[static_cast<size_t>(f)];
      StoreF32(t, big, head.data() + kMddCountBytes + 4u * static_cast<size_t>(f));
    }
    info_.data_offset = head.size();
  }
  file_ = std::make_unique<AtomicFile>();
  if (!file_->Open(path, error)) return false;
  if (std::fwrite(head.data(), 1, head.size(), file_->File()) != head.size()) {
    file_->Abandon();
    return Fail(error, path + ": write failed: " + std::strerror(errno));
  }
  written_.assign(static_cast<size_t>(info.frames), false);
  return true;
}

bool PointCacheWriter::WriteFrame(int32_t frame, const std::vector<C4D_Vector>& points, std::string* error) {
  if (!file_ || !file_->File() || frame < 0 || frame >= info_.frames)
    return Fail(error, path_ + ": no frame " + std::to_string(frame) + " in a cache of " +
                           std::to_string(info_.frames));
  if (points.size() != static_cast<size_t>(info_.points))
    return Fail(error, path_ + ": frame " + std::to_string(frame) + " has " + std::to_string(points.size()) +
                           " points, the cache " + std::to_string(info_.points));
  const bool big = BigEndian(info_.format);
  constexpr double kMax = std::numeric_limits<float>::max();
  buffer_.resize(static_cast<size_t>(PointCacheFrameBytes(info_.points)));
  for (size_t i = 0; i < points.size(); ++i) {
    const double c[3] = {points[i].x, points[i].y, points[i].z};
    for (int k = 0; k < 3; ++k) {
      if (!(std::fabs(c[k]) <= kMax))
        return Fail(error, path_ + ": frame " + std::to_string(frame) + ", point " + std::to_string(i) +
                               ": a coordinate does not fit a 32-bit float");
      StoreF32(static_cast<float>(c[k]), big, buffer_.data() + 12u * i + 4u * static_cast<size_t>(k));
    }
  }
  const uint64_t at = info_.data_offset + PointCacheFrameBytes(info_.points) * static_cast<uint64_t>(frame);
  if (!SeekTo(file_->File(), at) || std::fwrite(buffer_.data(), 1, buffer_.size(), file_->File()) != buffer_.size())
    return Fail(error, path_ + ": write failed: " + std::strerror(errno));
  written_[static_cast<size_t>(frame)] = true;
  return true;
}

bool PointCacheWriter::Finish(std::string* error) {
  if (!file_) return Fail(error, path_ + ": the point cache was not opened");
  for (size_t f = 0; f < written_.size(); ++f) {
    if (!written_[f]) {
      file_->Abandon();
      return Fail(error, path_ + ": frame " + std::to_string(f) + " was never written; no file made");
    }
  }
  return file_->Commit(error);
}

}  // namespace hostapp
