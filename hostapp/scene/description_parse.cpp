#include "hostapp/scene/description_parse.h"

#include <set>
#include <utility>
#include <vector>

#include "hostapp/scene/description_tokens.h"

namespace hostapp {

namespace {

using namespace desc_tokens;

// ---------------------------------------------------------------- labels (.str)

struct Label {
  std::string text;
  int line = 0;
};

struct LabelTable {
  std::string name;
  int line = 0;
  std::map<std::string, Label> labels;  // by key as written (a symbol or a number)
};

bool ParseLabels(const SourceText& src, LabelTable* out, std::string* error) {
  std::vector<Token> tokens;
  if (!Tokenize(src.text, src.file, false, &tokens, error)) return false;
  Cursor c(std::move(tokens), src.file, error);
  Token name;
  if (!c.ExpectWord("STRINGTABLE") || !c.ExpectIdent("the description's name", &name)) return false;
  out->name = name.text;
  out->line = name.line;
  const int open = c.Peek().line;
  if (!c.Expect('{', "to open the string table")) return false;
  while (!c.IsPunct('}')) {
    if (c.AtEnd()) return c.Unclosed(open);
    const Token key = c.Next();
    if (key.kind != Token::kIdent && key.kind != Token::kInt)
      return c.Fail(key.line, "expected a label's key (a symbol or a number), found " + Describe(key));
    if (c.Peek().kind != Token::kString)
      return c.Fail(c.Peek().line, "expected the quoted label of '" + key.text + "', found " + Describe(c.Peek()));
    const Token text = c.Next();
    if (!c.Expect(';', "after the label")) return false;
    auto it = out->labels.find(key.text);
    if (it != out->labels.end())
      return c.Fail(key.line, "label for '" + key.text + "' given twice (first on line " +
                                  std::to_string(it->second.line) + ")");
    out->labels[key.text] = Label{text.text, key.line};
  }
  c.Next();
  if (!c.AtEnd()) return c.Fail(c.Peek().line, "unexpected " + Describe(c.Peek()) + " after the string table");
  return true;
}

// ---------------------------------------------------------------- layout (.res)

class ResParser {
 public:
  ResParser(std::vector<Token> tokens, const SourceText& res, const std::string& header_file,
            const std::map<std::string, int32_t>& symbols, const LabelTable& labels, Description* out,
            std::string* error)
      : c_(std::move(tokens), res.file, error), header_file_(header_file), symbols_(symbols),
        labels_(labels), out_(out) {}

  bool Parse() {
    Token name;
    if (!c_.ExpectWord("CONTAINER") || !c_.ExpectIdent("the description's name", &name)) return false;
    out_->name = name.text;
    const int open = c_.Peek().line;
    if (!c_.Expect('{', "to open the CONTAINER")) return false;
    if (!Body(open, 0, -1, true)) return false;
    if (!c_.AtEnd()) return c_.Fail(c_.Peek().line, "unexpected " + Describe(c_.Peek()) + " after the CONTAINER");
    if (!seen_name_) return c_.Fail(name.line, "the CONTAINER has no NAME");
    return true;
  }

  const std::set<std::string>& UsedKeys() const { return used_; }

 private:
  // Entries of a block up to its '}'. in: open (the block's '{' line), group (the id its
  // entries get), group_index (index of the group's entry in params; -1 for the CONTAINER
  // or a group without id), top (the CONTAINER's own block).
  bool Body(int open, int32_t group, int group_index, bool top) {
    while (!c_.IsPunct('}')) {
      if (c_.AtEnd()) return c_.Unclosed(open);
      const Token& t = c_.Peek();
      if (t.kind != Token::kIdent) return c_.Fail(t.line, "expected an entry, found " + Describe(t));
      bool ok = true;
      if (t.text == "NAME" || t.text == "INCLUDE") {
        ok = top ? Header() : c_.Fail(t.line, t.text + " belongs at the top of the CONTAINER");
      } else if (t.text == "COLUMNS") {
        ok = !top ? Columns(group_index) : c_.Fail(t.line, "COLUMNS belongs inside a GROUP");
      } else if (t.text == "GROUP") {
        ok = Group(group);
      } else {
        ok = Entry(group);
      }
      if (!ok) return false;
    }
    c_.Next();
    return true;
  }

  bool Header() {
    const Token word = c_.Next();
    Token name;
    if (!c_.ExpectIdent(word.text == "NAME" ? "the title's key" : "a base description", &name)) return false;
    if (word.text == "NAME") {
      if (seen_name_) return c_.Fail(word.line, "NAME given twice");
      seen_name_ = true;
      if (!LabelOf(name.text, name.line, &out_->title)) return false;
    } else {
      std::vector<DescParameter> base;
      if (!HostBaseDescription(name.text, &base))
        return c_.Fail(name.line, "unknown base description '" + name.text + "'");
      out_->includes.push_back(name.text);
    }
    return c_.Expect(';', "after " + word.text);
  }

  bool Columns(int group_index) {
    c_.Next();
    const Token n = c_.Next();
    if (n.kind != Token::kInt || n.ival < 1 || n.ival > 16)
      return c_.Fail(n.line, "COLUMNS needs a whole number from 1 to 16, found " + Describe(n));
    if (group_index >= 0) out_->params[group_index].columns = static_cast<int32_t>(n.ival);
    return c_.Expect(';', "after COLUMNS");
  }

  bool Group(int32_t parent) {
    const int line = c_.Next().line;
    DescParameter g;
    g.type = DescType::kGroup;
    g.group = parent;
    g.line = line;
    bool named = false;
    const Token id = c_.Peek();
    if (id.kind == Token::kIdent) {
      c_.Next();
      std::string host_label;
      auto sym = symbols_.find(id.text);
      if (sym != symbols_.end()) {
        g.id = sym->second;
        if (!LabelOf(id.text, id.line, &g.label)) return false;
      } else if (HostGroupId(id.text, &g.id, &host_label)) {
        g.label = host_label;
        auto own = labels_.labels.find(id.text);  // the resource may relabel a host group
        if (own != labels_.labels.end()) g.label = own->second.text, used_.insert(id.text);
      } else {
        return c_.Fail(id.line, "unknown id name '" + id.text + "' (not in " + header_file_ + ")");
      }
      g.name = id.text;
      named = true;
    } else if (id.kind == Token::kInt) {
      c_.Next();
      if (!FitsInt32(id.ival) || id.ival <= 0) return c_.Fail(id.line, "bad group id " + id.text);
      g.id = static_cast<int32_t>(id.ival);
      g.name = id.text;
      if (!LabelOf(id.text, id.line, &g.label)) return false;
      named = true;
    }
    const int open = c_.Peek().line;
    if (!c_.Expect('{', "to open the GROUP")) return false;
    int index = -1;
    if (named) {
      if (!Add(g)) return false;
      index = static_cast<int>(out_->params.size()) - 1;
    }
    return Body(open, named ? g.id : parent, index, false);
  }

  bool Entry(int32_t group) {
    const Token word = c_.Next();
    DescParameter p;
    if (!EntryType(word.text, &p.type)) return c_.Fail(word.line, "unknown entry type '" + word.text + "'");
    const Token id = c_.Next();
    if (id.kind == Token::kInt)
      return c_.Fail(id.line, "entry ids are names from " + header_file_ + ", not numbers ('" + id.text + "')");
    if (id.kind != Token::kIdent)
      return c_.Fail(id.line, std::string("expected the id of the ") + word.text + ", found " + Describe(id));
    if (!Symbol(id, &p.id)) return false;
    p.name = id.text;
    p.group = group;
    p.line = word.line;
    if (!LabelOf(id.text, id.line, &p.label)) return false;
    int default_line = word.line;
    if (c_.IsPunct(';')) {
      c_.Next();
    } else {
      const int open = c_.Peek().line;
      if (!c_.Expect('{', "or ';' after the entry's id")) return false;
      std::set<std::string> given;
      while (!c_.IsPunct('}')) {
        if (c_.AtEnd()) return c_.Unclosed(open);
        const Token prop = c_.Next();
        if (prop.kind != Token::kIdent) return c_.Fail(prop.line, "expected a property, found " + Describe(prop));
        if (!given.insert(prop.text).second) return c_.Fail(prop.line, prop.text + " given twice");
        if (prop.text == "DEFAULT") default_line = prop.line;
        if (!Property(prop, &p)) return false;
      }
      c_.Next();
    }
    return Check(p, default_line) && Add(p);
  }

  bool Property(const Token& prop, DescParameter* p) {
    const std::string what = std::string(DescTypeName(p->type)) + " " + p->name;
    const bool ranged = p->type == DescType::kLong || p->type == DescType::kReal || p->type == DescType::kVector;
    if (prop.text == "DEFAULT") return Default(prop, p);
    if (prop.text == "MIN" || prop.text == "MAX" || prop.text == "STEP") {
      if (!ranged) return c_.Fail(prop.line, "a " + what + " takes no " + prop.text);
      double v = 0.0;
      if (!Number(p->type == DescType::kLong, prop.text + " of " + what, &v)) return false;
      (prop.text == "MIN" ? p->min : prop.text == "MAX" ? p->max : p->step) = v;
      return c_.Expect(';', "after " + prop.text);
    }
    if (prop.text == "CYCLE") {
      if (p->type != DescType::kLong) return c_.Fail(prop.line, "only a LONG takes a CYCLE, not a " + what);
      return Cycle(p);
    }
    if (prop.text == "ACCEPT") {
      if (p->type != DescType::kLink && p->type != DescType::kInExclude)
        return c_.Fail(prop.line, "only a LINK or IN_EXCLUDE takes ACCEPT, not a " + what);
      return Accept(p);
    }
    if (prop.text == "SCALE_H") return c_.Expect(';', "after SCALE_H");
    return c_.Fail(prop.line, "unknown property '" + prop.text + "' of " + what);
  }

  bool Default(const Token& prop, DescParameter* p) {
    const std::string what = std::string("DEFAULT of ") + DescTypeName(p->type) + " " + p->name;
    const Token v = c_.Peek();
    if (p->type == DescType::kButton) return c_.Fail(prop.line, "a BUTTON holds no value: it takes no DEFAULT");
    if (v.kind == Token::kIdent && v.text == "UNSET") {
      c_.Next();
      p->default_kind = DescDefault::kUnset;
      if (p->type == DescType::kBool) p->initial = Value(int32_t(0));  // reads as off
    } else if (v.kind == Token::kIdent && v.text == "BYPLUGIN") {
      c_.Next();
      if (p->type != DescType::kString && p->type != DescType::kStaticText)
        return c_.Fail(v.line, "BYPLUGIN is for texts the plug-in writes, not for " + what);
      p->default_kind = DescDefault::kByPlugin;
    } else {
      p->default_kind = DescDefault::kValue;
      switch (p->type) {
        case DescType::kLong:
        case DescType::kBool: {
          int32_t n = 0;
          if (v.kind == Token::kIdent) {
            c_.Next();
            if (!Symbol(v, &n)) return false;
          } else {
            double d = 0.0;
            if (!Number(true, what, &d)) return false;
            n = static_cast<int32_t>(d);
          }
          if (p->type == DescType::kBool && n != 0 && n != 1)
            return c_.Fail(v.line, what + " must be 0 or 1, found " + v.text);
          p->initial = Value(n);
          break;
        }
        case DescType::kReal: {
          double d = 0.0;
          if (!Number(false, what, &d)) return false;
          p->initial = Value(d);
          break;
        }
        case DescType::kVector: {
          double x = 0.0, y = 0.0, z = 0.0;
          if (!Number(false, what, &x) || !Number(false, what, &y) || !Number(false, what, &z)) return false;
          p->initial = Value(C4D_Vector{x, y, z});
          break;
        }
        case DescType::kString:
        case DescType::kStaticText:
          if (v.kind != Token::kString)
            return c_.Fail(v.line, what + " must be a quoted text, UNSET or BYPLUGIN, found " + Describe(v));
          c_.Next();
          p->initial = Value(v.text);
          break;
        default:
          return c_.Fail(v.line, "a " + std::string(DescTypeName(p->type)) + " starts empty: " + what +
                                     " must be UNSET, found " + Describe(v));
      }
    }
    return c_.Expect(';', "after DEFAULT");
  }

  bool Cycle(DescParameter* p) {
    const int open = c_.Peek().line;
    if (!c_.Expect('{', "to open the CYCLE")) return false;
    while (!c_.IsPunct('}')) {
      if (c_.AtEnd()) return c_.Unclosed(open);
      const Token t = c_.Next();
      DescChoice choice;
      if (t.kind == Token::kIdent) {
        if (!Symbol(t, &choice.value)) return false;
      } else if (t.kind == Token::kInt && FitsInt32(t.ival)) {
        choice.value = static_cast<int32_t>(t.ival);
      } else {
        return c_.Fail(t.line, "expected a choice of the CYCLE, found " + Describe(t));
      }
      choice.name = t.text;
      for (const DescChoice& other : p->cycle)
        if (other.value == choice.value)
          return c_.Fail(t.line, "choice " + t.text + " has the value of " + other.name + " (" +
                                     std::to_string(other.value) + ")");
      if (!LabelOf(t.text, t.line, &choice.label)) return false;
      p->cycle.push_back(std::move(choice));
      if (!c_.Expect(';', "after the choice")) return false;
    }
    c_.Next();
    if (p->cycle.empty()) return c_.Fail(open, "a CYCLE needs at least one choice");
    return true;
  }

  bool Accept(DescParameter* p) {
    const int open = c_.Peek().line;
    if (!c_.Expect('{', "to open ACCEPT")) return false;
    while (!c_.IsPunct('}')) {
      if (c_.AtEnd()) return c_.Unclosed(open);
      const Token t = c_.Next();
      int32_t type = 0;
      if (t.kind == Token::kInt && FitsInt32(t.ival) && t.ival > 0) {
        type = static_cast<int32_t>(t.ival);
      } else if (t.kind != Token::kIdent || !HostTypeId(t.text, &type)) {
        return c_.Fail(t.line, "unknown node type " + Describe(t) + " in ACCEPT");
      }
      p->accept.push_back(type);
      if (!c_.Expect(';', "after the accepted type")) return false;
    }
    c_.Next();
    return true;
  }

  // Consistency of one entry. in: p, default_line (where its DEFAULT is, for errors).
  bool Check(const DescParameter& p, int default_line) {
    const std::string what = std::string(DescTypeName(p.type)) + " " + p.name;
    if (p.type != DescType::kButton && p.default_kind == DescDefault::kNone)
      return c_.Fail(p.line, what + " needs a DEFAULT (its value on a new node)");
    if (p.min && p.max && *p.min > *p.max) return c_.Fail(p.line, "MIN of " + what + " is above its MAX");
    if (p.step && !(*p.step > 0.0)) return c_.Fail(p.line, "STEP of " + what + " must be above 0");
    if (p.default_kind != DescDefault::kValue) return true;
    const Value& v = *p.initial;
    const double d = TypeOf(v) == ValueType::kInt32 ? std::get<int32_t>(v)
                     : TypeOf(v) == ValueType::kFloat ? std::get<double>(v) : 0.0;
    const bool scalar = TypeOf(v) == ValueType::kInt32 || TypeOf(v) == ValueType::kFloat;
    if (scalar && ((p.min && d < *p.min) || (p.max && d > *p.max)))
      return c_.Fail(default_line, "DEFAULT of " + what + " lies outside its MIN and MAX");
    if (!p.cycle.empty()) {
      bool offered = false;
      for (const DescChoice& ch : p.cycle) offered |= ch.value == std::get<int32_t>(v);
      if (!offered) return c_.Fail(default_line, "DEFAULT of " + what + " is none of its CYCLE's choices");
    }
    return true;
  }

  bool Add(const DescParameter& p) {
    if (const DescParameter* other = out_->Find(p.id))
      return c_.Fail(p.line, "id " + std::to_string(p.id) + " (" + p.name + ") already declared on line " +
                                 std::to_string(other->line) + " (" + other->name + ")");
    out_->Add(p);
    return true;
  }

  // in: t, a symbol token. out: *v, its value; false when the header has no such name.
  bool Symbol(const Token& t, int32_t* v) {
    auto it = symbols_.find(t.text);
    if (it == symbols_.end()) return c_.Fail(t.line, "unknown id name '" + t.text + "' (not in " + header_file_ + ")");
    *v = it->second;
    return true;
  }

  // Reads a number token. in: whole (a whole number is required), what (for errors).
  bool Number(bool whole, const std::string& what, double* v) {
    const Token t = c_.Next();
    if (t.kind == Token::kInt && (!whole || FitsInt32(t.ival))) {
      *v = t.rval;
      return true;
    }
    if (t.kind == Token::kReal && !whole) {
      *v = t.rval;
      return true;
    }
    if (t.kind == Token::kInt) return c_.Fail(t.line, what + " is out of range, found " + t.text);
    return c_.Fail(t.line, what + (whole ? " must be a whole number" : " must be a number") + ", found " + Describe(t));
  }

  bool LabelOf(const std::string& key, int line, std::string* label) {
    auto it = labels_.labels.find(key);
    if (it == labels_.labels.end()) return c_.Fail(line, "no label for '" + key + "' in its string table");
    used_.insert(key);
    *label = it->second.text;
    return true;
  }

  static bool EntryType(const std::string& word, DescType* type) {
    static const std::pair<const char*, DescType> kTypes[] = {
        {"BUTTON", DescType::kButton}, {"STATICTEXT", DescType::kStaticText}, {"STRING", DescType::kString},
        {"LONG", DescType::kLong},     {"BOOL", DescType::kBool},             {"REAL", DescType::kReal},
        {"VECTOR", DescType::kVector}, {"LINK", DescType::kLink},             {"IN_EXCLUDE", DescType::kInExclude},
    };
    for (const auto& t : kTypes)
      if (word == t.first) return *type = t.second, true;
    return false;
  }

  Cursor c_;
  std::string header_file_;
  const std::map<std::string, int32_t>& symbols_;
  const LabelTable& labels_;
  Description* out_;
  std::set<std::string> used_;
  bool seen_name_ = false;
};

}  // namespace

bool ParseSymbolHeader(const std::string& text, const std::string& file,
                       std::map<std::string, int32_t>* symbols, std::string* error) {
  std::vector<Token> tokens;
  if (!Tokenize(text, file, true, &tokens, error)) return false;
  Cursor c(std::move(tokens), file, error);
  std::map<std::string, int32_t> out;
  while (!c.AtEnd()) {
    if (!c.ExpectWord("enum")) return false;
    if (c.Peek().kind == Token::kIdent) c.Next();  // the enum's own name
    const int open = c.Peek().line;
    if (!c.Expect('{', "to open the enum")) return false;
    int64_t next = 0;
    while (!c.IsPunct('}')) {
      if (c.AtEnd()) return c.Unclosed(open);
      Token name;
      if (!c.ExpectIdent("a symbol name", &name)) return false;
      int64_t value = next;
      if (c.IsPunct('=')) {
        c.Next();
        const Token v = c.Next();
        if (v.kind == Token::kInt) {
          value = v.ival;
        } else if (v.kind == Token::kIdent && out.count(v.text)) {
          value = out[v.text];
        } else {
          return c.Fail(v.line, "expected a whole number or an earlier symbol for " + name.text + ", found " +
                                    Describe(v));
        }
      }
      if (!FitsInt32(value)) return c.Fail(name.line, "value of " + name.text + " out of range");
      if (!out.emplace(name.text, static_cast<int32_t>(value)).second)
        return c.Fail(name.line, "symbol " + name.text + " defined twice");
      next = value + 1;
      if (c.IsPunct(',')) {
        c.Next();
      } else if (!c.IsPunct('}')) {
        return c.Fail(c.Peek().line, "expected ',' or '}' after " + name.text + ", found " + Describe(c.Peek()));
      }
    }
    c.Next();
    if (!c.Expect(';', "after the enum")) return false;
  }
  *symbols = std::move(out);
  return true;
}

bool ParseDescription(const SourceText& res, const SourceText& header, const SourceText& strings,
                      Description* out, std::string* error) {
  std::map<std::string, int32_t> symbols;
  if (!ParseSymbolHeader(header.text, header.file, &symbols, error)) return false;
  LabelTable labels;
  if (!ParseLabels(strings, &labels, error)) return false;
  std::vector<Token> tokens;
  if (!Tokenize(res.text, res.file, false, &tokens, error)) return false;
  if (tokens.size() > 2 && tokens[0].text == "CONTAINER" && tokens[1].kind == Token::kIdent &&
      tokens[1].text != labels.name) {
    *error = At(strings.file, labels.line) + "string table '" + labels.name + "' does not match the CONTAINER '" +
             tokens[1].text + "' of " + res.file;
    return false;
  }
  Description d;
  d.file = res.file;
  ResParser parser(std::move(tokens), res, header.file, symbols, labels, &d, error);
  if (!parser.Parse()) return false;
  for (const auto& [key, label] : labels.labels) {
    if (!parser.UsedKeys().count(key)) {
      *error = At(strings.file, label.line) + "label for '" + key + "', which " + res.file + " does not use";
      return false;
    }
  }
  *out = std::move(d);
  return true;
}

}  // namespace hostapp
