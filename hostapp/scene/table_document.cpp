// C4D_DocumentTable: selections, undo, node creation and insertion, input state.
#include <new>

#include "hostapp/scene/document.h"
#include "hostapp/scene/input.h"
#include "hostapp/scene/lists.h"
#include "hostapp/scene/no_throw.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/tables.h"

namespace hostapp {

namespace {

AtomArray* Arr(C4D_AtomArray* a) { return static_cast<AtomArray*>(a); }
const AtomArray* Arr(const C4D_AtomArray* a) { return static_cast<const AtomArray*>(a); }

C4D_AtomArray* AtomArrayAlloc() { return new (std::nothrow) AtomArray(); }

void AtomArrayFree(C4D_AtomArray* arr) { delete Arr(arr); }

int32_t AtomArrayCount(const C4D_AtomArray* arr) {
  return arr ? static_cast<int32_t>(Arr(arr)->nodes.size()) : 0;
}

C4D_Node* AtomArrayGet(const C4D_AtomArray* arr, int32_t index) {
  if (!arr || index < 0 || index >= AtomArrayCount(arr)) return nullptr;
  return Arr(arr)->nodes[static_cast<size_t>(index)];
}

// A failure to fill the list (out of memory) leaves it empty.
void SelectedObjects(C4D_Document* doc, C4D_AtomArray* arr, bool children, int32_t type) {
  if (!arr) return;
  Arr(arr)->nodes.clear();
  if (!doc) return;
  bool filled = NoThrow(false, [&] {
    for (Object* op : FromC(doc)->SelectedObjects(children, type)) Arr(arr)->nodes.push_back(op);
    return true;
  });
  if (!filled) Arr(arr)->nodes.clear();
}

bool UndoStart(C4D_Document* doc) { return doc && FromC(doc)->StartUndo(); }

bool UndoEnd(C4D_Document* doc) { return doc && FromC(doc)->EndUndo(); }

bool UndoAdd(C4D_Document* doc, int32_t type, C4D_Node* node) {
  if (!doc || !node) return false;
  return NoThrow(false, [&] { return FromC(doc)->AddUndo(type, FromC(node)); });
}

C4D_Node* ObjectAlloc(int32_t type) {
  return NoThrow<C4D_Node*>(nullptr, [&] { return NodeTypes::Global().CreateObject(type).release(); });
}

C4D_Node* TagAlloc(int32_t type) {
  return NoThrow<C4D_Node*>(nullptr, [&] { return NodeTypes::Global().CreateTag(type).release(); });
}

void NodeFree(C4D_Node* node) { delete FromC(node); }

void InsertTag(C4D_Node* op, C4D_Node* tag, C4D_Node* pred) {
  Object* o = ToObject(op);
  Tag* t = ToTag(tag);
  if (o && t) o->InsertTag(t, ToTag(pred));
}

void InsertObject(C4D_Document* doc, C4D_Node* op, C4D_Node* parent, C4D_Node* pred, bool) {
  if (doc && ToObject(op)) FromC(doc)->InsertObject(ToObject(op), ToObject(parent), ToObject(pred));
}

void InsertUnderLast(C4D_Node* op, C4D_Node* parent) {
  Object* o = ToObject(op);
  Object* p = ToObject(parent);
  if (o && p) o->InsertUnderLast(p);
}

bool InputState(int32_t device, int32_t channel, C4D_Container* res) {
  return NoThrow(false, [&] { return QueryInputState(device, channel, static_cast<Container*>(res)); });
}

const C4D_DocumentTable kTable = {
    sizeof(C4D_DocumentTable),
    AtomArrayAlloc,
    AtomArrayFree,
    AtomArrayCount,
    AtomArrayGet,
    SelectedObjects,
    UndoStart,
    UndoEnd,
    UndoAdd,
    ObjectAlloc,
    TagAlloc,
    NodeFree,
    InsertTag,
    InsertObject,
    InsertUnderLast,
    InputState,
};

}  // namespace

const C4D_DocumentTable* DocumentTable() { return &kTable; }

}  // namespace hostapp
