// What every subcommand of tavren-host shares: the failure it reports, the plug-in library
// chosen by the global --plugin option, and starting that library.
#ifndef TAVREN_CLI_CLI_SUPPORT_H
#define TAVREN_CLI_CLI_SUPPORT_H

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "hostapp/app/session.h"

namespace tavren_cli {

// A subcommand's failure: one line for the user (no program name, no line break) and the
// process exit code. main prints "tavren-host: <line>" on standard error.
class CommandError : public std::runtime_error {
 public:
  explicit CommandError(const std::string& line, int code = 1) : std::runtime_error(line), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// in: the program's argv[0] and the value of --plugin (empty when not given). Called once by
// main before the subcommand runs.
void SetPluginOption(const std::string& argv0, const std::string& plugin);
// out: the plug-in library to load: --plugin when given, else hostapp::DefaultPluginPath.
std::string PluginPath();
// Registers the host's built-in deformer types, then opens and starts the plug-in library
// at PluginPath(), so that scenes can be built and scene files read. out: the session; throws
// CommandError naming the library when it cannot be loaded or started.
std::unique_ptr<hostapp::Session> StartPlugin();

// out: the machine's physical memory in bytes; 0 when it cannot be told.
uint64_t PhysicalMemoryBytes();
// Refuses work before its memory is allocated. in: bytes, the estimate of what the work
// needs; available, the memory there is (PhysicalMemoryBytes(); 0: unknown, nothing is
// refused); what, the work ("FILE: 240000 frames of animation"). Throws CommandError naming
// both amounts when bytes exceed available.
void CheckMemory(uint64_t bytes, uint64_t available, const std::string& what);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_CLI_SUPPORT_H
