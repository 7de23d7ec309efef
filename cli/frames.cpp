#include "cli/frames.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <set>

#include "cli/cli_support.h"
#include "hostapp/services/limits.h"
#include "hostapp/services/printable.h"

namespace tavren_cli {
namespace {

// A frame field found in a pattern: where it starts, how long it is, its width and padding.
struct Field {
  size_t at = 0;
  size_t length = 0;
  int width = 0;
  bool zero = false;
};

// in: pattern. out: the fields of the form %[0][width]d; sets *stray when a '%' starts
// anything else but "%%".
std::vector<Field> FindFields(const std::string& p, bool* stray) {
  std::vector<Field> fields;
  *stray = false;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] != '%') continue;
    if (i + 1 < p.size() && p[i + 1] == '%') {
      ++i;
      continue;
    }
    Field f;
    f.at = i;
    size_t j = i + 1;
    if (j < p.size() && p[j] == '0') {
      f.zero = true;
      ++j;
    }
    while (j < p.size() && std::isdigit(static_cast<unsigned char>(p[j])) && f.width < 100)
      f.width = f.width * 10 + (p[j++] - '0');
    if (j < p.size() && p[j] == 'd') {
      f.length = j + 1 - i;
      fields.push_back(f);
      i = j;
    } else {
      *stray = true;
    }
  }
  return fields;
}

// in: text. out: the non-negative integer it spells; false when it spells none.
bool ParseCount(const std::string& text, int64_t* value) {
  if (text.empty() || text.size() > 15) return false;
  int64_t v = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

// in: path. out: the number the file name's stem ends with; false when it ends otherwise.
bool TrailingNumber(const std::string& path, int64_t* value) {
  const std::string stem = std::filesystem::path(path).stem().string();
  size_t start = stem.size();
  while (start > 0 && std::isdigit(static_cast<unsigned char>(stem[start - 1]))) --start;
  return ParseCount(stem.substr(start), value);
}

}  // namespace

FrameRange ParseFrameRange(const std::string& text) {
  FrameRange r;
  const size_t dash = text.find('-');
  const bool ok = dash == std::string::npos
                      ? ParseCount(text, &r.first) && ParseCount(text, &r.last)
                      : ParseCount(text.substr(0, dash), &r.first) && ParseCount(text.substr(dash + 1), &r.last);
  const std::string option = "--frames " + hostapp::PrintableText(text, 40);
  if (!ok) throw CommandError(option + ": expected FIRST-LAST or FRAME (whole numbers from 0), e.g. 1-120");
  if (r.last > kMaxFrameNumber)
    throw CommandError(option + ": frame numbers go up to " + std::to_string(kMaxFrameNumber));
  if (r.first > r.last) throw CommandError(option + ": the first frame comes after the last");
  return r;
}

void CheckFrameCount(int64_t count, const std::string& what) {
  if (count > hostapp::kMaxFramesPerRun) {
    throw CommandError(what + ": " + std::to_string(count) + " frames, but one run evaluates at most " +
                       std::to_string(hostapp::kMaxFramesPerRun) + " (split the frames over several runs)");
  }
}

bool IsFramePattern(const std::string& path) {
  bool stray = false;
  return FindFields(path, &stray).size() == 1 && !stray;
}

std::string ExpandFramePattern(const std::string& pattern, int64_t frame) {
  bool stray = false;
  const std::vector<Field> fields = FindFields(pattern, &stray);
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (!fields.empty() && i == fields[0].at) {
      char digits[32];
      std::snprintf(digits, sizeof digits, "%" PRId64, frame);
      std::string d = digits;
      if (static_cast<int>(d.size()) < fields[0].width)
        d.insert(0, static_cast<size_t>(fields[0].width) - d.size(), fields[0].zero ? '0' : ' ');
      out += d;
      i += fields[0].length - 1;
    } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out += '%';
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::vector<PosedFrame> ListPosedFrames(const std::vector<std::string>& posed, bool has_range,
                                        const FrameRange& range) {
  std::vector<PosedFrame> frames;
  const bool pattern = std::any_of(posed.begin(), posed.end(), [](const std::string& p) { return IsFramePattern(p); });
  if (pattern) {
    if (posed.size() != 1)
      throw CommandError("--posed: a frame pattern (" + posed[0] + ") must be the only posed file");
    if (!has_range) throw CommandError("--posed " + posed[0] + ": a frame pattern needs --frames FIRST-LAST");
    CheckFrameCount(range.last - range.first + 1,
                    "--frames " + std::to_string(range.first) + "-" + std::to_string(range.last));
    for (int64_t f = range.first; f <= range.last; ++f)
      frames.push_back(PosedFrame{f, ExpandFramePattern(posed[0], f)});
    return frames;
  }
  std::set<int64_t> numbers;
  for (const std::string& p : posed) {
    int64_t n = 0;
    if (!TrailingNumber(p, &n) || !numbers.insert(n).second) break;
  }
  const bool numbered = numbers.size() == posed.size();
  for (size_t i = 0; i < posed.size(); ++i) {
    int64_t n = static_cast<int64_t>(i) + 1;
    if (numbered) TrailingNumber(posed[i], &n);
    if (!has_range || (n >= range.first && n <= range.last)) frames.push_back(PosedFrame{n, posed[i]});
  }
  if (frames.empty()) throw CommandError("--frames: no posed file has a frame number in that range");
  std::sort(frames.begin(), frames.end(), [](const PosedFrame& a, const PosedFrame& b) { return a.number < b.number; });
  return frames;
}

std::string FrameOutputPath(const std::string& folder, int64_t frame) {
  return (std::filesystem::path(folder) / ExpandFramePattern("deformed_%04d.obj", frame)).string();
}

}  // namespace tavren_cli
