// The plug-in's entry: c4d_main, start-up with the registration of the command, the
// deformer and the bind tag, the resource, and shut-down.
#include "c4d.h"
#include "caddtavren.h"
#include "otavren.h"
#include "ttavren.h"

#if defined(_WIN32)
#define TAVREN_EXPORT extern "C" __declspec(dllexport)
#else
#define TAVREN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

enum : Int32 { IDS_BANNER = 1004 };

// Successful system initialisations not yet matched by an end.
Int32 g_initCount = 0;
Char* g_pluginPath = nullptr;

Filename PluginFolder() { return g_pluginPath ? Filename(g_pluginPath).GetDirectory() : Filename(); }

// A bitmap loaded from the plug-in's icon folder; a failed load is ignored.
BaseBitmap* BuildIcon(const Char* file) {
  BaseBitmap* icon = BaseBitmap::Alloc();
  if (icon) icon->Init(PluginFolder() + Filename("res") + Filename("icons") + Filename(file), -1);
  return icon;
}

Bool RegisterAddCommand() {
  BaseBitmap* icon = BuildIcon("addtavrencmd.tif");
  ADDTAVRENCMD* command = NewObjClear(ADDTAVRENCMD);
  Bool ok = command != nullptr && RegisterCommandPlugin(ID_ADDTAVRENCMD, GeLoadString(IDS_ADDTAVRENCMD), 0, icon,
                                                        GeLoadString(IDS_ADDTAVRENCMD_HELP), command);
  if (!ok) DeleteObj(command);  // the host took nothing
  BaseBitmap::Free(icon);
  return ok;
}

Bool RegisterNodePlugin(Bool isObject, Int32 id, Int32 nameId, Int32 info, DataAllocator* factory,
                        const Char* description, const Char* iconFile) {
  BaseBitmap* icon = BuildIcon(iconFile);
  const String name(description);
  Bool ok = true;
  if (name.Content()) ok = RegisterDescription(id, name);
  if (ok) {
    ok = isObject ? RegisterObjectPlugin(id, GeLoadString(nameId), info, factory, name, icon, 0)
                  : RegisterTagPlugin(id, GeLoadString(nameId), info, factory, name, icon, 0);
  }
  BaseBitmap::Free(icon);
  return ok;
}

Bool PluginStart() {
  if (!RegisterAddCommand()) return false;
  if (!RegisterNodePlugin(true, ID_OTAVREN, IDS_OTAVREN, OBJECT_MODIFIER | OBJECT_CALL_ADDEXECUTION, OTavren::Alloc,
                          "Otavrendeformer", "tavren_02.tif"))
    return false;
  if (!RegisterNodePlugin(false, ID_TTAVREN, IDS_TTAVREN, TAG_VISIBLE | TAG_MULTIPLE | TAG_EXPRESSION, TTavren::Alloc,
                          "TTavrenres", "tshowtbn.tif"))
    return false;
  GePrint(String("---------------"));
  GePrint(GeLoadString(IDS_BANNER));
  GePrint(String("---------------"));
  return true;
}

void PluginEnd() {
  resource.Free();
  DeleteMem(g_pluginPath);
}

Bool PluginMessage(Int32 id, void*) {
  switch (id) {
    case C4D_MSG_SYSTEM_INIT:
      // Without its own path the plug-in would look for res/ in the current folder.
      return g_pluginPath != nullptr && resource.Init(PluginFolder());
    case C4D_MSG_PRIORITY:
      return true;
    default:
      return false;
  }
}

Int32 InitSystem(void* tables, const void* path) {
  if (g_initCount > 0) {
    ++g_initCount;
    return C4DPL_OK;
  }
  // A refused host leaves nothing behind: a later init starts afresh.
  if (!path || !AttachHostTables(tables)) return C4DPL_ERROR_VERSION;
  g_initCount = 1;
  const Char* text = static_cast<const Char*>(path);
  Int64 len = 0;
  while (text[len] != 0) ++len;
  g_pluginPath = NewMemClear(Char, len + 1);
  if (g_pluginPath)
    for (Int64 i = 0; i < len; ++i) g_pluginPath[i] = text[i];
  return C4DPL_OK;
}

}  // namespace

TAVREN_EXPORT Int32 c4d_main(Int32 action, void* p1, void* p2, void* p3) {
  switch (action) {
    case C4DPL_INIT_SYS:
      return InitSystem(p1, p3);
    case C4DPL_START:
      return PluginStart() ? C4DPL_OK : C4DPL_FAILED;
    case C4DPL_END:
      // An end without a successful init (the host ends what it tried to start) frees nothing.
      if (g_initCount > 0 && --g_initCount == 0) PluginEnd();
      return C4DPL_OK;
    case C4DPL_INIT_VERSION:
      return C4D_PL_INTERFACE_VERSION;
    case C4DPL_MESSAGE:
      return PluginMessage(static_cast<Int32>(reinterpret_cast<intptr_t>(p1)), p2) ? C4DPL_OK : C4DPL_UNHANDLED;
    default:
      return C4DPL_UNHANDLED;
  }
}
