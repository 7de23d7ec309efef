// tavren-host deform: binds on a rest mesh (or loads a binding made by bind) and deforms one
// posed mesh into an OBJ file, or a sequence of posed meshes into a folder of frame-numbered
// OBJ files.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/frames.h"
#include "cli/progress.h"
#include "cli/scene_options.h"
#include "hostapp/app/deform_scene.h"
#include "hostapp/io/obj.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/scenefile.h"
#include "hostapp/services/printable.h"

namespace tavren_cli {
namespace {

constexpr char kDefaultOutFolder[] = "tavren-out";

struct DeformOptions {
  std::string rest;
  std::string binding;
  std::vector<std::string> posed;
  std::string out;
  std::string frames;
  SettingsOptions settings;
};

// in: o, frame_count. out: true when the outputs go into a folder of frame-numbered files,
// false when the one output goes to the file --out names (one frame, no --frames, and an
// --out ending in ".obj" that is no folder). Throws CommandError for several frames and an
// --out that names an .obj file.
bool WritesFolder(const DeformOptions& o, size_t frame_count) {
  std::error_code ec;
  const bool obj_name = o.out.size() > 4 && o.out.compare(o.out.size() - 4, 4, ".obj") == 0;
  if (o.out.empty() || !obj_name || std::filesystem::is_directory(o.out, ec)) return true;
  if (frame_count > 1 || !o.frames.empty())
    throw CommandError("--out " + o.out + ": several frames go into a folder, not into one .obj file");
  return false;
}

// Creates the output folder when missing and removes it again on a failure before any
// frame was written, so that a failed run leaves nothing behind.
class OutputFolder {
 public:
  // in: path. Throws CommandError when it cannot be made or a file is in its place.
  explicit OutputFolder(const std::string& path) : path_(path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return;
    if (std::filesystem::exists(path, ec)) throw CommandError(path + ": is a file, not a folder for the outputs");
    // Runs in parallel may create it at the same time: only the one that made it removes it.
    created_ = std::filesystem::create_directories(path, ec);
    if (ec) throw CommandError(path + ": cannot create the output folder: " + ec.message());
  }
  ~OutputFolder() {
    std::error_code ec;
    if (created_ && !kept_) std::filesystem::remove(path_, ec);  // only removes it while empty
  }
  // Keeps the folder: a frame was written into it.
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool created_ = false;
  bool kept_ = false;
};

// in: frames. Throws CommandError naming the first posed file that is missing, so that a
// sequence with a gap fails before any work is done.
void CheckPosedFilesExist(const std::vector<PosedFrame>& frames) {
  for (const PosedFrame& f : frames) {
    std::error_code ec;
    if (!std::filesystem::exists(f.path, ec))
      throw CommandError(f.path + ": no such file (posed mesh of frame " + std::to_string(f.number) + ")");
  }
}

// in: o (with --rest or --binding). out: the scene ready to deform: built and bound on the
// rest mesh, or loaded from the binding file. The plug-in must be running.
std::unique_ptr<hostapp::DeformScene> MakeScene(const DeformOptions& o, const hostapp::Mesh* rest) {
  std::string error;
  if (!o.binding.empty()) {
    std::unique_ptr<hostapp::Document> doc = hostapp::LoadDocument(o.binding, &error);
    if (!doc) throw CommandError(error);
    std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Adopt(std::move(doc), o.binding, &error);
    if (!scene) throw CommandError(error);
    return scene;
  }
  const hostapp::TagSettings settings = o.settings.Resolve(rest->points.size());
  std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Build(*rest, settings, Stem(o.rest), &error);
  if (!scene) throw CommandError(o.rest + ": " + error);
  if (!scene->Bind(&error)) throw CommandError(o.rest + ": " + error);
  return scene;
}

// in: scene, frame, out_path. Reads the frame's posed mesh, evaluates and writes the
// deformed mesh (with the rest mesh's polygons) atomically. Throws CommandError.
void DeformFrame(hostapp::DeformScene& scene, const PosedFrame& frame, const std::string& out_path) {
  const hostapp::Mesh posed = ReadMesh(frame.path);
  std::string error;
  if (!scene.SetPose(posed, frame.path, &error)) throw CommandError(error);
  hostapp::Mesh result;
  if (!scene.Evaluate(&result.points, &error)) throw CommandError(frame.path + ": " + error);
  for (size_t i = 0; i < result.points.size(); ++i) {
    const C4D_Vector& p = result.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      throw CommandError(frame.path + ": the deformation gave point " + std::to_string(i) +
                         " a coordinate that is not finite");
  }
  result.polygons = scene.MeshObject().Polygons();
  if (!hostapp::WriteObj(out_path, result, &error)) throw CommandError(error);
}

void RunDeform(const DeformOptions& o) {
  if (o.rest.empty() && o.binding.empty())
    throw CommandError("deform needs --rest REST.obj (bind now) or --binding SCENE.tvs (a binding made by bind)");
  if (!o.rest.empty() && !o.binding.empty())
    throw CommandError("deform takes --rest or --binding, not both (the binding holds its own rest mesh)");
  const bool has_range = !o.frames.empty();
  const FrameRange range = has_range ? ParseFrameRange(o.frames) : FrameRange{};
  const std::vector<PosedFrame> frames = ListPosedFrames(o.posed, has_range, range);
  CheckPosedFilesExist(frames);
  const bool folder = WritesFolder(o, frames.size());
  const std::string out = o.out.empty() ? kDefaultOutFolder : o.out;

  hostapp::Mesh rest;
  if (!o.rest.empty()) rest = ReadMesh(o.rest);
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::unique_ptr<hostapp::DeformScene> scene = MakeScene(o, &rest);
  if (!folder) {
    DeformFrame(*scene, frames[0], out);
    std::printf("wrote %s (%zu points)\n", hostapp::PrintableText(out).c_str(), scene->MeshObject().Points().size());
    return;
  }
  OutputFolder folder_guard(out);
  Progress progress(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::string path = FrameOutputPath(out, frames[i].number);
    try {
      DeformFrame(*scene, frames[i], path);
    } catch (const CommandError& e) {
      // The frames written are complete and right: they stay, so that a run over the frames
      // from this one on finishes the sequence.
      if (i == 0) throw;
      throw CommandError(std::string(e.what()) + " (frame " + std::to_string(frames[i].number) + "; the " +
                             std::to_string(i) + (i == 1 ? " frame written before it stays in " :
                                                            " frames written before it stay in ") + out + ")",
                         e.Code());
    }
    folder_guard.Keep();
    progress.Step(i + 1, "frame " + std::to_string(frames[i].number) + ": " + path);
  }
  progress.Finish();
  std::printf("wrote %zu frame%s to %s\n", frames.size(), frames.size() == 1 ? "" : "s",
              hostapp::PrintableText(out).c_str());
}

}  // namespace
}  // namespace tavren_cli

void AddDeformCommand(CLI::App& app) {
  auto o = std::make_shared<tavren_cli::DeformOptions>();
  CLI::App* cmd = app.add_subcommand(
      "deform",
      "bind on the rest mesh (or load a binding), then deform posed meshes: the posed shape, smoothed, with the "
      "rest-pose detail put back");
  cmd->add_option("--rest", o->rest, "rest mesh (OBJ) to bind on")->type_name("REST.obj");
  CLI::Option* binding =
      cmd->add_option("--binding", o->binding, "scene file written by bind, used instead of binding again")
          ->type_name("SCENE.tvs");
  cmd->add_option("--posed", o->posed,
                  "posed mesh(es) (OBJ, same points and faces as the rest mesh); several files, or one pattern "
                  "such as posed_%04d.obj with --frames")
      ->required()
      ->type_name("POSED.obj");
  cmd->add_option("--out", o->out,
                  "output: a file NAME.obj for one posed mesh; else a folder (default tavren-out/) of "
                  "deformed_NNNN.obj named by frame number")
      ->type_name("OUT");
  cmd->add_option("--frames", o->frames, "frames FIRST-LAST: fills a --posed pattern, or picks among numbered files")
      ->type_name("A-B");
  for (CLI::Option* opt : o->settings.AddTo(*cmd)) opt->excludes(binding);
  cmd->callback([o] { tavren_cli::RunDeform(*o); });
}
