#include <CLI/CLI.hpp>

#include "cli/cli_support.h"
#include "cli/commands.h"

void AddBindCommand(CLI::App& app) {
  app.add_subcommand("bind", "(not yet available)")->callback([] { throw tavren_cli::CommandError("bind: not yet available"); });
}
