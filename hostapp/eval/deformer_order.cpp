#include "hostapp/eval/deformer_order.h"

#include "hostapp/scene/object.h"
#include "hostapp/scene/registry.h"

namespace hostapp {

bool IsDeformer(const Object& op) {
  if (const PluginInfo* plugin = op.Plugin()) {
    return plugin->kind == PluginKind::kObject && (plugin->info & C4D_OBJECT_MODIFIER) != 0;
  }
  return op.Type() == C4D_OSKIN || op.Type() == C4D_OPOINTCACHE;
}

std::vector<Object*> DeformersOf(const Object& op) {
  std::vector<Object*> out;
  for (const Object* level = &op; level; level = level->Up()) {
    for (Object* c = level->Down(); c; c = c->Next()) {
      if (IsDeformer(*c)) out.push_back(c);
    }
  }
  return out;
}

}  // namespace hostapp
