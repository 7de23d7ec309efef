// tavren-host save, load and info: scene files of the host (.tvs). save writes an unbound
// set-up built from a mesh; load checks that a file loads; info describes what it holds.
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

namespace tavren_cli {
namespace {

struct SaveOptions {
  std::string rest;
  std::string out;
  SettingsOptions settings;
};

void RunSave(const SaveOptions& o) {
  const hostapp::Mesh rest = ReadMesh(o.rest);
  const hostapp::BindSettings settings = o.settings.Resolve(rest.points.size());
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::string error;
  std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Build(rest, settings, Stem(o.rest), &error);
  if (!scene) throw CommandError(o.rest + ": " + error);
  if (!hostapp::SaveDocument(scene->GetDocument(), o.out, &error)) throw CommandError(error);
  std::printf("wrote %s (%zu points, live bind tag and deformer)\n", o.out.c_str(), rest.points.size());
}

// in: path. out: the loaded document (the plug-in must be running); throws CommandError
// with the reader's one line when the file is missing or damaged.
std::unique_ptr<hostapp::Document> Load(const std::string& path) {
  std::string error;
  std::unique_ptr<hostapp::Document> doc = hostapp::LoadDocument(path, &error);
  if (!doc) throw CommandError(error);
  return doc;
}

void RunLoad(const std::string& path) {
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::unique_ptr<hostapp::Document> doc = Load(path);
  std::printf("%s: loads: %s\n", path.c_str(), SummaryLine(Summarize(*doc)).c_str());
}

void RunInfo(const std::string& path) {
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::unique_ptr<hostapp::Document> doc = Load(path);
  std::printf("%s\n", path.c_str());
  PrintHierarchy(*doc);
  std::printf("%s\n", SummaryLine(Summarize(*doc)).c_str());
}

}  // namespace
}  // namespace tavren_cli

void AddSceneCommands(CLI::App& app) {
  auto save = std::make_shared<tavren_cli::SaveOptions>();
  CLI::App* cmd =
      app.add_subcommand("save", "save a scene built from a mesh: a live bind tag and a deformer, not bound");
  cmd->add_option("--rest", save->rest, "rest mesh (OBJ)")->required()->type_name("REST.obj");
  cmd->add_option("--out", save->out, "scene file to write")->required()->type_name("FILE.tvs");
  save->settings.AddTo(*cmd);
  cmd->callback([save] { tavren_cli::RunSave(*save); });

  auto load_path = std::make_shared<std::string>();
  cmd = app.add_subcommand("load", "check that a scene file loads, and print a summary");
  cmd->add_option("file", *load_path, "scene file")->required()->type_name("FILE.tvs");
  cmd->callback([load_path] { tavren_cli::RunLoad(*load_path); });

  auto info_path = std::make_shared<std::string>();
  cmd = app.add_subcommand("info", "print the objects, tags and point counts of a scene file");
  cmd->add_option("file", *info_path, "scene file")->required()->type_name("FILE.tvs");
  cmd->callback([info_path] { tavren_cli::RunInfo(*info_path); });
}
