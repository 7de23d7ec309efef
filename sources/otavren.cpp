#include "otavren.h"

#include "tavrenthreads.h"
#include "ttavren.h"

namespace {

// The priority at which the host executes the deformer before it deforms anything.
constexpr Int32 kExecutionPriority = 1000;

Int32 ReadInt32(BaseList2D* node, Int32 id) {
  GeData d;
  node->GetParameter(DescID(id), d, DESCFLAGS_GET_0);
  return d.GetInt32();
}

}  // namespace

NodeData* OTavren::Alloc() {
  OTavren* d = NewObjClear(OTavren);
  if (d) d->falloff = C4D_Falloff::Alloc();
  return d;
}

OTavren::~OTavren() { C4D_Falloff::Free(falloff); }

Bool OTavren::Init(GeListNode* node) {
  BaseObject* op = static_cast<BaseObject*>(node);
  op->SetParameter(DescID(OTAVREN_LISTMODE), GeData(Int32(OTAVREN_LISTMODE_EXCLUDE)), DESCFLAGS_SET_0);
  if (falloff) return falloff->InitFalloff(op->GetDataInstance(), nullptr, op);
  return true;
}

Bool OTavren::Message(GeListNode* node, Int32 type, void*) {
  if (type == MSG_MENUPREPARE) static_cast<BaseObject*>(node)->SetDeformMode(true);
  return true;
}

Bool OTavren::CopyTo(NodeData* dest, GeListNode* snode, GeListNode* dnode, COPYFLAGS flags, AliasTrans* trn) {
  if (!dest) return false;
  OTavren* d = static_cast<OTavren*>(dest);
  if (falloff && d->falloff && !falloff->CopyTo(d->falloff)) return false;
  return ObjectData::CopyTo(dest, snode, dnode, flags, trn);
}

Bool OTavren::GetDDescription(GeListNode* node, Description* description, DESCFLAGS_DESC& flags) {
  if (!node) return false;
  BaseObject* op = static_cast<BaseObject*>(node);
  BaseContainer* bc = op->GetDataInstance();
  if (!bc) return false;
  if (!description->LoadDescription(op->GetType())) return false;
  if (falloff) {
    if (!falloff->SetMode(bc->GetInt32(FALLOFF_MODE, FALLOFF_MODE_INFINITE), bc)) return false;
    if (!falloff->AddFalloffToDescription(description, bc)) return false;
  }
  flags = static_cast<DESCFLAGS_DESC>(flags | DESCFLAGS_DESC_LOADED);
  return true;
}

DRAWRESULT OTavren::Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh) {
  if (!op->GetDeformMode()) return DRAWRESULT_SKIP;
  BaseContainer* bc = op->GetDataInstance();
  if (!bc) return DRAWRESULT_ERROR;
  if (falloff) falloff->Draw(bd, bh, drawpass, bc);
  return ObjectData::Draw(op, drawpass, bd, bh);
}

Bool OTavren::AddToExecution(BaseObject* op, PriorityList* list) {
  list->Add(op, kExecutionPriority, 0);
  return true;
}

EXECUTIONRESULT OTavren::Execute(BaseObject* op, BaseDocument* doc, BaseThread*, Int32, EXECUTIONFLAGS) {
  BaseContainer* bc = op->GetDataInstance();
  if (!bc) return EXECUTIONRESULT_USERBREAK;
  if (falloff && !falloff->InitFalloff(bc, doc, op)) return EXECUTIONRESULT_OUTOFMEMORY;
  return EXECUTIONRESULT_OK;
}

void OTavren::CheckDirty(BaseObject* op, BaseDocument*) {
  BaseContainer* bc = op->GetDataInstance();
  if (!falloff || !bc) return;
  const Int32 dirty = falloff->GetDirty(bc);
  if (dirty != lastFalloffDirty) {
    op->SetDirty(DIRTYFLAGS_DATA);
    lastFalloffDirty = dirty;
  }
}

Int32 OTavren::GetHandleCount(BaseObject* op) {
  BaseContainer* bc = op->GetDataInstance();
  return (bc && falloff) ? falloff->GetHandleCount(bc) : 0;
}

void OTavren::GetHandle(BaseObject* op, Int32 i, HandleInfo& info) {
  BaseContainer* bc = op->GetDataInstance();
  if (bc && falloff) falloff->GetHandle(i, bc, info);
}

void OTavren::SetHandle(BaseObject* op, Int32 i, Vector p, const HandleInfo& info) {
  BaseContainer* bc = op->GetDataInstance();
  if (bc && falloff) falloff->SetHandle(i, p, bc, info);
}

// ---------------------------------------------------------------- the deformation pass

namespace {

// What one pass holds; released on every way out.
struct PassTables {
  BaseArray<BaseTag*> tags;
  Float32* weights = nullptr;
  ~PassTables() { GeFree(weights); }
};

// Runs the engine for one tag on the current points and rewrites them.
// false: the tag could not be processed (no memory, or the engine's run failed); the points
// are then as they came in.
Bool ApplyTag(BaseObject* op, C4D_Falloff* falloff, const Matrix& op_mg, const TTavren& binding,
              const BindSettings& settings, Bool smoothOnly, const Float32* restriction) {
  PolygonObject* poly = ToPoly(op);
  const Int32 count = poly->GetPointCount();
  Matrix* frames = NewMemClear(Matrix, count);
  if (!frames) return false;
  TavrenController controller;
  const Bool ran = controller.Init(op, frames, settings) && RunController(controller);
  Vector* points = poly->GetPointW();
  if (ran && count > 0 && points) {
    const Vector* offsets = binding.offsets.GetFirst();
    for (Int32 i = 0; i < count; ++i) {
      const Vector P = points[i];
      const Vector G = op_mg * P;
      Float f = 0.0;
      falloff->Sample(G, &f, true, 0.0);
      const Matrix& frame = frames[i];
      const Vector X = smoothOnly ? frame.off : frame * offsets[i];
      if (restriction) {
        const Float w = static_cast<Float>(restriction[i]);
        points[i] = Vector((w * X.x + P.x * (1.0 - w)) * f + P.x * (1.0 - f),
                           (w * X.y + P.y * (1.0 - w)) * f + P.y * (1.0 - f),
                           (w * X.z + P.z * (1.0 - w)) * f + P.z * (1.0 - f));
      } else {
        points[i] = Vector(f * X.x + (1.0 - f) * P.x, f * X.y + (1.0 - f) * P.y, f * X.z + (1.0 - f) * P.z);
      }
    }
  }
  DeleteMem(frames);
  return ran;
}

}  // namespace

Bool OTavren::ModifyObject(BaseObject* mod, BaseDocument* doc, BaseObject* op, const Matrix& op_mg, const Matrix&,
                           Float, Int32, BaseThread*) {
  if (op->GetType() != Opolygon || !falloff) return true;

  const Int32 listMode = ReadInt32(mod, OTAVREN_LISTMODE);
  GeData listData;
  mod->GetParameter(DescID(OTAVREN_LIST), listData, DESCFLAGS_GET_0);
  const InExcludeData* list = listData.GetCustomDataType(CUSTOMDATATYPE_INEXCLUDE_LIST);

  BaseTag* tag = op->GetFirstTag();
  if (!tag) return true;
  PassTables pass;
  for (; tag; tag = tag->GetNext()) {
    if (tag->GetType() != ID_TTAVREN) continue;
    // A tag list that cannot grow ends the pass with the points as they came in.
    if (!pass.tags.Append(tag)) return true;
  }

  pass.weights = op->GetRestrictionWeights(mod);
  if (pass.tags.GetCount() == 0) {
    op->Message(MSG_UPDATE);
    return true;
  }

  for (Int64 t = 0; t < pass.tags.GetCount(); ++t) {
    BaseTag* bindTag = pass.tags[t];
    BaseTag* origin = bindTag->GetOrigin();
    if (!origin) return true;
    if (listMode == OTAVREN_LISTMODE_EXCLUDE) {
      if (list && list->GetObjectIndex(doc, origin) != NOTOK) continue;
    } else {
      if (!list) return true;
      if (list->GetObjectIndex(doc, origin) == NOTOK) continue;
    }

    const BindSettings settings = ReadBindSettings(bindTag, op);
    if (settings.iterations == 0) continue;
    const Bool smoothOnly = ReadInt32(bindTag, TTAVREN_SMOOTHONLY) != 0;
    if (ReadInt32(bindTag, TTAVREN_ENABLE) == 0) continue;

    const TTavren* binding = static_cast<const TTavren*>(static_cast<BaseData*>(bindTag->GetNodeDataRaw()));
    const Int32 count = ToPoly(op)->GetPointCount();
    if (!binding || binding->offsets.GetCount() != static_cast<Int64>(count)) return true;

    if (!WeightMapFits(settings, count)) return false;

    // A tag whose engine run fails is skipped: its points stay as they came in.
    ApplyTag(op, falloff, op_mg, *binding, settings, smoothOnly, pass.weights);
  }

  op->Message(MSG_UPDATE);
  return true;
}
