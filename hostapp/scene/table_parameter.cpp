// C4D_ParameterTable: parameter access and containers for plug-ins.
#include <new>

#include "hostapp/scene/no_throw.h"
#include "hostapp/scene/node.h"
#include "hostapp/scene/tables.h"

namespace hostapp {

namespace {

bool GetParameter(C4D_Node* node, int32_t id, C4D_Data* out) {
  if (!out) return false;
  if (!node) {
    *out = C4D_Data{};
    return false;
  }
  return FromC(node)->GetParameter(id, out);
}

bool SetParameter(C4D_Node* node, int32_t id, const C4D_Data* value) {
  if (!node || !value) return false;
  return NoThrow(false, [&] { return FromC(node)->SetParameter(id, *value); });
}

C4D_Container* NodeContainer(C4D_Node* node) { return node ? &FromC(node)->Data() : nullptr; }

C4D_Container* ContainerAlloc() { return new (std::nothrow) Container(); }

void ContainerFree(C4D_Container* bc) { delete static_cast<Container*>(bc); }

int32_t ContainerGetInt32(const C4D_Container* bc, int32_t id, int32_t def) {
  return bc ? static_cast<const Container*>(bc)->GetInt32(id, def) : def;
}

bool ContainerSetInt32(C4D_Container* bc, int32_t id, int32_t value) {
  if (!bc) return false;
  return NoThrow(false, [&] {
    static_cast<Container*>(bc)->SetInt32(id, value);
    return true;
  });
}

// Entries are weak references to exact nodes, so identity decides; doc is part of the
// call's shape only.
int32_t InExcludeFindIndex(const C4D_InExclude* list, C4D_Document*, C4D_Node* node) {
  if (!list || !node) return -1;
  return static_cast<const InExclude*>(list)->FindIndex(FromC(node));
}

const C4D_ParameterTable kTable = {
    sizeof(C4D_ParameterTable), GetParameter,      SetParameter,      NodeContainer,
    ContainerAlloc,             ContainerFree,     ContainerGetInt32, ContainerSetInt32,
    InExcludeFindIndex,
};

}  // namespace

const C4D_ParameterTable* ParameterTable() { return &kTable; }

}  // namespace hostapp
