// Placeholder until the demo command is written.
#include <CLI/CLI.hpp>

#include "cli/cli_support.h"
#include "cli/commands.h"

void AddDemoCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("demo", "(not yet available)");
  cmd->callback([] { throw tavren_cli::CommandError("demo: not yet available"); });
}
