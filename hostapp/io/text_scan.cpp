#include "hostapp/io/text_scan.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hostapp {
namespace io_detail {

bool ReadWholeFile(const std::string& path, std::string* data, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = path + ": " + what;
    return false;
  };
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    return fail(errno == ENOENT ? "no such file" : std::string("cannot open: ") + std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) return fail("is a directory, not a file");
  if (!S_ISREG(st.st_mode)) return fail("is not a regular file");
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return fail(std::string("cannot open: ") + std::strerror(errno));
  data->clear();
  char buffer[1 << 16];
  for (;;) {
    size_t n = std::fread(buffer, 1, sizeof buffer, f);
    data->append(buffer, n);
    if (n < sizeof buffer) break;
  }
  bool read_error = std::ferror(f) != 0;
  std::fclose(f);
  if (read_error) return fail("read error");
  return true;
}

bool LineReader::Next(std::string_view* line) {
  if (done_) return false;
  size_t end = rest_.find('\n');
  if (end == std::string_view::npos) {
    done_ = true;
    if (rest_.empty()) return false;  // text ended with a newline: no further line
    *line = rest_;
    rest_ = {};
  } else {
    *line = rest_.substr(0, end);
    rest_.remove_prefix(end + 1);
  }
  if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
  ++line_number_;
  return true;
}

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool NextToken(std::string_view* s, std::string_view* token) {
  size_t i = 0;
  while (i < s->size() && IsBlank((*s)[i])) ++i;
  if (i == s->size()) {
    *s = {};
    return false;
  }
  size_t j = i;
  while (j < s->size() && !IsBlank((*s)[j])) ++j;
  *token = s->substr(i, j - i);
  s->remove_prefix(j);
  return true;
}

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 170000
// libc++ before 17 (the Windows cross build) has no floating-point from_chars; the C
// library's correctly rounded strtod/strtof stand in, held to what from_chars accepts: no
// leading blank, no hexadecimal, the whole token. in: token (no leading '+'); out: true and
// *value when it is one number that neither overflows nor underflows to zero.
static double StrToReal(const char* s, char** end, double) { return std::strtod(s, end); }
static float StrToReal(const char* s, char** end, float) { return std::strtof(s, end); }
template <typename T>
static bool ParseWholeReal(std::string_view token, T* value) {
  if (token.empty() || std::isspace(static_cast<unsigned char>(token.front()))) return false;
  if (token.find_first_of("xX") != std::string_view::npos) return false;
  const std::string text(token);
  char* end = nullptr;
  errno = 0;
  const T v = StrToReal(text.c_str(), &end, T{});
  if (end != text.c_str() + text.size()) return false;
  if (errno == ERANGE && (v == 0 || !std::isfinite(v))) return false;
  *value = v;
  return true;
}
#else
// in: token; out: true and *value when the whole token is one number in range.
template <typename T>
static bool ParseWholeReal(std::string_view token, T* value) {
  T v{};
  auto r = std::from_chars(token.data(), token.data() + token.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != token.data() + token.size()) return false;
  *value = v;
  return true;
}
#endif

// from_chars rejects a leading '+' and accepts "inf" and "nan"; the importers want the
// opposite on both counts, so every number they read goes through here.
template <typename T>
static bool ParseReal(std::string_view token, T* value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return false;
  T v{};
  if (!ParseWholeReal(token, &v)) return false;
  if (!std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool ParseDouble(std::string_view token, double* value) { return ParseReal(token, value); }
bool ParseFloat(std::string_view token, float* value) { return ParseReal(token, value); }

bool ParseInt64(std::string_view token, int64_t* value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return false;
  int64_t v = 0;
  auto r = std::from_chars(token.data(), token.data() + token.size(), v, 10);
  if (r.ec != std::errc() || r.ptr != token.data() + token.size()) return false;
  *value = v;
  return true;
}

std::string QuoteToken(std::string_view token) {
  const size_t kMax = 40;
  std::string out = "'";
  for (size_t i = 0; i < token.size() && i < kMax; ++i) {
    unsigned char c = static_cast<unsigned char>(token[i]);
    if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (token.size() > kMax) out += "...";
  out += "'";
  return out;
}

}  // namespace io_detail
}  // namespace hostapp
