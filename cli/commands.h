// The subcommands of tavren-host. Each Add*Command adds one subcommand to the application
// (with its options, --help and a callback that does the work) and is called once by main.
//
// How a subcommand reports: its callback writes results to standard output and returns on
// success; on failure it throws tavren_cli::CommandError (cli/cli_support.h) with ONE line
// naming the problem and the file; main prints "tavren-host: <line>" to standard error and
// exits with the error's code (1 unless given). The global option --plugin PATH is read
// through tavren_cli::PluginPath(); tavren_cli::StartPlugin() opens and starts the library.
#ifndef TAVREN_CLI_COMMANDS_H
#define TAVREN_CLI_COMMANDS_H

namespace CLI {
class App;
}

// cli/cmd_plugins.cpp: what the plug-in registered, and its start-up banner.
void AddPluginsCommand(CLI::App& app);
// cli/cmd_deform.cpp: binds on a rest mesh and deforms posed meshes (one or a sequence).
void AddDeformCommand(CLI::App& app);
// cli/cmd_scene.cpp: binds once and saves the scene for later deform --binding runs.
void AddBindCommand(CLI::App& app);
// cli/cmd_scene.cpp: save, load and info on scene files.
void AddSceneCommands(CLI::App& app);
// cli/cmd_demo.cpp: the demo.
void AddDemoCommand(CLI::App& app);
// cli/cmd_run.cpp: run on files.
void AddRunCommand(CLI::App& app);

#endif  // TAVREN_CLI_COMMANDS_H
