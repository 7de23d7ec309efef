// Reading small text formats: a whole file into memory, lines, whitespace-separated
// tokens and locale-independent numbers. Internal to the importers.
#ifndef HOSTAPP_IO_TEXT_SCAN_H
#define HOSTAPP_IO_TEXT_SCAN_H

#include <cstdint>
#include <string>
#include <string_view>

namespace hostapp {
namespace io_detail {

// Reads a regular file completely.
// in:  path.  out: *data holds the bytes; false with *error "PATH: reason" when the path
//      is missing, is a directory or another non-regular file, or cannot be read.
bool ReadWholeFile(const std::string& path, std::string* data, std::string* error);

// Walks text line by line; accepts "\n" and "\r\n" endings, a last line without one, and
// any bytes (NUL included) inside a line.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {}
  // out: *line, the next line without its ending; false at the end of the text.
  bool Next(std::string_view* line);
  // The 1-based number of the line last returned.
  int64_t line_number() const { return line_number_; }

 private:
  std::string_view rest_;
  int64_t line_number_ = 0;
  bool done_ = false;
};

// in:  *s, text.  out: *token, the next run of non-blank characters (blanks are space,
//      tab, CR, vertical tab, form feed); *s advanced past it. false when only blanks remain.
bool NextToken(std::string_view* s, std::string_view* token);

// Parses a whole token as a decimal number (optional sign, fraction, exponent).
// out: false when the token is not exactly one number, is out of range or not finite.
bool ParseDouble(std::string_view token, double* value);
bool ParseFloat(std::string_view token, float* value);
// Parses a whole token as a decimal integer with optional sign; false on overflow.
bool ParseInt64(std::string_view token, int64_t* value);

// A token quoted for an error message, shortened and with control bytes escaped.
std::string QuoteToken(std::string_view token);

}  // namespace io_detail
}  // namespace hostapp

#endif  // HOSTAPP_IO_TEXT_SCAN_H
