#include "cli/smooth_modes.h"

#include <stdexcept>

#include "res/description/ttavrenres.h"

namespace tavren_cli {

const std::vector<SmoothModeName>& SmoothModes() {
  static const std::vector<SmoothModeName> modes = {
      {"uniform", TTAVREN_SMOOTHTYPE_UNIFORM, "plain average"},
      {"distance", TTAVREN_SMOOTHTYPE_DISTANCE, "edge-length weighted"},
  };
  return modes;
}

std::vector<std::string> SmoothModeNames() {
  std::vector<std::string> names;
  for (const SmoothModeName& m : SmoothModes()) names.emplace_back(m.name);
  return names;
}

std::string SmoothModeHelp() {
  std::string text;
  const std::vector<SmoothModeName>& modes = SmoothModes();
  for (size_t i = 0; i < modes.size(); ++i) {
    if (i > 0) text += i + 1 == modes.size() ? " or " : ", ";
    text += std::string(modes[i].name) + " (" + modes[i].help + ")";
  }
  return text;
}

int32_t SmoothModeValue(const std::string& name) {
  for (const SmoothModeName& m : SmoothModes())
    if (name == m.name) return m.value;
  throw std::invalid_argument("unknown smoothing mode \"" + name + "\"");
}

std::string SmoothModeLabel(int32_t value) {
  for (const SmoothModeName& m : SmoothModes())
    if (value == m.value) return m.name;
  return "unknown (" + std::to_string(value) + ")";
}

}  // namespace tavren_cli
