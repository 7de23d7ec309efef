#include "hostapp/scene/description_tokens.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace hostapp {
namespace desc_tokens {

namespace {

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a number starting at text[i]. in: text, i. out: true with *tok filled and i past
// it; false with *what naming the bad number.
bool LexNumber(const std::string& text, size_t& i, Token* tok, std::string* what) {
  const size_t start = i;
  if (text[i] == '-' || text[i] == '+') ++i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  bool real = false;
  if (i < text.size() && text[i] == '.') {
    real = true;
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      real = true;
      i = j;
      while (i < text.size() && IsDigit(text[i])) ++i;
    }
  }
  if (i < text.size() && (IsWordChar(text[i]) || text[i] == '.')) {
    while (i < text.size() && (IsWordChar(text[i]) || text[i] == '.')) ++i;
    *what = "bad number '" + text.substr(start, i - start) + "'";
    return false;
  }
  tok->text = text.substr(start, i - start);
  errno = 0;
  if (real) {
    tok->kind = Token::kReal;
    tok->rval = std::strtod(tok->text.c_str(), nullptr);
    if (errno == ERANGE || !std::isfinite(tok->rval)) {
      *what = "number out of range '" + tok->text + "'";
      return false;
    }
  } else {
    tok->kind = Token::kInt;
    tok->ival = std::strtoll(tok->text.c_str(), nullptr, 10);
    if (errno == ERANGE) {
      *what = "number out of range '" + tok->text + "'";
      return false;
    }
    tok->rval = static_cast<double>(tok->ival);
  }
  return true;
}

}  // namespace

std::string At(const std::string& file, int line) { return file + ":" + std::to_string(line) + ": "; }

bool Tokenize(const std::string& text, const std::string& file, bool skip_preprocessor,
              std::vector<Token>* out, std::string* error) {
  size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  int line = 1;
  bool line_start = true;
  auto fail = [&](int at, const std::string& what) {
    *error = At(file, at) + what;
    return false;
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line, ++i;
      line_start = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
      continue;
    }
    if (c == '#' && line_start && skip_preprocessor) {
      while (i < text.size() && text[i] != '\n') {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\n') ++line, ++i;
        ++i;
      }
      continue;
    }
    line_start = false;
    if (text.compare(i, 2, "//") == 0) {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (text.compare(i, 2, "/*") == 0) {
      const int open = line;
      size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) return fail(open, "comment not closed by */");
      for (size_t k = i; k < end; ++k) line += text[k] == '\n';
      i = end + 2;
      continue;
    }
    Token tok;
    tok.line = line;
    if (c == '"') {
      ++i;
      bool closed = false;
      while (i < text.size() && text[i] != '\n') {
        const char s = text[i++];
        if (s == '"') {
          closed = true;
          break;
        }
        if (s != '\\') {
          tok.text += s;
          continue;
        }
        const char e = i < text.size() ? text[i++] : '\0';
        if (e == '"' || e == '\\') {
          tok.text += e;
        } else if (e == 'n') {
          tok.text += '\n';
        } else if (e == 't') {
          tok.text += '\t';
        } else {
          return fail(line, std::string("unknown escape \\") + e);
        }
      }
      if (!closed) return fail(line, "text not closed by a quote");
      tok.kind = Token::kString;
    } else if (IsDigit(c) || ((c == '-' || c == '+') && i + 1 < text.size() && IsDigit(text[i + 1]))) {
      std::string what;
      if (!LexNumber(text, i, &tok, &what)) return fail(line, what);
    } else if (IsWordChar(c)) {
      while (i < text.size() && IsWordChar(text[i])) tok.text += text[i++];
      tok.kind = Token::kIdent;
    } else if (c == '{' || c == '}' || c == ';' || c == ',' || c == '=') {
      tok.kind = Token::kPunct;
      tok.text = std::string(1, c);
      ++i;
    } else {
      return fail(line, std::string("unexpected character '") + c + "'");
    }
    out->push_back(std::move(tok));
  }
  Token end;
  end.line = line;
  out->push_back(end);
  return true;
}

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Token::kEnd: return "the end of the file";
    case Token::kString: return "a quoted text";
    default: return "'" + t.text + "'";
  }
}

}  // namespace desc_tokens
}  // namespace hostapp
