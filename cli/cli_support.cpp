#include "cli/cli_support.h"

#if defined(_WIN32)
#define NOMINMAX
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>

#include "hostapp/eval/builtins.h"
#include "hostapp/services/strings.h"

namespace tavren_cli {
namespace {

std::string g_argv0;
std::string g_plugin;

}  // namespace

void SetPluginOption(const std::string& argv0, const std::string& plugin) {
  g_argv0 = argv0;
  g_plugin = plugin;
}

std::string PluginPath() { return g_plugin.empty() ? hostapp::DefaultPluginPath(g_argv0) : g_plugin; }

std::unique_ptr<hostapp::Session> StartPlugin() {
  hostapp::RegisterBuiltinDeformers();
  std::string error;
  std::unique_ptr<hostapp::Session> session = hostapp::Session::Start(PluginPath(), &error);
  if (!session) throw CommandError(error);
  return session;
}

uint64_t PhysicalMemoryBytes() {
#if defined(_WIN32)
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? static_cast<uint64_t>(status.ullTotalPhys) : 0;
#else
  const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && page > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(page) : 0;
#endif
}

void CheckMemory(uint64_t bytes, uint64_t available, const std::string& what) {
  if (available == 0 || bytes <= available) return;
  auto text = [](uint64_t n) {
    return hostapp::MemorySizeText(static_cast<int64_t>(std::min<uint64_t>(n, INT64_MAX)));
  };
  throw CommandError(what + " would need about " + text(bytes) + " of memory, more than the " + text(available) +
                     " this machine has");
}

}  // namespace tavren_cli
