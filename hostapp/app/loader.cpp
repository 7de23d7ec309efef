#include "hostapp/app/loader.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "hostapp/app/tables.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hostapp {
namespace {

const char* kLibraryName =
#if defined(_WIN32)
    "tavren.cdl64";
#elif defined(__APPLE__)
    "tavren.dylib";
#else
    "tavren.so";
#endif

void* OpenLibrary(const std::string& path, std::string* why) {
#if defined(_WIN32)
  HMODULE h = LoadLibraryA(path.c_str());
  if (!h) *why = "LoadLibrary failed with error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(h);
#else
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = dlerror();
    *why = e ? e : "dlopen failed";
  }
  return h;
#endif
}

void* FindSymbol(void* handle, const char* name) {
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Open(const std::string& path, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    *error = path + ": no such plug-in library";
    return nullptr;
  }
  if (std::filesystem::is_directory(path, ec)) {
    *error = path + ": is a folder, not a plug-in library";
    return nullptr;
  }
  std::string why;
  void* handle = OpenLibrary(path, &why);
  if (!handle) {
    *error = path + ": cannot load the plug-in library: " + why;
    return nullptr;
  }
  void* entry = FindSymbol(handle, C4D_MAIN_SYMBOL);
  if (!entry) {
    *error = path + ": not a plug-in: it has no entry " C4D_MAIN_SYMBOL;
    return nullptr;
  }
  std::unique_ptr<PluginLibrary> lib(new PluginLibrary());
  lib->handle_ = handle;
  lib->main_ = reinterpret_cast<C4D_MainFn>(entry);
  lib->path_ = std::filesystem::absolute(path, ec).string();
  return lib;
}

bool PluginLibrary::Start(std::string* error) {
  const int32_t init =
      main_(C4D_PL_INIT_SYS, const_cast<C4D_HostTables*>(HostTables()), nullptr, const_cast<char*>(path_.c_str()));
  if (init == C4D_PL_ERROR_VERSION) {
    *error = path_ + ": the plug-in refused the host (it needs a newer API version or a path)";
    return false;
  }
  initialised_ = true;
  if (init != C4D_PL_OK) {
    *error = path_ + ": system initialisation answered " + std::to_string(init);
    return false;
  }
  if (main_(C4D_PL_MESSAGE, reinterpret_cast<void*>(static_cast<intptr_t>(C4D_MSG_SYSTEM_INIT)), nullptr, nullptr) !=
      C4D_PL_OK) {
    *error = path_ + ": the plug-in could not load its resources from " +
             std::filesystem::path(path_).parent_path().string() + "/res";
    return false;
  }
  if (main_(C4D_PL_START, nullptr, nullptr, nullptr) != C4D_PL_OK) {
    *error = path_ + ": the plug-in's start-up failed (a registration was refused)";
    return false;
  }
  return true;
}

void PluginLibrary::End() {
  if (initialised_) {
    main_(C4D_PL_END, nullptr, nullptr, nullptr);
    initialised_ = false;
  }
}

PluginLibrary::~PluginLibrary() { End(); }

int32_t PluginLibrary::Call(int32_t action, void* first, void* second, void* third) {
  return main_(action, first, second, third);
}

std::string DefaultPluginPath(const std::string& argv0) {
  if (const char* env = std::getenv("TAVREN_PLUGIN"); env && *env) return env;
  std::error_code ec;
#if defined(_WIN32)
  // Windows has no /proc: the program's own file comes from the module table.
  std::wstring own(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size()));
  std::filesystem::path exe;
  if (n > 0 && n < own.size()) {
    own.resize(n);
    exe = std::filesystem::path(own);
  } else {
    ec = std::make_error_code(std::errc::filename_too_long);
  }
#else
  std::filesystem::path exe = std::filesystem::canonical("/proc/self/exe", ec);
#endif
  if (ec) exe = std::filesystem::absolute(argv0, ec);
  return (exe.parent_path().parent_path() / "plugins" / "tavren" / kLibraryName).string();
}

}  // namespace hostapp
