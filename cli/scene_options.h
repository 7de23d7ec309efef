// Options and inputs that deform, bind and save share: the bind tag's settings on the
// command line, and reading the meshes and weights they name.
#ifndef TAVREN_CLI_SCENE_OPTIONS_H
#define TAVREN_CLI_SCENE_OPTIONS_H

#include <string>
#include <vector>

#include "hostapp/app/deform_scene.h"
#include "hostapp/io/mesh.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tavren_cli {

// The bind tag's settings as given on the command line, with the tag's initial values as
// defaults.
struct SettingsOptions {
  int iterations = 2;
  std::string mode = "distance";
  bool pin_border = false;
  double step = 1.0;
  bool smooth_only = false;
  std::string weights;  // file of per-point weights; empty: none

  // Adds --iterations, --mode, --pin-border, --step, --smooth-only and --weights to cmd.
  // out: the added options (for excludes()).
  std::vector<CLI::Option*> AddTo(CLI::App& cmd);
  // in: points, the rest mesh's point count. out: the settings; throws CommandError for
  // an unreadable weights file or one whose count differs from points.
  hostapp::BindSettings Resolve(size_t points) const;
};

// in: path of an OBJ file. out: the mesh; throws
// CommandError with the reader's one line (naming the file, and the line when it applies).
hostapp::Mesh ReadMesh(const std::string& path);

// in: path. out: the file name without folder and extension ("mesh" for "a/mesh.obj").
std::string Stem(const std::string& path);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_SCENE_OPTIONS_H
