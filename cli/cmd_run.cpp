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
#include "hostapp/app/comparison.h"
#include "hostapp/app/gltf_scene.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/io/gltf.h"
#include "hostapp/scene/document.h"

namespace {

struct RunOptions {
  std::string file;
  std::string out = "tavren-out";
  double fps = 24.0;
  std::string frames;  // "A-B" or "A"; empty: the animation's range
  int iterations = 0;
  bool overlays = false;
  std::string cache;  // "mdd" or "pc2": also write the corrected frames as a point cache
};

// in: text. out: *first, *last from "A-B" or "A" (non-negative integers, A <= B, at most
// 100000 frames); false when the text is not of that form.
bool ParseFrameRange(const std::string& text, int32_t* first, int32_t* last) {
  auto number = [](const std::string& s, int32_t* v) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    *v = static_cast<int32_t>(std::stol(s));
    return true;
  };
  const size_t dash = text.find('-');
  if (dash == std::string::npos) {
    if (!number(text, first)) return false;
    *last = *first;
    return true;
  }
  return number(text.substr(0, dash), first) && number(text.substr(dash + 1), last) && *first <= *last &&
         *last - *first < 100000;
}

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

// in: options. Runs on the file; throws tavren_cli::CommandError on failure.
void RunFile(const RunOptions& options) {
  int32_t first = 0, last = 0;
  const bool range_given = !options.frames.empty();
  if (range_given && !ParseFrameRange(options.frames, &first, &last)) {
    throw tavren_cli::CommandError("--frames " + options.frames + ": expected A-B (whole frames, 0 <= A <= B)");
  }
  hostapp::GltfScene scene;
  std::string error;
  hostapp::GltfReadOptions read_options;
  read_options.require_skinned_mesh = true;
  if (!hostapp::ReadGltf(options.file, &scene, &error, read_options)) throw tavren_cli::CommandError(error);

  std::unique_ptr<hostapp::Session> session = tavren_cli::StartPlugin();
  if (!hostapp::PrepareOutputFolder(options.out, &error)) throw tavren_cli::CommandError(error);

  hostapp::Document doc;  // freed before the session ends the plug-in
  hostapp::Evaluator evaluator(doc);
  const hostapp::GltfDocument built = hostapp::BuildGltfDocument(scene, doc);
  const bool animated = !scene.animations.empty();
  if (!range_given) hostapp::GltfFrameRange(scene, 0, options.fps, &first, &last);
  if (animated) hostapp::AnimateGltfDocument(scene, built, 0, options.fps, first, last, &evaluator.GetAnimation());

  const std::string stem = FileStem(BaseName(options.file));
  hostapp::ComparisonJob job;
  job.out_dir = options.out;
  job.stem = stem;
  std::vector<hostapp::PolygonObject*> meshes;
  for (const hostapp::GltfMeshObjects& m : built.meshes) meshes.push_back(m.mesh);
  if (!hostapp::PlaceAndBindTavren(doc, meshes, options.iterations, &job.placements, &error)) {
    throw tavren_cli::CommandError(options.file + ": " + error);
  }
  std::set<std::string> used;
  for (size_t i = 0; i < job.placements.size(); ++i) {
    std::string s = job.placements.size() == 1 ? stem : stem + "_" + FileStem(job.placements[i].mesh->Name());
    if (!used.insert(s).second) s += "_" + std::to_string(i);
    used.insert(s);
    job.placements[i].stem = s;
  }

  std::printf("%s: %zu skinned mesh%s\n", options.file.c_str(), scene.meshes.size(),
              scene.meshes.size() == 1 ? "" : "es");
  for (size_t i = 0; i < scene.meshes.size(); ++i) {
    const hostapp::GltfSkinnedMesh& m = scene.meshes[i];
    std::printf(
        "  %s: %zu points, %zu triangles, %zu joints; weights normalised on %d of %zu points (%d glTF vertices)",
        built.meshes[i].mesh->Name().c_str(), m.points.size(), m.polygons.size(), scene.skins[m.skin].joints.size(),
        m.normalised_points, m.points.size(), m.normalised_vertices);
    if (m.unweighted_points > 0) std::printf(", %d unweighted points bound to the root joint", m.unweighted_points);
    std::printf("\n");
    if (!built.meshes[i].rest_is_bind_pose) {
      std::printf("  %s: the rest pose is not the bind pose; bound on the bind pose\n",
                  built.meshes[i].mesh->Name().c_str());
    }
  }
  if (animated) {
    const hostapp::GltfAnimation& anim = scene.animations[0];
    std::printf("Animation \"%s\" (%.3f-%.3f s) at %g fps: frames %d-%d\n", anim.name.c_str(), anim.start, anim.end,
                options.fps, first, last);
  } else {
    std::printf("No animation: frames %d-%d show the rest pose\n", first, last);
  }

  for (int32_t f = first; f <= last; ++f) job.frames.push_back(f);
  job.fps = options.fps;
  job.cache_format = options.cache;
  job.picture_frames = hostapp::PictureFrames(job.frames, 3);
  job.picture.draw_overlays = options.overlays;
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
  cmd->add_option("--frames", options->frames, "frames to evaluate, A-B (default: the whole animation)")
      ->type_name("A-B");
  cmd->add_option("--iterations", options->iterations, "smoothing iterations of the bind tags (default: the tag's own)")
      ->check(CLI::Range(1, 1000));
  cmd->add_option("--cache", options->cache,
                  "also write the corrected frames of each mesh as one point cache, <mesh>_corrected.mdd or .pc2")
      ->check(CLI::IsMember({"mdd", "pc2"}))
      ->type_name("mdd|pc2");
  cmd->add_flag("--overlays", options->overlays, "also draw what the deformers draw (their falloff) in the picture");
  cmd->callback([options] { RunFile(*options); });
}
