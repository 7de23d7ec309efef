#include "hostapp/io/float_list.h"

#include <string_view>

#include "hostapp/io/text_scan.h"

namespace hostapp {

bool ReadFloatList(const std::string& path, std::vector<float>* values, std::string* error) {
  std::string text;
  if (!io_detail::ReadWholeFile(path, &text, error)) return false;
  std::vector<float> result;
  io_detail::LineReader lines(text);
  std::string_view line;
  while (lines.Next(&line)) {
    std::string_view token, extra;
    if (!io_detail::NextToken(&line, &token) || token.front() == '#') continue;
    float v;
    const char* fault = nullptr;
    if (!io_detail::ParseFloat(token, &v)) {
      fault = " is not a finite number in float range";
    } else if (io_detail::NextToken(&line, &extra)) {
      fault = " is followed by more text (one number per line)";
    }
    if (fault) {
      if (error)
        *error = path + ":" + std::to_string(lines.line_number()) + ": " + io_detail::QuoteToken(token) + fault;
      return false;
    }
    result.push_back(v);
  }
  *values = std::move(result);
  return true;
}

}  // namespace hostapp
