// Reading small text formats: a whole file into memory, lines, whitespace-separated
// tokens and locale-independent numbers. Internal to the importers.
#ifndef HOSTAPP_IO_TEXT_SCAN_H
#define HOSTAPP_IO_TEXT_SCAN_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace hostapp {
namespace io_detail {

// Checks an input file before anything is read from it.
// in:  path.  out: true and *size; false with *error "PATH: reason" when the path is
//      missing, is a directory or another non-regular file, or is larger than
//      kMaxInputFileBytes.
bool CheckInputFile(const std::string& path, uint64_t* size, std::string* error);

// Reads a regular file completely, after CheckInputFile.
// in:  path.  out: *data holds the bytes; false with *error "PATH: reason" when the file is
//      refused by CheckInputFile or cannot be read.
bool ReadWholeFile(const std::string& path, std::string* data, std::string* error);

// Reads the first bytes of a regular file, after CheckInputFile.
// in:  path, count.  out: *head, the first count bytes (fewer when the file is shorter),
//      *size the file's size; false with *error as ReadWholeFile.
bool ReadFileHead(const std::string& path, size_t count, std::string* head, uint64_t* size, std::string* error);

// Walks text line by line; a line ends at "\n", "\r\n" or a lone "\r" (old Mac files), or
// at the end of the text. Any other bytes (NUL included) belong to the line.
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

// Reads a file line by line, in pieces, so that a large file never sits in memory whole.
// Lines end as for LineReader. A line longer than kMaxTextLineBytes is refused.
class FileLineReader {
 public:
  FileLineReader() = default;
  ~FileLineReader();
  FileLineReader(const FileLineReader&) = delete;
  FileLineReader& operator=(const FileLineReader&) = delete;

  // in: path. out: false with error() set when the file is refused by CheckInputFile or
  // cannot be opened.
  bool Open(const std::string& path);
  // out: *line, the next line without its ending, valid until the next call; false at the
  // end of the file, or on a failure (then error() is not empty).
  bool Next(std::string_view* line);
  // The 1-based number of the line last returned.
  int64_t line_number() const { return line_number_; }
  // "PATH: reason" or "PATH:LINE: reason" after a failure; empty otherwise.
  const std::string& error() const { return error_; }

 private:
  bool Fill();

  std::string path_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  size_t start_ = 0;    // where the next line starts in buffer_
  size_t scanned_ = 0;  // buffer_[start_, scanned_) holds no line ending
  bool eof_ = false;
  int64_t line_number_ = 0;
  std::string error_;
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

// A token quoted for an error message, shortened and with control bytes escaped
// (PrintableText).
std::string QuoteToken(std::string_view token);

}  // namespace io_detail
}  // namespace hostapp

#endif  // HOSTAPP_IO_TEXT_SCAN_H
