#include "cli/cli_support.h"

#include "hostapp/eval/builtins.h"

namespace tavren_cli {
namespace {

std::string g_argv0;
std::string g_plugin;

}  // namespace

void SetPluginOption(const std::string& argv0, const std::string& plugin) {
  g_argv0 = argv0;
  g_plugin = plugin;
}

std::string PluginPath() { return g_plugin.empty() ? hostapp::DefaultPluginPath(g_argv0) : g_plugin; }

std::unique_ptr<hostapp::Session> StartPlugin() {
  hostapp::RegisterBuiltinDeformers();
  std::string error;
  std::unique_ptr<hostapp::Session> session = hostapp::Session::Start(PluginPath(), &error);
  if (!session) throw CommandError(error);
  return session;
}

}  // namespace tavren_cli
