// The bind tag's smoothing modes by the names the command line uses: the one place that
// pairs a name with a value of the tag's mode cycle.
#ifndef TAVREN_CLI_SMOOTH_MODES_H
#define TAVREN_CLI_SMOOTH_MODES_H

#include <cstdint>
#include <string>
#include <vector>

namespace tavren_cli {

struct SmoothModeName {
  const char* name;
  int32_t value;     // a TTAVREN_SMOOTHTYPE_* value
  const char* help;  // what the mode does, for the help text
};

// Every mode, in the order of the tag's cycle.
const std::vector<SmoothModeName>& SmoothModes();

// out: the names, for an option's list of allowed values.
std::vector<std::string> SmoothModeNames();

// out: the help line of a --mode option ("uniform (plain average) or distance (...)").
std::string SmoothModeHelp();

// in: name, one of SmoothModeNames(). out: its value; throws std::invalid_argument otherwise.
int32_t SmoothModeValue(const std::string& name);

// in: value as a tag stores it. out: its name, or "unknown (VALUE)" outside the cycle.
std::string SmoothModeLabel(int32_t value);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_SMOOTH_MODES_H
