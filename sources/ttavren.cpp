#include "ttavren.h"

#include "tavrenthreads.h"

namespace {

Int32 ReadInt32(BaseList2D* node, Int32 id) {
  GeData d;
  node->GetParameter(DescID(id), d, DESCFLAGS_GET_0);
  return d.GetInt32();
}

Float ReadFloat(BaseList2D* node, Int32 id) {
  GeData d;
  node->GetParameter(DescID(id), d, DESCFLAGS_GET_0);
  return d.GetFloat();
}

// Text 1002 with the host's size text of `bytes` appended.
String BoundStatus(Int64 bytes) {
  String status = GeLoadString(IDS_TTAVREN_STATUS_BOUND);
  status.Insert(status.GetLength(), String::MemoryToString(bytes));
  return status;
}

void SetStatus(BaseList2D* tag, const String& text) {
  tag->SetParameter(DescID(TTAVREN_STATUS), GeData(text), DESCFLAGS_SET_0);
}

TTavren* Instance(BaseTag* tag) { return static_cast<TTavren*>(static_cast<BaseData*>(tag->GetNodeDataRaw())); }

}  // namespace

NodeData* TTavren::Alloc() { return NewObjClear(TTavren); }

TTavren::~TTavren() { offsets.Reset(); }

Bool TTavren::Init(GeListNode* node) {
  BaseList2D* tag = static_cast<BaseList2D*>(node);
  tag->SetParameter(DescID(TTAVREN_ITERATIONS), GeData(Int32(2)), DESCFLAGS_SET_0);
  tag->SetParameter(DescID(TTAVREN_SMOOTHTYPE), GeData(Int32(TTAVREN_SMOOTHTYPE_DISTANCE)), DESCFLAGS_SET_0);
  tag->SetParameter(DescID(TTAVREN_PINBORDER), GeData(Int32(0)), DESCFLAGS_SET_0);
  SetStatus(tag, BoundStatus(0));
  tag->SetParameter(DescID(TTAVREN_STEP), GeData(Float(1.0)), DESCFLAGS_SET_0);
  tag->SetParameter(DescID(TTAVREN_USEVERTEXMAP), GeData(Int32(1)), DESCFLAGS_SET_0);
  return true;
}

Bool TTavren::Read(GeListNode*, HyperFile* hf, Int32 level) {
  if (level != 0) return true;
  // Any failed read leaves the tag live with no offsets: never a frozen binding of zeros.
  auto fail = [this]() {
    bound = false;
    offsets.Reset();
    return false;
  };
  Bool flag = false;
  if (!hf->ReadBool(&flag)) return fail();
  bound = flag;
  if (!bound) return true;
  Int32 count = 0;
  if (!hf->ReadInt32(&count)) return fail();
  // Every stored vector takes at least three 64-bit floats: a count the stream cannot hold is
  // rejected before anything is allocated.
  if (count < 0 || static_cast<Int64>(count) * 24 > hf->GetRemaining()) return fail();
  if (!offsets.Resize(count)) return fail();
  for (Int32 i = 0; i < count; ++i)
    if (!hf->ReadVector(&offsets[i])) return fail();
  return true;
}

Bool TTavren::Write(GeListNode*, HyperFile* hf) {
  // A write that fails is reported: the host must not keep a file that lost the binding.
  if (!hf->WriteBool(bound)) return false;
  if (bound) {
    const Int32 count = static_cast<Int32>(offsets.GetCount());
    if (!hf->WriteInt32(count)) return false;
    for (Int32 i = 0; i < count; ++i)
      if (!hf->WriteVector(offsets[i])) return false;
  }
  return true;
}

Bool TTavren::Message(GeListNode* node, Int32 type, void* data) {
  if (type != MSG_DESCRIPTION_COMMAND || data == nullptr) return true;
  BaseTag* tag = static_cast<BaseTag*>(node);
  const Int32 id = static_cast<DescriptionCommand*>(data)->id[0];
  if (id == TTAVREN_BIND) {
    BaseObject* op = tag->GetObject();
    if (!op) return false;
    const Int32 count = ToPoint(op)->GetPointCount();
    SetStatus(tag, BoundStatus(0));
    if (!CaptureBinding(op, tag)) return false;
    SetStatus(tag, BoundStatus(static_cast<Int64>(count) * static_cast<Int64>(sizeof(Vector))));
    bound = true;
    EventAdd();
    return true;
  }
  if (id == TTAVREN_UNBIND) {
    offsets.Reset();
    bound = false;
    EventAdd();
    return true;
  }
  return true;
}

Bool TTavren::CopyTo(NodeData* dest, GeListNode* snode, GeListNode* dnode, COPYFLAGS flags, AliasTrans* trn) {
  if (dest) {
    TTavren* d = static_cast<TTavren*>(dest);
    // A copy that cannot take the offsets fails and stays live: never frozen with nothing.
    if (!d->offsets.CopyFrom(offsets)) {
      d->bound = false;
      return false;
    }
    d->bound = bound;
  }
  return TagData::CopyTo(dest, snode, dnode, flags, trn);
}

Bool TTavren::GetDEnabling(GeListNode* node, const DescID& id, const GeData& t_data, DESCFLAGS_ENABLE flags,
                           const BaseContainer* itemdesc) {
  if (bound) {
    switch (id[0]) {
      case TTAVREN_PINBORDER:
      case TTAVREN_SMOOTHTYPE:
      case TTAVREN_ITERATIONS:
      case TTAVREN_VERTEXMAP:
      case TTAVREN_STEP:
      case TTAVREN_USEVERTEXMAP:
        return false;
      default:
        break;
    }
  }
  return TagData::GetDEnabling(node, id, t_data, flags, itemdesc);
}

Bool TTavren::Draw(BaseTag*, BaseObject*, BaseDraw*, BaseDrawHelp*) { return true; }

EXECUTIONRESULT TTavren::Execute(BaseTag* tag, BaseDocument*, BaseObject* op, BaseThread*, Int32, EXECUTIONFLAGS) {
  if (!op) return EXECUTIONRESULT_OK;
  if (static_cast<Int64>(ToPoint(op)->GetPointCount()) != offsets.GetCount()) bound = false;
  if (bound) return EXECUTIONRESULT_OK;
  CaptureBinding(op, tag);
  SetStatus(tag, GeLoadString(IDS_TTAVREN_STATUS_LIVE));
  return EXECUTIONRESULT_OK;
}

// ---------------------------------------------------------------- binding

BindSettings ReadBindSettings(BaseTag* tag, BaseObject* op) {
  BindSettings s;
  s.iterations = ReadInt32(tag, TTAVREN_ITERATIONS);
  s.mode = static_cast<SmoothMode>(ReadInt32(tag, TTAVREN_SMOOTHTYPE));
  s.pinBorders = ReadInt32(tag, TTAVREN_PINBORDER) != 0;
  s.step = static_cast<Float32>(ReadFloat(tag, TTAVREN_STEP));
  GeData link;
  tag->GetParameter(DescID(TTAVREN_VERTEXMAP), link, DESCFLAGS_GET_0);
  s.weightTag = static_cast<BaseTag*>(link.GetLink(op->GetDocument(), Tvertexmap));
  s.useWeights = s.weightTag != nullptr && ReadInt32(tag, TTAVREN_USEVERTEXMAP) != 0;
  return s;
}

Bool WeightMapFits(const BindSettings& settings, Int32 pointCount) {
  return !settings.weightTag || static_cast<VariableTag*>(settings.weightTag)->GetDataCount() == pointCount;
}

Matrix InvertFrame(const Matrix& m) {
  const Vector& a = m.v1;
  const Vector& b = m.v2;
  const Vector& c = m.v3;
  const Float det = a.x * (b.y * c.z - b.z * c.y) + b.x * (a.z * c.y - a.y * c.z) + c.x * (a.y * b.z - a.z * b.y);
  if (det == 0.0) return Matrix();
  const Float inv = 1.0 / det;
  // Rows of the inverse are (b x c), (c x a), (a x b) over det; the axes are its columns.
  const Vector r1 = Cross(b, c) * inv;
  const Vector r2 = Cross(c, a) * inv;
  const Vector r3 = Cross(a, b) * inv;
  Matrix r;
  r.v1 = Vector(r1.x, r2.x, r3.x);
  r.v2 = Vector(r1.y, r2.y, r3.y);
  r.v3 = Vector(r1.z, r2.z, r3.z);
  const Vector o(r.v1.x * m.off.x + r.v2.x * m.off.y + r.v3.x * m.off.z,
                 r.v1.y * m.off.x + r.v2.y * m.off.y + r.v3.y * m.off.z,
                 r.v1.z * m.off.x + r.v2.z * m.off.y + r.v3.z * m.off.z);
  r.off = -o;
  return r;
}

Bool CaptureBinding(BaseObject* op, BaseTag* tag) {
  if (!op || !tag || op->GetType() != Opolygon) return false;
  TTavren* data = Instance(tag);
  if (!data) return false;

  const BindSettings settings = ReadBindSettings(tag, op);
  PolygonObject* poly = ToPoly(op);
  const Int32 count = poly->GetPointCount();
  const Vector* rest = poly->GetPointR();
  if (!WeightMapFits(settings, count)) return false;

  Matrix* frames = NewMemClear(Matrix, count);
  if (!frames) return false;
  TavrenController controller;
  Bool ran = controller.Init(op, frames, settings) && RunController(controller);
  BaseArray<Vector> fresh;
  if (ran && count > 0 && !fresh.EnsureCapacity(count)) ran = false;
  if (!ran) {
    DeleteMem(frames);
    return false;
  }
  for (Int32 i = 0; i < count; ++i) {
    const Matrix inv = InvertFrame(frames[i]);
    fresh.Append(inv * rest[i]);
  }
  DeleteMem(frames);
  data->offsets.Swap(fresh);
  return true;
}
