// C4D_SceneTable: node identity, hierarchy, tags, bits and states for plug-ins.
#include "hostapp/scene/document.h"
#include "hostapp/scene/input.h"
#include "hostapp/scene/lists.h"
#include "hostapp/scene/no_throw.h"
#include "hostapp/scene/tables.h"

namespace hostapp {

namespace {

int32_t NodeType(C4D_Node* node) { return node ? FromC(node)->Type() : 0; }

void* NodeInstance(C4D_Node* node) { return node ? FromC(node)->Instance() : nullptr; }

C4D_Document* NodeDocument(C4D_Node* node) { return node ? FromC(node)->GetDocument() : nullptr; }

bool NodeGetBit(C4D_Node* node, int32_t bit) { return node && FromC(node)->GetBit(bit); }

void NodeSetBit(C4D_Node* node, int32_t bit, bool on) {
  if (node) FromC(node)->SetBit(bit, on);
}

void NodeSetDirty(C4D_Node* node, int32_t) {
  if (node) FromC(node)->SetDirty();
}

bool NodeMessage(C4D_Node* node, int32_t type, void* data) {
  return node && FromC(node)->Message(type, data);
}

C4D_Node* ObjectUp(C4D_Node* op) {
  Object* o = ToObject(op);
  return o ? o->Up() : nullptr;
}

C4D_Node* ObjectDown(C4D_Node* op) {
  Object* o = ToObject(op);
  return o ? o->Down() : nullptr;
}

C4D_Node* ObjectNext(C4D_Node* op) {
  Object* o = ToObject(op);
  return o ? o->Next() : nullptr;
}

C4D_Node* ObjectFirstTag(C4D_Node* op) {
  Object* o = ToObject(op);
  return o ? o->FirstTag() : nullptr;
}

C4D_Node* TagNext(C4D_Node* tag) {
  Tag* t = ToTag(tag);
  return t ? t->Next() : nullptr;
}

C4D_Node* TagObject(C4D_Node* tag) {
  Tag* t = ToTag(tag);
  return t ? t->GetObject() : nullptr;
}

C4D_Node* TagOrigin(C4D_Node* tag) {
  Tag* t = ToTag(tag);
  return t ? t->Origin() : nullptr;
}

bool ObjectGetState(C4D_Node* op, int32_t state) {
  Object* o = ToObject(op);
  return o && o->GetState(state);
}

void ObjectSetState(C4D_Node* op, int32_t state, bool on) {
  if (Object* o = ToObject(op)) o->SetState(state, on);
}

void ObjectGlobalMatrix(C4D_Node* op, C4D_Matrix* out) {
  if (!out) return;
  Object* o = ToObject(op);
  *out = o ? o->Mg() : C4D_Matrix{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
}

bool PriorityAdd(C4D_PriorityList* list, C4D_Node* op, int32_t priority, int32_t flags) {
  if (!list || !op) return false;
  return NoThrow(false, [&] {
    static_cast<PriorityList*>(list)->Add(FromC(op), priority, flags);
    return true;
  });
}

void EventAdd(int32_t) { AddEvent(); }

const C4D_SceneTable kTable = {
    sizeof(C4D_SceneTable),
    NodeType,
    NodeInstance,
    NodeDocument,
    NodeGetBit,
    NodeSetBit,
    NodeSetDirty,
    NodeMessage,
    ObjectUp,
    ObjectDown,
    ObjectNext,
    ObjectFirstTag,
    TagNext,
    TagObject,
    TagOrigin,
    ObjectGetState,
    ObjectSetState,
    ObjectGlobalMatrix,
    PriorityAdd,
    EventAdd,
};

}  // namespace

const C4D_SceneTable* SceneTable() { return &kTable; }

}  // namespace hostapp
