// Placeholder until the run command is written.
#include <CLI/CLI.hpp>

#include "cli/cli_support.h"
#include "cli/commands.h"

void AddRunCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("run", "(not yet available)");
  cmd->callback([] { throw tavren_cli::CommandError("run: not yet available"); });
}
