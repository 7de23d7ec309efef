#include "hostapp/scene/hyperfile.h"

#include <cstring>

namespace hostapp {

namespace {

uint64_t DoubleBits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double BitsDouble(uint64_t b) {
  double v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

}  // namespace

bool HyperFile::Put(TypeTag tag, uint64_t bits, int bytes) {
  if (!out_) return false;
  if (fail_write_after_ > 0 && --fail_write_after_ == 0) return false;
  out_->push_back(tag);
  for (int i = 0; i < bytes; ++i) out_->push_back(static_cast<uint8_t>(bits >> (8 * i)));
  return true;
}

bool HyperFile::Get(TypeTag tag, uint64_t* bits, int bytes) {
  if (!in_ || limit_ - pos_ < static_cast<size_t>(1 + bytes) || in_[pos_] != tag) return false;
  uint64_t b = 0;
  for (int i = 0; i < bytes; ++i) b |= static_cast<uint64_t>(in_[pos_ + 1 + i]) << (8 * i);
  pos_ += static_cast<size_t>(1 + bytes);
  *bits = b;
  return true;
}

bool HyperFile::WriteBool(bool v) { return Put(kTagBool, v ? 1 : 0, 1); }
bool HyperFile::WriteInt32(int32_t v) { return Put(kTagInt32, static_cast<uint32_t>(v), 4); }
bool HyperFile::WriteInt64(int64_t v) { return Put(kTagInt64, static_cast<uint64_t>(v), 8); }
bool HyperFile::WriteFloat(double v) { return Put(kTagFloat, DoubleBits(v), 8); }

bool HyperFile::WriteFloat32(float v) {
  uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return Put(kTagFloat32, b, 4);
}

bool HyperFile::WriteVector(const C4D_Vector& v) {
  if (!Put(kTagVector, DoubleBits(v.x), 8)) return false;
  // The y and z bytes follow x directly, without tags of their own.
  for (double c : {v.y, v.z}) {
    uint64_t b = DoubleBits(c);
    for (int i = 0; i < 8; ++i) out_->push_back(static_cast<uint8_t>(b >> (8 * i)));
  }
  return true;
}

bool HyperFile::WriteString(const std::string& v) {
  if (v.size() > 0x7fffffffu || !Put(kTagString, static_cast<uint32_t>(v.size()), 4)) return false;
  out_->insert(out_->end(), v.begin(), v.end());
  return true;
}

bool HyperFile::ReadBool(bool* v) {
  uint64_t b;
  if (!in_ || limit_ - pos_ < 2 || in_[pos_] != kTagBool || in_[pos_ + 1] > 1) return false;
  Get(kTagBool, &b, 1);
  *v = b != 0;
  return true;
}

bool HyperFile::ReadInt32(int32_t* v) {
  uint64_t b;
  if (!Get(kTagInt32, &b, 4)) return false;
  *v = static_cast<int32_t>(static_cast<uint32_t>(b));
  return true;
}

bool HyperFile::ReadInt64(int64_t* v) {
  uint64_t b;
  if (!Get(kTagInt64, &b, 8)) return false;
  *v = static_cast<int64_t>(b);
  return true;
}

bool HyperFile::ReadFloat(double* v) {
  uint64_t b;
  if (!Get(kTagFloat, &b, 8)) return false;
  *v = BitsDouble(b);
  return true;
}

bool HyperFile::ReadFloat32(float* v) {
  uint64_t b;
  if (!Get(kTagFloat32, &b, 4)) return false;
  uint32_t b32 = static_cast<uint32_t>(b);
  std::memcpy(v, &b32, sizeof *v);
  return true;
}

bool HyperFile::ReadVector(C4D_Vector* v) {
  if (!in_ || limit_ - pos_ < static_cast<size_t>(kVectorSize) || in_[pos_] != kTagVector) return false;
  double c[3];
  for (int k = 0; k < 3; ++k) {
    uint64_t b = 0;
    for (int i = 0; i < 8; ++i) b |= static_cast<uint64_t>(in_[pos_ + 1 + 8 * k + i]) << (8 * i);
    c[k] = BitsDouble(b);
  }
  pos_ += static_cast<size_t>(kVectorSize);
  *v = C4D_Vector{c[0], c[1], c[2]};
  return true;
}

bool HyperFile::ReadString(std::string* v) {
  size_t start = pos_;
  uint64_t n;
  if (!Get(kTagString, &n, 4)) return false;
  if (n > 0x7fffffffu || n > limit_ - pos_) {
    pos_ = start;
    return false;
  }
  v->assign(reinterpret_cast<const char*>(in_ + pos_), static_cast<size_t>(n));
  pos_ += static_cast<size_t>(n);
  return true;
}

size_t HyperFile::BeginBlock() {
  if (!out_) return 0;
  size_t mark = out_->size();
  WriteInt64(0);
  return mark;
}

bool HyperFile::EndBlock(size_t mark) {
  if (!out_ || mark + kInt64Size > out_->size() || (*out_)[mark] != kTagInt64) return false;
  uint64_t len = out_->size() - (mark + kInt64Size);
  for (int i = 0; i < 8; ++i) (*out_)[mark + 1 + i] = static_cast<uint8_t>(len >> (8 * i));
  return true;
}

bool HyperFile::EnterBlock() {
  size_t start = pos_;
  int64_t len = 0;
  if (!ReadInt64(&len)) return false;
  if (len < 0 || static_cast<uint64_t>(len) > limit_ - pos_) {
    pos_ = start;
    return false;
  }
  outer_limits_.push_back(limit_);
  limit_ = pos_ + static_cast<size_t>(len);
  return true;
}

bool HyperFile::LeaveBlock() {
  if (outer_limits_.empty()) return false;
  pos_ = limit_;
  limit_ = outer_limits_.back();
  outer_limits_.pop_back();
  return true;
}

}  // namespace hostapp
