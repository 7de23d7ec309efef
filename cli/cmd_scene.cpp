#include <CLI/CLI.hpp>

#include "cli/cli_support.h"
#include "cli/commands.h"

void AddSceneCommands(CLI::App& app) {
  app.add_subcommand("scene", "(not yet available)")->callback([] { throw tavren_cli::CommandError("scene: not yet available"); });
}
