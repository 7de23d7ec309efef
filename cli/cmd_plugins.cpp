// tavren-host plugins: loads the plug-in and lists every registration it made (accepted or
// refused) and the lines it printed on the host console while starting.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "hostapp/scene/console.h"
#include "hostapp/scene/registry.h"

namespace {

// in: kind. out: its name as listed.
const char* KindName(hostapp::PluginKind kind) {
  switch (kind) {
    case hostapp::PluginKind::kCommand:
      return "command";
    case hostapp::PluginKind::kObject:
      return "object";
    case hostapp::PluginKind::kTag:
      return "tag";
  }
  return "?";
}

// in: kind, info flags. out: the flags spelled out, e.g. "visible, multiple, expression".
std::string InfoFlags(hostapp::PluginKind kind, int32_t info) {
  struct Flag {
    int32_t bit;
    const char* name;
  };
  static const Flag kObjectFlags[] = {{C4D_OBJECT_MODIFIER, "modifier"},
                                      {C4D_OBJECT_CALL_ADDEXECUTION, "add-execution"}};
  static const Flag kTagFlags[] = {
      {C4D_TAG_VISIBLE, "visible"}, {C4D_TAG_MULTIPLE, "multiple"}, {C4D_TAG_EXPRESSION, "expression"}};
  std::vector<Flag> flags;
  if (kind == hostapp::PluginKind::kObject) flags.assign(std::begin(kObjectFlags), std::end(kObjectFlags));
  if (kind == hostapp::PluginKind::kTag) flags.assign(std::begin(kTagFlags), std::end(kTagFlags));
  std::string text;
  int32_t rest = info;
  for (const Flag& f : flags) {
    if ((info & f.bit) == 0) continue;
    text += (text.empty() ? "" : ", ") + std::string(f.name);
    rest &= ~f.bit;
  }
  if (rest != 0) text += (text.empty() ? "" : ", ") + std::string("other bits ") + std::to_string(rest);
  return text.empty() ? "none" : text;
}

// in: p, one registration attempt. Prints it as a block of indented lines.
void PrintPlugin(const hostapp::PluginInfo& p) {
  std::printf("%d  %-7s  %s%s\n", p.id, KindName(p.kind), p.name.c_str(), p.registered ? "" : "  (REFUSED)");
  std::printf("    info         %d (%s)\n", p.info, InfoFlags(p.kind, p.info).c_str());
  if (p.kind == hostapp::PluginKind::kCommand) {
    std::printf("    help         %s\n", p.help.c_str());
  } else {
    std::printf("    description  %s\n", p.description.empty() ? "(none)" : p.description.c_str());
    std::printf("    disk level   %d\n", p.disk_level);
  }
  if (p.icon.path.empty()) {
    std::printf("    icon         (none)\n");
  } else if (p.icon.loaded) {
    std::printf("    icon         %s (loaded, %dx%d)\n", p.icon.path.c_str(), p.icon.width, p.icon.height);
  } else {
    std::printf("    icon         %s (NOT loaded)\n", p.icon.path.c_str());
  }
}

}  // namespace

void AddPluginsCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("plugins", "load the plug-in and list what it registered and its start-up banner");
  cmd->callback([] {
    std::unique_ptr<hostapp::Session> session = tavren_cli::StartPlugin();
    std::printf("library  %s\n\n", session->Library().Path().c_str());
    std::printf("console:\n");
    for (const std::string& line : hostapp::ConsoleLines()) std::printf("  %s\n", line.c_str());
    std::printf("\nregistered:\n");
    for (const auto& p : hostapp::Registry::Global().Attempts()) PrintPlugin(*p);
  });
}
