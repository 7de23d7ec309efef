// C4D_RegistryTable: resources, console, icons and plug-in registration.
#include <new>
#include <string>

#include "hostapp/scene/bitmap.h"
#include "hostapp/scene/console.h"
#include "hostapp/scene/extensions.h"
#include "hostapp/scene/no_throw.h"
#include "hostapp/scene/registry.h"
#include "hostapp/scene/resource.h"
#include "hostapp/scene/tables.h"

namespace hostapp {

namespace {

C4D_Resource* ResourceLoad(const char* folder) {
  return NoThrow<C4D_Resource*>(nullptr, [&]() -> C4D_Resource* {
    std::string error;
    std::unique_ptr<Resource> res = Resource::Load(folder ? folder : "", &error);
    if (!res) ConsolePrint(error);
    return res.release();
  });
}

void ResourceFree(C4D_Resource* res) { delete static_cast<Resource*>(res); }

const char* ResourceString(const C4D_Resource* res, int32_t id) {
  return res ? static_cast<const Resource*>(res)->String(id) : "";
}

void ConsolePrintLine(const char* line) {
  NoThrow(false, [&] {
    ConsolePrint(line ? line : "");
    return true;
  });
}

C4D_Bitmap* BitmapAlloc() { return new (std::nothrow) Bitmap(); }

void BitmapFree(C4D_Bitmap* bmp) { delete static_cast<Bitmap*>(bmp); }

int32_t BitmapInitFile(C4D_Bitmap* bmp, const char* path, int32_t frame) {
  if (!bmp || !path) return kImageResultFileError;
  return NoThrow(kImageResultFileError,
                 [&] { return static_cast<Bitmap*>(bmp)->InitFromFile(path, frame); });
}

bool RegisterDescription(int32_t id, const char* name, const C4D_Resource*) {
  return NoThrow(false, [&] { return Registry::Global().RegisterDescription(id, name ? name : ""); });
}

bool RegisterCommand(int32_t id, const char* name, int32_t info, C4D_Bitmap* icon, const char* help,
                     const C4D_CommandHooks* hooks) {
  return NoThrow(false, [&] {
    return Registry::Global().RegisterCommand(id, name, info, static_cast<Bitmap*>(icon), help, hooks);
  });
}

bool RegisterObject(int32_t id, const char* name, int32_t info, const C4D_ObjectHooks* hooks,
                    const char* description, C4D_Bitmap* icon, int32_t disk_level) {
  return NoThrow(false, [&] {
    return Registry::Global().RegisterObject(id, name, info, hooks, description,
                                             static_cast<Bitmap*>(icon), disk_level);
  });
}

bool RegisterTag(int32_t id, const char* name, int32_t info, const C4D_TagHooks* hooks,
                 const char* description, C4D_Bitmap* icon, int32_t disk_level) {
  return NoThrow(false, [&] {
    return Registry::Global().RegisterTag(id, name, info, hooks, description,
                                          static_cast<Bitmap*>(icon), disk_level);
  });
}

bool DescriptionLoad(C4D_Description* desc, int32_t type, int32_t flags) {
  return NoThrow(false, [&] { return LoadDescription(desc, type, flags); });
}

const C4D_RegistryTable kTable = {
    sizeof(C4D_RegistryTable),
    ResourceLoad,
    ResourceFree,
    ResourceString,
    ConsolePrintLine,
    BitmapAlloc,
    BitmapFree,
    BitmapInitFile,
    RegisterDescription,
    RegisterCommand,
    RegisterObject,
    RegisterTag,
    DescriptionLoad,
};

}  // namespace

const C4D_RegistryTable* RegistryTable() { return &kTable; }

}  // namespace hostapp
