// Text from files and command lines made safe to print in one line of a message: file
// names, URIs, object names. Control characters (a newline would split the line, an escape
// sequence would reach the terminal) and bytes that are not UTF-8 are written as escapes, and
// a huge data: URI is shortened to its head and its length.
#ifndef HOSTAPP_SERVICES_PRINTABLE_H
#define HOSTAPP_SERVICES_PRINTABLE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace hostapp {

// in: text, any bytes; max_chars, the longest stretch of text kept (0: no limit). out: the
// text with "\n", "\r", "\t" and "\xHH" in place of control characters (C0, DEL and the C1
// range U+0080..U+009F) and of bytes that do not form UTF-8; every data: URI longer than 64
// characters cut to its first 48 and "...(N characters)"; when the result still holds more
// than max_chars characters of text, it is cut there and ends in "...".
// Header-only so that every module that reports on files can use it without a link
// dependency between modules.
inline std::string PrintableText(std::string_view text, size_t max_chars = 0) {
  constexpr size_t kDataUriKept = 48, kDataUriLong = 64;
  std::string out;
  size_t kept = 0;  // characters of text in out
  auto escape = [&](unsigned char c) {
    static const char kHex[] = "0123456789abcdef";
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  };
  size_t i = 0;
  while (i < text.size()) {
    if (max_chars > 0 && kept >= max_chars) {
      out += "...";
      return out;
    }
    if (text.compare(i, 5, "data:") == 0) {
      size_t end = i;
      while (end < text.size() && text[end] > ' ' && text[end] != '\'' && text[end] != '"') ++end;
      if (end - i > kDataUriLong) {
        out += PrintableText(text.substr(i, kDataUriKept));
        out += "...(" + std::to_string(end - i) + " characters)";
        kept += kDataUriKept;
        i = end;
        continue;
      }
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // Length of the UTF-8 sequence c starts, 0 when c cannot start one.
    size_t n = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3 : (c & 0xf8) == 0xf0 ? 4 : 0;
    if (n > 1) {
      bool whole = i + n <= text.size();
      for (size_t k = 1; whole && k < n; ++k) whole = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
      // Overlong forms of the shortest kind and the C1 controls (U+0080..U+009F, written
      // C2 80..C2 9F) are refused as well.
      if (!whole || c == 0xc0 || c == 0xc1 || c > 0xf4 ||
          (c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0)) {
        n = 0;
      }
    }
    if (n == 0 || c < 0x20 || c == 0x7f) {
      escape(c);
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
    ++kept;
  }
  return out;
}

}  // namespace hostapp

#endif  // HOSTAPP_SERVICES_PRINTABLE_H
