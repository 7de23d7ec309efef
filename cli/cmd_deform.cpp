#include <CLI/CLI.hpp>

#include "cli/cli_support.h"
#include "cli/commands.h"

void AddDeformCommand(CLI::App& app) {
  app.add_subcommand("deform", "(not yet available)")->callback([] { throw tavren_cli::CommandError("deform: not yet available"); });
}
