// tavren-host run FILE.gltf: a skinned, animated glTF scene imported into a document (joints,
// weight tags, skin deformers), the Tavren deformer placed after each skin by the add command
// and bound at the rest pose; the animation's frames are evaluated with the deformer and
// without it, and the same outputs as the demo's are written.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/frames.h"
#include "cli/viewer_page.h"
#include "cli/scene_options.h"
#include "hostapp/app/comparison.h"
#include "hostapp/app/gltf_scene.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/io/gltf.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/scenefile.h"
#include "hostapp/services/limits.h"
#include "hostapp/services/printable.h"

namespace {

struct RunOptions {
  std::string file;
  std::string out = "tavren-out";
  double fps = 24.0;
  std::string frames;     // "A-B" or "A"; empty: the animation's range
  std::string animation;  // name or index; empty: the first
  bool list = false;      // list the meshes and animations, run nothing
  tavren_cli::TagOptions tag;
  bool overlays = false;
  bool viewer = true;  // also the viewer page
  bool no_gltf = false;  // leave out the animations as .glb
  std::string cache;  // "mdd" or "pc2": also write the corrected frames as a point cache
};

// in: a name. out: the name with every character other than letters, digits, '-' and '_'
// replaced by '_'; "scene" when nothing is left.
std::string FileStem(const std::string& name) {
  std::string s;
  for (char c : name) s += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
  return s.empty() ? "scene" : s;
}

// in: path. out: its file name without folder and extension.
std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

// in: scene, frames first to last. Throws tavren_cli::CommandError, before anything is
// allocated for the frames, when they would take more memory than the machine has.
void CheckRunMemory(const hostapp::GltfScene& scene, const std::string& file, int64_t first, int64_t last) {
  const uint64_t frames = static_cast<uint64_t>(last - first + 1);
  tavren_cli::CheckMemory(hostapp::GltfRunBytes(scene, 0, frames), tavren_cli::PhysicalMemoryBytes(),
                          hostapp::PrintableText(file) + ": " + std::to_string(frames) + " frames of animation");
}

// in: animation. out: how it is named in messages: "NAME" in quotes, or "(unnamed)".
std::string AnimationName(const hostapp::GltfAnimation& animation) {
  return animation.name.empty() ? std::string("(unnamed)") : "\"" + animation.name + "\"";
}

// in: scene, fps. out: one line per animation: index, name (or "(unnamed)"), its time range
// and the frames that cover it at fps; a line saying there is none when there is none.
std::string AnimationList(const hostapp::GltfScene& scene, double fps) {
  if (scene.animations.empty()) return "Animations: none\n";
  std::string out = "Animations (choose with --animation NAME or INDEX):\n";
  for (size_t i = 0; i < scene.animations.size(); ++i) {
    const hostapp::GltfAnimation& a = scene.animations[i];
    int64_t first = 0, last = 0;
    hostapp::GltfFrameRange(scene, static_cast<int32_t>(i), fps, &first, &last);
    char line[400];
    std::snprintf(line, sizeof line, "  %zu  %s, %.3f-%.3f s (%.3f s), frames %lld-%lld at %g fps\n", i,
                  hostapp::PrintableText(AnimationName(a)).c_str(), a.start, a.end, a.end - a.start,
                  static_cast<long long>(first), static_cast<long long>(last), fps);
    out += line;
  }
  return out;
}

// in: scene, the --animation text (empty: the first), file for messages. out: the index of
// the animation it names, by index or by name (an index wins); throws CommandError listing
// the animations when none matches.
int32_t ChooseAnimation(const hostapp::GltfScene& scene, const std::string& wanted, const std::string& file) {
  if (wanted.empty()) return 0;
  if (scene.animations.empty())
    throw tavren_cli::CommandError("--animation " + wanted + ": " + file + " has no animation");
  const bool digits = wanted.size() < 9 && wanted.find_first_not_of("0123456789") == std::string::npos;
  if (digits && std::stol(wanted) < static_cast<long>(scene.animations.size())) return std::stoi(wanted);
  for (size_t i = 0; i < scene.animations.size(); ++i) {
    if (scene.animations[i].name == wanted) return static_cast<int32_t>(i);
  }
  std::string names;
  for (size_t i = 0; i < scene.animations.size(); ++i) {
    names += (i ? ", " : "") + std::to_string(i) + " " + hostapp::PrintableText(AnimationName(scene.animations[i]));
  }
  throw tavren_cli::CommandError("--animation " + wanted + ": no such animation in " + file + " (it has " + names +
                                 ")");
}

// in: options. Runs on the file; throws tavren_cli::CommandError on failure.
void RunFile(const RunOptions& options) {
  int64_t first = 0, last = 0;
  const bool range_given = !options.frames.empty();
  if (range_given) {
    const tavren_cli::FrameRange range = tavren_cli::ParseFrameRange(options.frames);
    first = range.first;
    last = range.last;
    tavren_cli::CheckFrameCount(last - first + 1, "--frames " + options.frames);
  }
  const hostapp::TagSettings settings = options.tag.Resolve();
  hostapp::GltfScene scene;
  std::string error;
  hostapp::GltfReadOptions read_options;
  read_options.require_skinned_mesh = true;
  read_options.max_depth = hostapp::kSceneMaxDepth;  // the nodes become objects of a scene
  if (!hostapp::ReadGltf(options.file, &scene, &error, read_options)) throw tavren_cli::CommandError(error);

  const std::string animations = AnimationList(scene, options.fps);
  if (options.list) {
    std::printf("%s: %zu skinned mesh%s\n", hostapp::PrintableText(options.file).c_str(), scene.meshes.size(),
                scene.meshes.size() == 1 ? "" : "es");
    std::fputs(animations.c_str(), stdout);
    return;
  }
  const int32_t chosen = ChooseAnimation(scene, options.animation, hostapp::PrintableText(options.file));
  const bool animated = !scene.animations.empty();
  if (animated) {
    int64_t anim_first = 0, anim_last = 0;
    hostapp::GltfFrameRange(scene, chosen, options.fps, &anim_first, &anim_last);
    if (range_given && (first < anim_first || last > anim_last)) {
      throw tavren_cli::CommandError("--frames " + options.frames + ": outside animation " + std::to_string(chosen) +
                                     " " + hostapp::PrintableText(AnimationName(scene.animations[chosen])) +
                                     ", which covers frames " +
                                     std::to_string(anim_first) + "-" + std::to_string(anim_last) + " at " +
                                     CLI::detail::to_string(options.fps) + " fps");
    }
    if (!range_given) {
      first = anim_first;
      last = anim_last;
      if (first < 0 || last > tavren_cli::kMaxFrameNumber || last - first + 1 > hostapp::kMaxFramesPerRun) {
        const hostapp::GltfAnimation& anim = scene.animations[chosen];
        char what[160];
        std::snprintf(what, sizeof what, "the animation (%g-%g s) at %g fps gives frames %lld-%lld", anim.start,
                      anim.end, options.fps, static_cast<long long>(first), static_cast<long long>(last));
        tavren_cli::CheckFrameCount(last - first + 1, hostapp::PrintableText(options.file) + ": " + what);
        throw tavren_cli::CommandError(hostapp::PrintableText(options.file) + ": " + what +
                                       ", outside the frame numbers 0-" + std::to_string(tavren_cli::kMaxFrameNumber) +
                                       " (choose frames with --frames A-B)");
      }
    }
  }
  CheckRunMemory(scene, options.file, first, last);

  std::unique_ptr<hostapp::Session> session = tavren_cli::StartPlugin();
  if (!hostapp::PrepareOutputFolder(options.out, &error)) throw tavren_cli::CommandError(error);

  hostapp::Document doc;  // freed before the session ends the plug-in
  hostapp::Evaluator evaluator(doc);
  const hostapp::GltfDocument built = hostapp::BuildGltfDocument(scene, doc);
  if (animated) {
    hostapp::AnimateGltfDocument(scene, built, chosen, options.fps, static_cast<int32_t>(first),
                                 static_cast<int32_t>(last), &evaluator.GetAnimation());
  }

  const std::string stem = FileStem(BaseName(options.file));
  hostapp::ComparisonJob job;
  job.out_dir = options.out;
  job.stem = stem;
  std::vector<hostapp::PolygonObject*> meshes;
  for (const hostapp::GltfMeshObjects& m : built.meshes) meshes.push_back(m.mesh);
  if (!hostapp::PlaceAndBindTavren(doc, meshes, settings, &job.placements, &error)) {
    throw tavren_cli::CommandError(options.file + ": " + error);
  }
  std::set<std::string> used;
  for (size_t i = 0; i < job.placements.size(); ++i) {
    std::string s = job.placements.size() == 1 ? stem : stem + "_" + FileStem(job.placements[i].mesh->Name());
    if (!used.insert(s).second) s += "_" + std::to_string(i);
    used.insert(s);
    job.placements[i].stem = s;
  }

  std::printf("%s: %zu skinned mesh%s\n", hostapp::PrintableText(options.file).c_str(), scene.meshes.size(),
              scene.meshes.size() == 1 ? "" : "es");
  for (size_t i = 0; i < scene.meshes.size(); ++i) {
    const hostapp::GltfSkinnedMesh& m = scene.meshes[i];
    std::printf(
        "  %s: %zu points, %zu triangles, %zu joints; weights normalised on %d of %zu points (%d glTF vertices)",
        hostapp::PrintableText(built.meshes[i].mesh->Name()).c_str(), m.points.size(), m.polygons.size(),
        scene.skins[m.skin].joints.size(), m.normalised_points, m.points.size(), m.normalised_vertices);
    if (m.unweighted_points > 0) std::printf(", %d unweighted points bound to the root joint", m.unweighted_points);
    std::printf("\n");
    if (!built.meshes[i].rest_is_bind_pose) {
      std::printf("  %s: the rest pose is not the bind pose; bound on the bind pose\n",
                  hostapp::PrintableText(built.meshes[i].mesh->Name()).c_str());
    }
  }
  std::fputs(animations.c_str(), stdout);
  if (animated) {
    const hostapp::GltfAnimation& anim = scene.animations[chosen];
    std::printf("Running animation %d %s (%.3f-%.3f s) at %g fps: frames %lld-%lld\n", chosen,
                hostapp::PrintableText(AnimationName(anim)).c_str(), anim.start, anim.end, options.fps,
                static_cast<long long>(first), static_cast<long long>(last));
  } else {
    std::printf("No animation: frames %lld-%lld show the rest pose\n", static_cast<long long>(first),
                static_cast<long long>(last));
  }
  std::printf("Bind tag%s: %s\n", job.placements.size() == 1 ? "" : "s", options.tag.Describe().c_str());

  for (int64_t f = first; f <= last; ++f) job.frames.push_back(static_cast<int32_t>(f));
  job.fps = options.fps;
  job.cache_format = options.cache;
  job.picture.draw_overlays = options.overlays;
  job.write_gltf = !options.no_gltf;
  job.on_frame = [](const hostapp::FrameReport& row) {
    std::fputs(hostapp::ReportTableRow(row).c_str(), stdout);
    std::fflush(stdout);
  };
  std::fputs(hostapp::ReportTableHeader().c_str(), stdout);
  hostapp::ComparisonOutcome outcome;
  if (!hostapp::RunComparison(evaluator, job, &outcome, &error)) {
    throw tavren_cli::CommandError(options.file + ": " + error);
  }
  std::fputs(hostapp::DescribeOutcome(job, outcome).c_str(), stdout);
  if (options.viewer) tavren_cli::WriteViewer(job, outcome);
}

}  // namespace

void AddRunCommand(CLI::App& app) {
  auto options = std::make_shared<RunOptions>();
  CLI::App* cmd = app.add_subcommand("run",
                                     "run a skinned, animated glTF file with and without the Tavren deformer and write "
                                     "meshes, a report and a picture");
  cmd->add_option("file", options->file, "glTF 2.0 file (.gltf or .glb) with a skinned mesh")
      ->required()
      ->type_name("FILE");
  cmd->add_option("--out", options->out, "folder for the outputs (created when missing)")
      ->type_name("DIR")
      ->capture_default_str();
  cmd->add_option("--fps", options->fps, "frames per second at which the animation is sampled")
      ->check(CLI::Range(0.001, 100000.0))
      ->capture_default_str();
  cmd->add_option("--frames", options->frames,
                  "frames to evaluate, A-B, within the animation's (default: the whole animation)")
      ->type_name("A-B");
  cmd->add_option("--animation", options->animation,
                  "the animation to run, by name or by index (default: the first; see --list)")
      ->type_name("NAME|INDEX");
  cmd->add_flag("--list", options->list, "list the file's animations (index, name, duration, frames) and stop");
  options->tag.AddTo(*cmd);
  cmd->add_option("--cache", options->cache,
                  "also write the corrected frames of each mesh as one point cache, <mesh>_corrected.mdd or .pc2")
      ->check(CLI::IsMember({"mdd", "pc2"}))
      ->type_name("mdd|pc2");
  cmd->add_flag("--overlays", options->overlays, "also draw what the deformers draw (their falloff) in the picture");
  cmd->add_flag("--no-gltf", options->no_gltf,
               "leave out STEM_skin.glb and STEM_corrected.glb (the animations as glTF morph targets)");
  tavren_cli::AddViewerFlag(cmd, &options->viewer);
  cmd->callback([options] { RunFile(*options); });
}
