#include "c4d_string.h"

#include <cstring>

String& String::operator=(const String& other) {
  if (this == &other) return *this;
  Int64 len = 0;
  const Char* text = other.s_ ? C4DOS()->strings->string_get(other.s_, &len) : "";
  if (len == 0 && !s_) return *this;
  Set(text, len);
  return *this;
}

String::~String() {
  if (s_) C4DOS()->strings->string_free(s_);
}

Bool String::Ensure() {
  if (!s_) s_ = C4DOS()->strings->string_alloc();
  return s_ != nullptr;
}

Int64 String::GetLength() const {
  Int64 len = 0;
  if (s_) C4DOS()->strings->string_get(s_, &len);
  return len;
}

const Char* String::GetCStr() const {
  Int64 len = 0;
  return s_ ? C4DOS()->strings->string_get(s_, &len) : "";
}

Bool String::Insert(Int64 pos, const String& other) {
  if (!other.s_) return true;
  return Ensure() && C4DOS()->strings->string_insert(s_, pos, other.s_);
}

Bool String::Set(const Char* utf8) { return Set(utf8, utf8 ? static_cast<Int64>(std::strlen(utf8)) : 0); }

Bool String::Set(const Char* utf8, Int64 len) {
  if (!Ensure()) return false;
  return C4DOS()->strings->string_set(s_, utf8 ? utf8 : "", utf8 ? len : 0);
}

Bool String::operator==(const String& other) const { return std::strcmp(GetCStr(), other.GetCStr()) == 0; }

String String::operator+(const String& other) const {
  String r(*this);
  r.Insert(r.GetLength(), other);
  return r;
}

String String::MemoryToString(Int64 bytes) {
  String r;
  if (r.Ensure()) C4DOS()->strings->string_memory_size(r.s_, bytes);
  return r;
}
