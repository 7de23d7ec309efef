#include "caddtavren.h"

#include "otavren.h"
#include "ttavren.h"

namespace {

enum class Placement { None, UnderObject, UnderParent };

// The placement chosen by the keyboard qualifiers held now: shift alone places the deformer
// under the object, control alone under its parent; anything else (or no answer) places none.
Placement ReadPlacement() {
  AutoAlloc<BaseContainer> state;
  if (!state || !GetInputState(BFM_INPUT_KEYBOARD, BFM_INPUT_CHANNEL, *state)) return Placement::None;
  const Int32 qualifier = state->GetInt32(BFM_INPUT_QUALIFIER, 0);
  if (qualifier == QUALIFIER_SHIFT) return Placement::UnderObject;
  if (qualifier == QUALIFIER_CTRL) return Placement::UnderParent;
  return Placement::None;
}

// The first vertex map tag of op whose selection bit is set, or null.
BaseTag* SelectedVertexMap(BaseObject* op) {
  for (BaseTag* t = op->GetFirstTag(); t; t = t->GetNext())
    if (t->GetType() == Tvertexmap && t->GetBit(BIT_ACTIVE)) return t;
  return nullptr;
}

BaseObject* FirstChildOfType(BaseObject* parent, Int32 type) {
  for (BaseObject* c = parent->GetDown(); c; c = c->GetNext())
    if (c->GetType() == type) return c;
  return nullptr;
}

}  // namespace

Int32 ADDTAVRENCMD::GetState(BaseDocument* doc) {
  AutoAlloc<AtomArray> selection;
  if (!selection) return 0;
  doc->GetActiveObjectsFilter(*selection, true, Opolygon, NOTOK);
  return selection->GetCount() > 0 ? CMD_ENABLED : 0;
}

Bool ADDTAVRENCMD::Execute(BaseDocument* doc) {
  AutoAlloc<AtomArray> selection;
  if (!selection) return false;
  doc->GetActiveObjectsFilter(*selection, true, Opolygon, NOTOK);
  const Int32 count = selection->GetCount();
  if (count == 0) return false;

  const Placement placement = ReadPlacement();
  doc->StartUndo();
  for (Int32 i = 0; i < count; ++i) {
    BaseTag* tag = BaseTag::Alloc(ID_TTAVREN);
    if (!tag) {
      doc->EndUndo();
      return false;
    }
    BaseObject* op = static_cast<BaseObject*>(selection->GetIndex(i));
    if (!op) {
      BaseTag::Free(tag);
      doc->EndUndo();
      return false;
    }
    BaseTag* vertexMap = SelectedVertexMap(op);
    op->InsertTag(tag, nullptr);
    doc->AddUndo(UNDOTYPE_NEW, tag);
    if (vertexMap) {
      GeData link;
      link.SetBaseList2D(vertexMap);
      tag->SetParameter(DescID(TTAVREN_VERTEXMAP), link, DESCFLAGS_SET_0);
    }

    BaseObject* holder = nullptr;
    if (placement == Placement::UnderParent)
      holder = op->GetUp();
    else if (placement == Placement::UnderObject)
      holder = op;
    if (!holder) continue;
    if (FirstChildOfType(holder, ID_OTAVREN)) continue;

    BaseObject* deformer = BaseObject::Alloc(ID_OTAVREN);
    if (!deformer) {
      doc->EndUndo();
      return false;
    }
    BaseObject* skin = FirstChildOfType(holder, Oskin);
    if (skin)
      doc->InsertObject(deformer, nullptr, skin, false);
    else
      deformer->InsertUnderLast(holder);
    doc->AddUndo(UNDOTYPE_NEW, deformer);
  }
  doc->EndUndo();
  EventAdd();
  return true;
}
