#include "cli/viewer_page.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/cli_support.h"
#include "hostapp/app/viewer_output.h"

namespace tavren_cli {

void AddViewerFlag(CLI::App* cmd, bool* on) {
  *on = true;
  cmd->add_flag_callback(
      "--no-viewer", [on] { *on = false; },
      "leave out the viewer page (STEM_viewer.html, skin only and corrected side by side in a browser)");
}

void WriteViewer(const hostapp::ComparisonJob& job, const hostapp::ComparisonOutcome& outcome) {
  if (outcome.skin_gltf_file.empty()) {
    std::printf("  viewer page                left out: it shows the glTF animations (--no-gltf)\n");
    return;
  }
  std::string path, error;
  if (!hostapp::WriteComparisonViewer(job, outcome, &path, &error)) throw CommandError("viewer page: " + error);
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  std::printf("  viewer page                %s\n", path.c_str());
  const std::string shown = ec ? path : absolute.lexically_normal().string();
  std::printf("Open the viewer page in a browser: %s\n", shown.c_str());
}

}  // namespace tavren_cli
