// String: text held by the host (UTF-8). An empty String owns nothing; the host storage is
// made on the first write. Copies go through the host.
#ifndef C4D_STRING_H
#define C4D_STRING_H

#include "c4d_general.h"
#include "c4d_types.h"

class String {
 public:
  String() = default;
  String(const Char* utf8) { Set(utf8); }
  String(const String& other) { *this = other; }
  String& operator=(const String& other);
  ~String();

  // Length in bytes.
  Int64 GetLength() const;
  // The text, valid until this string changes; "" when empty.
  const Char* GetCStr() const;
  // Inserts other before byte position pos. false: out of memory.
  Bool Insert(Int64 pos, const String& other);
  // Replaces the text. false: out of memory.
  Bool Set(const Char* utf8);
  Bool Set(const Char* utf8, Int64 len);
  Bool Content() const { return GetLength() > 0; }
  Bool operator==(const String& other) const;
  String operator+(const String& other) const;

  // The host's text for a byte count.
  static String MemoryToString(Int64 bytes);

  const C4D_String* Handle() const { return s_; }

 private:
  Bool Ensure();
  C4D_String* s_ = nullptr;
};

#endif
