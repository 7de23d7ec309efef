// tavren-host: the command line of the host application. Parses the global options, hands
// the rest to one subcommand and turns its failure into one line on standard error and a
// non-zero exit code.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "hostapp/io/atomic_file.h"
#include "hostapp/scene/console.h"
#include "hostapp/services/printable.h"

namespace {

// in: a parse error. out: the one line the user sees for it.
std::string ParseFailureLine(const CLI::App*, const CLI::Error& e) {
  return "tavren-host: " + hostapp::PrintableText(e.what()) + " (see tavren-host --help)\n";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tavren-host: the host application that runs the Tavren deformer plug-in on meshes and scenes"};
  app.require_subcommand(1);
  app.failure_message(ParseFailureLine);
  std::string plugin;
  app.add_option("--plugin", plugin, "plug-in library to load (default: plugins/tavren beside this program)")
      ->type_name("PATH");

  AddPluginsCommand(app);
  AddDeformCommand(app);
  AddBindCommand(app);
  AddSceneCommands(app);
  AddDemoCommand(app);
  AddRunCommand(app);

  // Ctrl-C or a kill while files are written: the temporary files go, the outputs already
  // complete stay, and no file is left half written under its final name.
  hostapp::RemoveTemporaryFilesOnSignals();

  // The plug-in's start-up banner goes to the host console; commands that show it read it
  // from there, the others keep standard output for their own results.
  hostapp::SetConsoleEcho(false);
  app.parse_complete_callback([&] { tavren_cli::SetPluginOption(argc > 0 ? argv[0] : "tavren-host", plugin); });
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const tavren_cli::CommandError& e) {
    std::fflush(stdout);
    std::cerr << "tavren-host: " << hostapp::PrintableText(e.what()) << std::endl;
    return e.Code();
  } catch (const std::bad_alloc&) {
    std::cerr << "tavren-host: out of memory" << std::endl;
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "tavren-host: " << hostapp::PrintableText(e.what()) << std::endl;
    return 1;
  }
  return 0;
}
