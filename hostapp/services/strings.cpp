#include "hostapp/services/strings.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "hostapp/services/memory.h"

namespace hostapp {
namespace {

C4D_String* StringAlloc() {
  return reinterpret_cast<C4D_String*>(CountedNew<std::string>(__LINE__, __FILE__));
}

void StringFree(C4D_String* s) { CountedDelete(TextOf(s)); }

bool StringSet(C4D_String* s, const char* utf8, int64_t len) {
  std::string* t = TextOf(s);
  if (!t || len < 0 || (!utf8 && len > 0)) return false;
  try {
    if (len == 0) t->clear();
    else t->assign(utf8, static_cast<size_t>(len));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

const char* StringGet(const C4D_String* s, int64_t* len) {
  const std::string* t = TextOf(s);
  if (len) *len = t ? static_cast<int64_t>(t->size()) : 0;
  return t ? t->c_str() : "";
}

bool StringInsert(C4D_String* s, int64_t pos, const C4D_String* other) {
  std::string* t = TextOf(s);
  const std::string* o = TextOf(other);
  if (!t) return false;
  if (!o || o->empty()) return true;
  const int64_t size = static_cast<int64_t>(t->size());
  const size_t at = static_cast<size_t>(pos < 0 ? 0 : pos > size ? size : pos);
  try {
    if (o == t) {
      const std::string copy = *o;
      t->insert(at, copy);
    } else {
      t->insert(at, *o);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool StringMemorySize(C4D_String* s, int64_t bytes) {
  std::string* t = TextOf(s);
  if (!t) return false;
  try {
    *t = MemorySizeText(bytes);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

const C4D_StringTable kTable = {
    static_cast<int32_t>(sizeof(C4D_StringTable)), StringAlloc, StringFree, StringSet, StringGet,
    StringInsert, StringMemorySize,
};

}  // namespace

const C4D_StringTable* stringTable() { return &kTable; }

std::string* TextOf(C4D_String* s) { return reinterpret_cast<std::string*>(s); }
const std::string* TextOf(const C4D_String* s) { return reinterpret_cast<const std::string*>(s); }

std::string MemorySizeText(int64_t bytes) {
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  const char* sign = bytes < 0 ? "-" : "";
  const uint64_t magnitude = bytes < 0 ? 0 - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);
  char text[64];
  if (magnitude < 1024) {
    std::snprintf(text, sizeof text, "%s%llu B", sign, static_cast<unsigned long long>(magnitude));
    return text;
  }
  double value = static_cast<double>(magnitude);
  for (int u = 0; u < 6; ++u) {
    value /= 1024.0;
    char digits[48];
    std::snprintf(digits, sizeof digits, "%.2f", value);
    if (std::strtod(digits, nullptr) < 1024.0 || u == 5) {
      std::snprintf(text, sizeof text, "%s%s %s", sign, digits, kUnits[u]);
      break;
    }
  }
  return text;
}

}  // namespace hostapp
