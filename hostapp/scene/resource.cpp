#include "hostapp/scene/resource.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

#include "hostapp/scene/description.h"

namespace hostapp {

namespace {

// Reads one string table line. in: line (without its break). out: true with *has_entry
// false for a blank or comment line, or with *id and *text for an entry; false with
// *what describing the fault.
bool ParseLine(const std::string& line, bool* has_entry, int32_t* id, std::string* text,
               std::string* what) {
  size_t i = 0;
  auto skip_space = [&] {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  };
  auto at_comment = [&] { return line.compare(i, 2, "//") == 0; };
  skip_space();
  *has_entry = false;
  if (i == line.size() || at_comment()) return true;

  size_t start = i;
  if (line[i] == '-' || line[i] == '+') ++i;
  size_t digits = i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == digits) {
    *what = "expected a string id (a number)";
    return false;
  }
  errno = 0;
  long long value = std::strtoll(line.c_str() + start, nullptr, 10);
  if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
    *what = "string id out of range";
    return false;
  }
  skip_space();
  if (i == line.size() || line[i] != '"') {
    *what = "expected a quoted text after the id";
    return false;
  }
  ++i;
  std::string out;
  bool closed = false;
  while (i < line.size()) {
    char c = line[i++];
    if (c == '"') {
      closed = true;
      break;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i == line.size()) break;
    char e = line[i++];
    switch (e) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      default:
        *what = std::string("unknown escape \\") + e;
        return false;
    }
  }
  if (!closed) {
    *what = "text not closed by a quote";
    return false;
  }
  skip_space();
  if (i < line.size() && line[i] == ';') ++i;
  skip_space();
  if (i < line.size() && !at_comment()) {
    *what = "unexpected text after the string";
    return false;
  }
  *has_entry = true;
  *id = static_cast<int32_t>(value);
  *text = std::move(out);
  return true;
}

}  // namespace

bool ParseStringTable(const std::string& text, const std::string& file,
                      std::map<int32_t, std::string>* strings, std::string* error) {
  std::map<int32_t, std::string> out;
  std::map<int32_t, int> first_line;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool has_entry = false;
    int32_t id = 0;
    std::string value;
    std::string what;
    if (!ParseLine(line, &has_entry, &id, &value, &what)) {
      if (error) *error = file + ":" + std::to_string(number) + ": " + what;
      return false;
    }
    if (!has_entry) continue;
    if (first_line.count(id)) {
      if (error) {
        *error = file + ":" + std::to_string(number) + ": string id " + std::to_string(id) +
                 " defined twice (first on line " + std::to_string(first_line[id]) + ")";
      }
      return false;
    }
    first_line[id] = number;
    out[id] = std::move(value);
  }
  *strings = std::move(out);
  return true;
}

std::unique_ptr<Resource> Resource::Load(const std::string& folder, std::string* error) {
  std::string file = folder.empty() ? std::string(kStringTablePath) : folder + "/" + kStringTablePath;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (error) *error = file + ": cannot open the string table: " + std::strerror(errno);
    return nullptr;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    if (error) *error = file + ": cannot read the string table";
    return nullptr;
  }
  auto res = std::make_unique<Resource>();
  res->folder_ = folder;
  if (!ParseStringTable(text.str(), file, &res->strings_, error)) return nullptr;
  std::string desc_error;
  if (!LoadDescriptionResources(folder, &res->descriptions_, &desc_error)) {
    if (error) *error = desc_error;
    return nullptr;
  }
  PublishDescriptions(res->descriptions_);
  return res;
}

const char* Resource::String(int32_t id) const {
  auto it = strings_.find(id);
  return it == strings_.end() ? "" : it->second.c_str();
}

}  // namespace hostapp
