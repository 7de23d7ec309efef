// Tokens of the description files (.res, .h, .str): words, whole and real numbers, quoted
// texts and the punctuation { } ; , =, each with its line; comments are dropped. A cursor
// walks them and words every failure as "file:line: what".
#ifndef HOSTAPP_SCENE_DESCRIPTION_TOKENS_H
#define HOSTAPP_SCENE_DESCRIPTION_TOKENS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace hostapp {
namespace desc_tokens {

struct Token {
  enum Kind { kIdent, kInt, kReal, kString, kPunct, kEnd };
  Kind kind = kEnd;
  std::string text;  // the word, the number as written, the punctuation, the string's contents
  int line = 0;
  int64_t ival = 0;   // kInt
  double rval = 0.0;  // kInt and kReal
};

// in: file, line. out: "file:line: ", the start of an error.
std::string At(const std::string& file, int line);

// in: text, file, skip_preprocessor (lines starting with '#' are ignored). out: true and
// *out, the tokens ending with kEnd; false with *error "file:line: what" (a bad or
// out-of-range number, an unclosed text or comment, an unknown escape or character).
bool Tokenize(const std::string& text, const std::string& file, bool skip_preprocessor,
              std::vector<Token>* out, std::string* error);

// out: how a token is named in errors ("'LONG'", "a quoted text", "the end of the file").
std::string Describe(const Token& t);

// out: true when v fits a signed 32-bit integer.
inline bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// Walks a token list; every failure writes "file:line: what" to *error.
class Cursor {
 public:
  Cursor(std::vector<Token> tokens, std::string file, std::string* error)
      : tokens_(std::move(tokens)), file_(std::move(file)), error_(error) {}

  const Token& Peek() const { return tokens_[pos_]; }
  const Token& Next() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
  bool AtEnd() const { return Peek().kind == Token::kEnd; }
  bool IsPunct(char c) const { return Peek().kind == Token::kPunct && Peek().text[0] == c; }
  bool IsWord(const char* w) const { return Peek().kind == Token::kIdent && Peek().text == w; }
  const std::string& File() const { return file_; }

  bool Fail(int line, const std::string& what) {
    *error_ = At(file_, line) + what;
    return false;
  }
  // in: c, what (what the punctuation is for). out: false on anything else.
  bool Expect(char c, const std::string& what) {
    if (IsPunct(c)) {
      Next();
      return true;
    }
    return Fail(Peek().line, "expected '" + std::string(1, c) + "' " + what + ", found " + Describe(Peek()));
  }
  bool ExpectWord(const char* w) {
    if (IsWord(w)) {
      Next();
      return true;
    }
    return Fail(Peek().line, std::string("expected ") + w + ", found " + Describe(Peek()));
  }
  bool ExpectIdent(const std::string& what, Token* out) {
    if (Peek().kind != Token::kIdent) return Fail(Peek().line, "expected " + what + ", found " + Describe(Peek()));
    *out = Next();
    return true;
  }
  // in: open, the line of a '{'. out: false (a block that reaches the end of the file).
  bool Unclosed(int open) { return Fail(open, "'{' is never closed"); }

 private:
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  std::string file_;
  std::string* error_;
};

}  // namespace desc_tokens
}  // namespace hostapp

#endif  // HOSTAPP_SCENE_DESCRIPTION_TOKENS_H
