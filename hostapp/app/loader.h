// The plug-in loader: opens a built plug-in library, finds c4d_main and runs the host's
// start-up order: action 1 with the function tables and the library's path, the system
// initialisation message (1), action 2; action 3 when the host closes.
#ifndef HOSTAPP_APP_LOADER_H
#define HOSTAPP_APP_LOADER_H

#include <cstdint>
#include <memory>
#include <string>

#include "host/abi/c4d_abi.h"

namespace hostapp {

class PluginLibrary {
 public:
  // Opens the library at path and finds its entry. out: null with *error set when the file is
  // missing, is not a loadable library, or lacks c4d_main.
  static std::unique_ptr<PluginLibrary> Open(const std::string& path, std::string* error);

  // Runs action 1, message 1 and action 2. out: false with *error naming the step that failed
  // (an answer of -3 to action 1, a resource the plug-in could not load, a failed start-up).
  bool Start(std::string* error);

  // Action 3, once, if Start got past action 1.
  void End();

  // Ends the plug-in; the library itself stays mapped for the life of the process, since the
  // host keeps its registered hooks and nodes may still hold its instances.
  ~PluginLibrary();

  // Calls the entry directly (tests of the entry's answers).
  int32_t Call(int32_t action, void* first, void* second, void* third);

  const std::string& Path() const { return path_; }

 private:
  PluginLibrary() = default;
  void* handle_ = nullptr;
  C4D_MainFn main_ = nullptr;
  std::string path_;
  bool initialised_ = false;
};

// The plug-in library beside an executable of the build tree or of an installation:
// <dir of exe>/../plugins/tavren/tavren.so (or the platform's name). Overridden by the
// environment variable TAVREN_PLUGIN when set.
std::string DefaultPluginPath(const std::string& argv0);

}  // namespace hostapp

#endif
