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

// The bind tag's smoothing settings as given on the command line (--iterations, --mode,
// --pin-border, --step), shared by every command that binds. The defaults are the initial
// values of the members (a new tag's own unless a command chooses others before AddTo).
struct TagOptions {
  int iterations = 2;
  std::string mode = "distance";
  bool pin_border = false;
  double step = 1.0;

  // Adds the four options to cmd, showing the current values as defaults. out: the added options.
  std::vector<CLI::Option*> AddTo(CLI::App& cmd);
  // out: the settings (no weights, smooth only off); throws CommandError for a step that is
  // not a finite number.
  hostapp::TagSettings Resolve() const;
  // out: the settings in words, e.g. "30 iterations, distance mode, step 1".
  std::string Describe() const;
};

// The bind tag's settings as given to deform, bind and save: the smoothing settings, and
// --smooth-only and --weights.
struct SettingsOptions {
  TagOptions tag;
  bool smooth_only = false;
  std::string weights;  // file of per-point weights; empty: none

  // Adds the TagOptions' options, --smooth-only and --weights to cmd.
  // out: the added options (for excludes()).
  std::vector<CLI::Option*> AddTo(CLI::App& cmd);
  // in: points, the rest mesh's point count. out: the settings; throws CommandError for
  // an unreadable weights file or one whose count differs from points.
  hostapp::TagSettings Resolve(size_t points) const;
};

// in: path of an OBJ file. out: the mesh; throws
// CommandError with the reader's one line (naming the file, and the line when it applies).
hostapp::Mesh ReadMesh(const std::string& path);

// in: path. out: the file name without folder and extension ("mesh" for "a/mesh.obj").
std::string Stem(const std::string& path);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_SCENE_OPTIONS_H
