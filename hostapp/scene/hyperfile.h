// Typed scene-file streams (the host's HyperFile). Each value is a one-byte type tag
// followed by its little-endian bytes; a read checks the tag, so reading a value of the
// wrong type, or past the end of the data, fails instead of returning garbage. Blocks are
// length-prefixed spans that limit reading, so a plug-in's reader cannot run into the
// data that follows its own.
#ifndef HOSTAPP_SCENE_HYPERFILE_H
#define HOSTAPP_SCENE_HYPERFILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"

struct C4D_HyperFile {};

namespace hostapp {

class HyperFile : public C4D_HyperFile {
 public:
  // The type tags.
  enum TypeTag : uint8_t {
    kTagBool = 1,
    kTagInt32 = 2,
    kTagFloat = 3,    // 64-bit float
    kTagVector = 4,   // three 64-bit floats
    kTagInt64 = 5,
    kTagString = 6,   // 32-bit byte count, then UTF-8 bytes
    kTagFloat32 = 7,
  };
  // Encoded sizes in bytes, tag included.
  static constexpr int64_t kBoolSize = 2;
  static constexpr int64_t kInt32Size = 5;
  static constexpr int64_t kInt64Size = 9;
  static constexpr int64_t kFloatSize = 9;
  static constexpr int64_t kVectorSize = 25;
  static constexpr int64_t kFloat32Size = 5;

  // A writer appending to *out (which must outlive the stream).
  explicit HyperFile(std::vector<uint8_t>* out) : out_(out) {}
  // A reader over [data, data + size) (which must outlive the stream).
  HyperFile(const uint8_t* data, size_t size) : in_(data), limit_(size) {}

  bool IsReading() const { return out_ == nullptr; }

  // Makes the n-th write from now (1: the very next) fail, once, as a full medium would; the
  // value is then not written. n <= 0 disarms it.
  void FailWriteAfter(int64_t n) { fail_write_after_ = n; }

  // Writes: false on a reading stream.
  bool WriteBool(bool v);
  bool WriteInt32(int32_t v);
  bool WriteInt64(int64_t v);
  bool WriteFloat(double v);
  bool WriteFloat32(float v);
  bool WriteVector(const C4D_Vector& v);
  bool WriteString(const std::string& v);

  // Reads: false (value untouched, position unchanged) on a writing stream, at the end of
  // the data or block, or when the next value has another type.
  bool ReadBool(bool* v);
  bool ReadInt32(int32_t* v);
  bool ReadInt64(int64_t* v);
  bool ReadFloat(double* v);
  bool ReadFloat32(float* v);
  bool ReadVector(C4D_Vector* v);
  bool ReadString(std::string* v);

  // out: reading: bytes left before the end of the current block (or data); writing: 0.
  int64_t Remaining() const { return IsReading() ? static_cast<int64_t>(limit_ - pos_) : 0; }
  // out: reading: offset of the next byte; writing: bytes written so far.
  size_t Position() const { return IsReading() ? pos_ : out_->size(); }

  // Writing a block: BeginBlock reserves its length and returns a mark; EndBlock(mark)
  // fills the length in. out: false on a reading stream or a bad mark.
  size_t BeginBlock();
  bool EndBlock(size_t mark);
  // Reading a block: EnterBlock reads its length and limits reading to it; LeaveBlock
  // skips what is left of it. out: false when the length is missing, negative or runs past
  // the enclosing block, or when no block is open.
  bool EnterBlock();
  bool LeaveBlock();

 private:
  bool Put(TypeTag tag, uint64_t bits, int bytes);
  bool Get(TypeTag tag, uint64_t* bits, int bytes);

  std::vector<uint8_t>* out_ = nullptr;
  const uint8_t* in_ = nullptr;
  size_t pos_ = 0;
  size_t limit_ = 0;
  std::vector<size_t> outer_limits_;
  int64_t fail_write_after_ = 0;
};

inline HyperFile* FromC(C4D_HyperFile* hf) { return static_cast<HyperFile*>(hf); }

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_HYPERFILE_H
