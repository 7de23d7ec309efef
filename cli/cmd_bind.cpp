// tavren-host bind: binds on a rest mesh once and saves the scene (mesh, frozen bind tag,
// deformer) so that later deform --binding runs, on any machine, skip the binding.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/scene_options.h"
#include "hostapp/app/deform_scene.h"
#include "hostapp/scene/scenefile.h"

namespace tavren_cli {
namespace {

struct BindOptions {
  std::string rest;
  std::string out;
  SettingsOptions settings;
};

void RunBind(const BindOptions& o) {
  const hostapp::Mesh rest = ReadMesh(o.rest);
  const hostapp::BindSettings settings = o.settings.Resolve(rest.points.size());
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::string error;
  std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Build(rest, settings, Stem(o.rest), &error);
  if (!scene) throw CommandError(o.rest + ": " + error);
  if (!scene->Bind(&error)) throw CommandError(o.rest + ": " + error);
  if (!hostapp::SaveDocument(scene->GetDocument(), o.out, &error)) throw CommandError(error);
  std::printf("bound %zu points of %s; wrote %s\n", rest.points.size(), o.rest.c_str(), o.out.c_str());
}

}  // namespace
}  // namespace tavren_cli

void AddBindCommand(CLI::App& app) {
  auto o = std::make_shared<tavren_cli::BindOptions>();
  CLI::App* cmd = app.add_subcommand("bind", "bind once on the rest mesh and save the scene for deform --binding");
  cmd->add_option("--rest", o->rest, "rest mesh (OBJ) to bind on")->required()->type_name("REST.obj");
  cmd->add_option("--out", o->out, "scene file to write")->required()->type_name("BINDING.tvs");
  o->settings.AddTo(*cmd);
  cmd->callback([o] { tavren_cli::RunBind(*o); });
}
