#include "cli/scene_options.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "cli/cli_support.h"
#include "cli/smooth_modes.h"
#include "hostapp/io/float_list.h"
#include "hostapp/io/obj.h"
#include "hostapp/services/limits.h"

namespace tavren_cli {

std::vector<CLI::Option*> TagOptions::AddTo(CLI::App& cmd) {
  std::vector<CLI::Option*> added;
  added.push_back(
      cmd.add_option("--iterations", iterations, "smoothing iterations (0: the deformer leaves the mesh as posed)")
          ->check(CLI::Validator(
              [](std::string& text) {
                if (!text.empty() && text[0] == '-') return std::string("must be 0 or more");
                // Digits beyond the limit's own count are over it, whatever they spell.
                const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
                if (digits && (text.size() > 9 || std::stol(text) > hostapp::kMaxIterations))
                  return "must be at most " + std::to_string(hostapp::kMaxIterations);
                return std::string();
              },
              "", "0-" + std::to_string(hostapp::kMaxIterations)))
          ->capture_default_str());
  added.push_back(
      cmd.add_option("--mode", mode, "smoothing: " + SmoothModeHelp())
          ->check(CLI::IsMember(SmoothModeNames()))
          ->capture_default_str());
  added.push_back(cmd.add_flag("--pin-border", pin_border, "points on open borders keep their place while smoothing"));
  added.push_back(cmd.add_option("--step", step, "factor of each smoothing step")->capture_default_str());
  return added;
}

hostapp::TagSettings TagOptions::Resolve() const {
  hostapp::TagSettings s;
  if (!std::isfinite(step)) throw CommandError("--step must be a finite number");
  s.iterations = iterations;
  s.mode = SmoothModeValue(mode);
  s.pin_border = pin_border;
  s.step = step;
  return s;
}

std::string TagOptions::Describe() const {
  char text[160];
  std::snprintf(text, sizeof text, "%d iteration%s, %s mode, step %g%s", iterations, iterations == 1 ? "" : "s",
                mode.c_str(), step, pin_border ? ", border pinned" : "");
  return text;
}

std::vector<CLI::Option*> SettingsOptions::AddTo(CLI::App& cmd) {
  std::vector<CLI::Option*> added = tag.AddTo(cmd);
  added.push_back(cmd.add_flag("--smooth-only", smooth_only, "output the smoothed mesh without the rest-pose detail"));
  added.push_back(cmd.add_option("--weights", weights, "per-point weights of the smoothing step, one number per line")
                      ->type_name("FILE"));
  return added;
}

hostapp::TagSettings SettingsOptions::Resolve(size_t points) const {
  hostapp::TagSettings s = tag.Resolve();
  s.smooth_only = smooth_only;
  if (!weights.empty()) {
    std::string error;
    if (!hostapp::ReadFloatList(weights, &s.weights, &error)) throw CommandError(error);
    if (s.weights.size() != points) {
      throw CommandError(weights + ": " + std::to_string(s.weights.size()) + " weights, but the rest mesh has " +
                         std::to_string(points) + " points");
    }
  }
  return s;
}

hostapp::Mesh ReadMesh(const std::string& path) {
  hostapp::Mesh mesh;
  std::string error;
  if (!hostapp::ReadObj(path, &mesh, &error)) throw CommandError(error);
  return mesh;
}

std::string Stem(const std::string& path) { return std::filesystem::path(path).stem().string(); }

}  // namespace tavren_cli
