// tavren-host demo: the generated arm, skinned to two joints the way a first skinning pass
// does it (rigidly by default), with the Tavren deformer placed after its skin by the add
// command and bound at the rest pose; the elbow bends to 130 degrees while the forearm twists
// up to 1.5 radians and back. Every frame is evaluated with the deformer and without it, and
// the meshes, the per-frame report, comparison pictures and the scene are written to a folder.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/viewer_page.h"
#include "cli/scene_options.h"
#include "hostapp/app/comparison.h"
#include "hostapp/eval/arm.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/eval/falloff.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/matrix.h"
#include "hostapp/services/limits.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDemoBendDegrees = 130.0;  // the elbow's largest bend
constexpr double kDemoTwist = 1.5;          // the forearm's largest twist, radians
constexpr double kDemoFps = 24.0;

// The weight transitions at the elbow, as a share of the arm's length: rigid (every point on
// one joint), narrow, and smooth (a careful skinning).
const std::map<std::string, double> kSkinBlends = {{"rigid", 0.0}, {"narrow", 0.05}, {"smooth", 0.25}};

struct DemoOptions {
  std::string out = "tavren-out";
  int frames = 25;
  std::string skin = "rigid";
  tavren_cli::TagOptions tag;
  bool overlays = false;
  bool viewer = true;  // also the viewer page
  bool no_gltf = false;  // leave out the animations as .glb
  double falloff_radius = 0;  // > 0: the deformer acts within a sphere around the elbow

  DemoOptions() {
    // Measured on this arm (rigid skin, full bend): from 30 iterations on, the largest edge
    // stretch hardly falls further while the volume keeps shrinking; distance mode keeps
    // the ridges' spacing where uniform mode pulls the caps' fans in.
    tag.iterations = 30;
    tag.mode = "distance";
  }
};

// in: deformer, arm, radius > 0. Limits the deformer to a sphere of that radius around the
// elbow, at full strength within its inner half.
void LimitToElbow(hostapp::Object& deformer, const hostapp::ArmScene& arm, double radius) {
  hostapp::Container& bc = deformer.Data();
  bc.SetInt32(hostapp::kFalloffMode, C4D_FALLOFF_SPHERE);
  bc.SetVector(hostapp::kFalloffSize, C4D_Vector{radius, radius, radius});
  bc.SetFloat(hostapp::kFalloffInner, 0.5);
  C4D_Matrix at_elbow = hostapp::IdentityMatrix();
  at_elbow.off = C4D_Vector{0.5 * arm.length, 0.0, 0.0};
  deformer.SetMl(at_elbow);  // the deformer sits under the mesh, which sits at the origin
}

// in: options. Runs the demo; throws tavren_cli::CommandError on failure.
void RunDemo(const DemoOptions& options) {
  std::unique_ptr<hostapp::Session> session = tavren_cli::StartPlugin();
  std::string error;
  if (!hostapp::PrepareOutputFolder(options.out, &error)) throw tavren_cli::CommandError(error);

  const hostapp::TagSettings settings = options.tag.Resolve();
  hostapp::Document doc;  // freed before the session ends the plug-in
  hostapp::Evaluator evaluator(doc);
  hostapp::ArmOptions arm_options;
  arm_options.blend = kSkinBlends.at(options.skin);
  const hostapp::ArmScene arm = hostapp::MakeArmScene(doc, arm_options);
  // Frames 0 .. N-1 go from the rest pose to the full bend, the twist rising and falling
  // on the way: half a period of the arm's looping motion.
  const double period = 2.0 * (options.frames - 1);
  hostapp::AnimateArm(evaluator.GetAnimation(), arm, period, kDemoBendDegrees * kPi / 180.0, kDemoTwist);
  evaluator.GetAnimation().Apply(0.0);  // the rest pose

  hostapp::ComparisonJob job;
  job.out_dir = options.out;
  job.stem = "arm";
  if (!hostapp::PlaceAndBindTavren(doc, {arm.mesh}, settings, &job.placements, &error)) {
    throw tavren_cli::CommandError("demo: " + error);
  }
  job.placements[0].stem = "arm";
  if (options.falloff_radius > 0) LimitToElbow(*job.placements[0].deformer, arm, options.falloff_radius);
  for (int f = 0; f < options.frames; ++f) job.frames.push_back(f);
  job.fps = kDemoFps;
  job.picture.draw_overlays = options.overlays;
  job.write_gltf = !options.no_gltf;
  job.on_frame = [](const hostapp::FrameReport& row) {
    std::fputs(hostapp::ReportTableRow(row).c_str(), stdout);
    std::fflush(stdout);
  };

  std::printf(
      "Arm: %zu points, %zu polygons, %s skin; the elbow bends 0 to %g degrees over frames 0-%d while the forearm "
      "twists up to %g radians and back\n",
      arm.mesh->Points().size(), arm.mesh->Polygons().size(), options.skin.c_str(), kDemoBendDegrees,
      options.frames - 1, kDemoTwist);
  std::printf("Bind tag: %s\n", options.tag.Describe().c_str());
  std::fputs(hostapp::ReportTableHeader().c_str(), stdout);
  hostapp::ComparisonOutcome outcome;
  if (!hostapp::RunComparison(evaluator, job, &outcome, &error)) throw tavren_cli::CommandError("demo: " + error);
  std::fputs(hostapp::DescribeOutcome(job, outcome).c_str(), stdout);
  if (options.viewer) tavren_cli::WriteViewer(job, outcome);
}

}  // namespace

void AddDemoCommand(CLI::App& app) {
  auto options = std::make_shared<DemoOptions>();
  CLI::App* cmd = app.add_subcommand(
      "demo",
      "bend and twist a generated arm, with and without the Tavren deformer, and write meshes, a report and a picture");
  cmd->add_option("--out", options->out, "folder for the outputs (created when missing)")
      ->type_name("DIR")
      ->capture_default_str();
  cmd->add_option("--frames", options->frames, "number of frames, from the rest pose to the full bend")
      ->check(CLI::Range(int64_t{2}, hostapp::kMaxFramesPerRun))
      ->capture_default_str();
  cmd->add_option("--skin", options->skin,
                  "the arm's skinning at the elbow: rigid (each point on one joint, a first skinning pass), "
                  "narrow (a blend over 5 % of the arm) or smooth (a blend over a quarter of it)")
      ->check(CLI::IsMember({"rigid", "narrow", "smooth"}))
      ->capture_default_str();
  options->tag.AddTo(*cmd);
  cmd->add_option("--falloff-radius", options->falloff_radius,
                  "limit the deformer to a sphere of this radius around the elbow (the arm is 200 long)")
      ->check(CLI::PositiveNumber)
      ->type_name("R");
  cmd->add_flag("--overlays", options->overlays, "also draw what the deformer draws (its falloff) in the picture");
  cmd->add_flag("--no-gltf", options->no_gltf,
               "leave out STEM_skin.glb and STEM_corrected.glb (the animations as glTF morph targets)");
  tavren_cli::AddViewerFlag(cmd, &options->viewer);
  cmd->callback([options] { RunDemo(*options); });
}
