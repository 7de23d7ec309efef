// tavren-host bind, save, load and info: scene files of the host (.tvs). bind binds on a rest
// mesh once and saves the scene (mesh, frozen bind tag, deformer) so that later deform
// --binding runs, on any machine, skip the binding; save writes the same set-up unbound; load
// checks that a file loads; info describes what it holds.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/scene_info.h"
#include "cli/scene_options.h"
#include "hostapp/app/deform_scene.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/scenefile.h"
#include "hostapp/services/printable.h"

namespace tavren_cli {
namespace {

// What save and bind both take: the rest mesh, the scene file to write, the tag's settings.
struct SceneOptions {
  std::string rest;
  std::string out;
  SettingsOptions settings;
};

// Builds the scene on the rest mesh (mesh, bind tag with the settings, deformer), binds it when
// `bind` is set (the tag freezes), and saves it atomically.
void BuildAndSave(const SceneOptions& o, bool bind) {
  const hostapp::Mesh rest = ReadMesh(o.rest);
  const hostapp::TagSettings settings = o.settings.Resolve(rest.points.size());
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::string error;
  std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Build(rest, settings, Stem(o.rest), &error);
  if (!scene) throw CommandError(o.rest + ": " + error);
  if (bind && !scene->Bind(&error)) throw CommandError(o.rest + ": " + error);
  if (!hostapp::SaveDocument(scene->GetDocument(), o.out, &error)) throw CommandError(error);
  const std::string rest_name = hostapp::PrintableText(o.rest), out_name = hostapp::PrintableText(o.out);
  if (bind)
    std::printf("bound %zu points of %s; wrote %s\n", rest.points.size(), rest_name.c_str(), out_name.c_str());
  else
    std::printf("wrote %s (%zu points, live bind tag and deformer)\n", out_name.c_str(), rest.points.size());
}

// in: path. out: the loaded document (the plug-in must be running); throws CommandError
// with the reader's one line when the file is missing or damaged.
std::unique_ptr<hostapp::Document> Load(const std::string& path) {
  std::string error;
  std::unique_ptr<hostapp::Document> doc = hostapp::LoadDocument(path, &error);
  if (!doc) throw CommandError(error);
  error = hostapp::BindingFault(*doc, path);
  if (!error.empty()) throw CommandError(error);
  return doc;
}

void RunLoad(const std::string& path) {
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::unique_ptr<hostapp::Document> doc = Load(path);
  std::printf("%s: loads: %s\n", hostapp::PrintableText(path).c_str(), SummaryLine(Summarize(*doc)).c_str());
}

void RunInfo(const std::string& path) {
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::unique_ptr<hostapp::Document> doc = Load(path);
  std::printf("%s\n", hostapp::PrintableText(path).c_str());
  PrintHierarchy(*doc);
  std::printf("%s\n", SummaryLine(Summarize(*doc)).c_str());
}

}  // namespace
}  // namespace tavren_cli

void AddSceneCommands(CLI::App& app) {
  auto save = std::make_shared<tavren_cli::SceneOptions>();
  CLI::App* cmd =
      app.add_subcommand("save", "save a scene built from a mesh: a live bind tag and a deformer, not bound");
  cmd->add_option("--rest", save->rest, "rest mesh (OBJ)")->required()->type_name("REST.obj");
  cmd->add_option("--out", save->out, "scene file to write")->required()->type_name("FILE.tvs");
  save->settings.AddTo(*cmd);
  cmd->callback([save] { tavren_cli::BuildAndSave(*save, false); });

  auto load_path = std::make_shared<std::string>();
  cmd = app.add_subcommand("load", "check that a scene file loads, and print a summary");
  cmd->add_option("file", *load_path, "scene file")->required()->type_name("FILE.tvs");
  cmd->callback([load_path] { tavren_cli::RunLoad(*load_path); });

  auto info_path = std::make_shared<std::string>();
  cmd = app.add_subcommand("info", "print the objects, tags and point counts of a scene file");
  cmd->add_option("file", *info_path, "scene file")->required()->type_name("FILE.tvs");
  cmd->callback([info_path] { tavren_cli::RunInfo(*info_path); });
}

void AddBindCommand(CLI::App& app) {
  auto o = std::make_shared<tavren_cli::SceneOptions>();
  CLI::App* cmd = app.add_subcommand("bind", "bind once on the rest mesh and save the scene for deform --binding");
  cmd->add_option("--rest", o->rest, "rest mesh (OBJ) to bind on")->required()->type_name("REST.obj");
  cmd->add_option("--out", o->out, "scene file to write")->required()->type_name("BINDING.tvs");
  o->settings.AddTo(*cmd);
  cmd->callback([o] { tavren_cli::BuildAndSave(*o, true); });
}
