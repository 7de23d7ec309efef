#include "hostapp/io/text_scan.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "hostapp/services/limits.h"
#include "hostapp/services/printable.h"

namespace hostapp {
namespace io_detail {

namespace {

// A refused input file: *error "PATH: what", false.
bool Refuse(const std::string& path, const std::string& what, std::string* error) {
  if (error) *error = PrintableText(path) + ": " + what;
  return false;
}

// in: path. out: the file open for reading after CheckInputFile; null with *error.
std::FILE* OpenChecked(const std::string& path, uint64_t* size, std::string* error) {
  if (!CheckInputFile(path, size, error)) return nullptr;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) Refuse(path, std::string("cannot open: ") + std::strerror(errno), error);
  return f;
}

}  // namespace

bool CheckInputFile(const std::string& path, uint64_t* size, std::string* error) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    return Refuse(path, errno == ENOENT ? "no such file" : std::string("cannot open: ") + std::strerror(errno), error);
  }
  if (S_ISDIR(st.st_mode)) return Refuse(path, "is a directory, not a file", error);
  if (!S_ISREG(st.st_mode)) return Refuse(path, "is not a regular file", error);
  const uint64_t bytes = static_cast<uint64_t>(st.st_size);
  if (bytes > kMaxInputFileBytes) {
    return Refuse(path,
                  "file too large (" + std::to_string(bytes) + " bytes; an input file may hold at most " +
                      std::to_string(kMaxInputFileBytes) + ")",
                  error);
  }
  *size = bytes;
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* data, std::string* error) {
  uint64_t size = 0;
  std::FILE* f = OpenChecked(path, &size, error);
  if (!f) return false;
  data->clear();
  bool ok = true;
  try {
    data->reserve(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  char buffer[1 << 16];
  while (ok) {
    size_t n = std::fread(buffer, 1, sizeof buffer, f);
    data->append(buffer, n);
    // Short read: the end. A file that grows while being read is not followed past the limit.
    if (n < sizeof buffer || data->size() > kMaxInputFileBytes) break;
  }
  const bool read_error = std::ferror(f) != 0;
  std::fclose(f);
  if (!ok) return Refuse(path, "out of memory reading " + std::to_string(size) + " bytes", error);
  if (read_error) return Refuse(path, "read error", error);
  if (data->size() > kMaxInputFileBytes) return Refuse(path, "file too large (it grew while being read)", error);
  return true;
}

bool ReadFileHead(const std::string& path, size_t count, std::string* head, uint64_t* size, std::string* error) {
  std::FILE* f = OpenChecked(path, size, error);
  if (!f) return false;
  head->assign(count, '\0');
  head->resize(std::fread(&(*head)[0], 1, count, f));
  const bool read_error = std::ferror(f) != 0;
  std::fclose(f);
  if (read_error) return Refuse(path, "read error", error);
  return true;
}

bool LineReader::Next(std::string_view* line) {
  if (done_) return false;
  const size_t end = rest_.find_first_of("\r\n");
  if (end == std::string_view::npos) {
    done_ = true;
    if (rest_.empty()) return false;  // text ended with a line ending: no further line
    *line = rest_;
    rest_ = {};
  } else {
    *line = rest_.substr(0, end);
    const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
    rest_.remove_prefix(end + (crlf ? 2 : 1));
  }
  ++line_number_;
  return true;
}

FileLineReader::~FileLineReader() {
  if (file_) std::fclose(file_);
}

bool FileLineReader::Open(const std::string& path) {
  path_ = path;
  uint64_t size = 0;
  file_ = OpenChecked(path, &size, &error_);
  return file_ != nullptr;
}

bool FileLineReader::Fill() {
  buffer_.erase(0, start_);
  scanned_ -= start_;
  start_ = 0;
  if (buffer_.size() > kMaxTextLineBytes) {
    error_ = PrintableText(path_) + ":" + std::to_string(line_number_ + 1) + ": line longer than " +
             std::to_string(kMaxTextLineBytes) + " bytes";
    return false;
  }
  char chunk[1 << 16];
  const size_t n = std::fread(chunk, 1, sizeof chunk, file_);
  buffer_.append(chunk, n);
  if (n < sizeof chunk) {
    if (std::ferror(file_)) {
      error_ = PrintableText(path_) + ": read error";
      return false;
    }
    eof_ = true;
  }
  return true;
}

bool FileLineReader::Next(std::string_view* line) {
  if (!file_ || !error_.empty()) return false;
  for (;;) {
    const size_t end = buffer_.find_first_of("\r\n", scanned_);
    // A "\r" at the end of what was read may be the first half of "\r\n": read on first.
    if (end != std::string::npos && (buffer_[end] == '\n' || end + 1 < buffer_.size() || eof_)) {
      *line = std::string_view(buffer_).substr(start_, end - start_);
      const bool crlf = buffer_[end] == '\r' && end + 1 < buffer_.size() && buffer_[end + 1] == '\n';
      start_ = scanned_ = end + (crlf ? 2 : 1);
      ++line_number_;
      return true;
    }
    if (eof_) {
      if (start_ == buffer_.size()) return false;
      *line = std::string_view(buffer_).substr(start_);
      start_ = scanned_ = buffer_.size();
      ++line_number_;
      return true;
    }
    scanned_ = end != std::string::npos ? end : buffer_.size();
    if (!Fill()) return false;
  }
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

std::string QuoteToken(std::string_view token) { return "'" + PrintableText(token, 40) + "'"; }

}  // namespace io_detail
}  // namespace hostapp
