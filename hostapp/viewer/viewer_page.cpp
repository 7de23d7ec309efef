#include "hostapp/viewer/viewer_page.h"

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "hostapp/io/atomic_file.h"
#include "hostapp/render/strain_scale.h"

namespace hostapp {

namespace {

constexpr char kDataMarker[] = "@TAVREN_DATA@";

// in: bytes. out: true when they begin like a binary glTF file (magic "glTF", version 2).
bool IsGlb(const std::string& bytes) { return bytes.size() >= 12 && bytes.compare(0, 8, std::string("glTF\2\0\0\0", 8)) == 0; }

}  // namespace

std::string Base64(const std::string& bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) group = group << 8 | (k < n ? static_cast<uint8_t>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

std::string ViewerData(const ViewerInput& input) {
  using nlohmann::json;
  json settings = json::array();
  for (const ViewerSettings& s : input.settings) {
    json entries = json::array();
    for (const ViewerSetting& e : s.entries) entries.push_back({e.label, e.value});
    settings.push_back({{"title", s.title}, {"entries", entries}});
  }
  json stops = json::array();
  for (const StrainStop& s : kStrainStops) stops.push_back({{"at", s.at}, {"r", s.r}, {"g", s.g}, {"b", s.b}});
  const json data = {{"title", input.title},
                     {"skin", Base64(input.skin_glb)},
                     {"corrected", Base64(input.corrected_glb)},
                     {"report", input.report_csv},
                     {"settings", settings},
                     {"strain", {{"max", kStrainScaleMax}, {"stops", stops}}}};
  const std::string text = data.dump(-1, ' ', false, json::error_handler_t::replace);
  // '<' only occurs inside strings, where \u003c reads back as the same character.
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<') {
      out += "\\u003c";
    } else {
      out += c;
    }
  }
  return out;
}

bool MakeViewerPage(const ViewerInput& input, std::string* page, std::string* error) {
  if (!IsGlb(input.skin_glb) || !IsGlb(input.corrected_glb)) {
    *error = std::string("the ") + (IsGlb(input.skin_glb) ? "corrected" : "skin-only") +
             " animation is not a binary glTF 2.0 file";
    return false;
  }
  const std::string tmpl(reinterpret_cast<const char*>(kViewerTemplate), kViewerTemplateSize);
  const size_t at = tmpl.find(kDataMarker);
  if (at == std::string::npos) {
    *error = "the viewer page template of this build has no data marker";
    return false;
  }
  *page = tmpl.substr(0, at) + ViewerData(input) + tmpl.substr(at + sizeof(kDataMarker) - 1);
  return true;
}

bool WriteViewerPage(const std::string& path, const ViewerInput& input, std::string* error) {
  std::string page;
  if (!MakeViewerPage(input, &page, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return WriteFileAtomically(path, page, error);
}

}  // namespace hostapp
