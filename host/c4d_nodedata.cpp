#include "c4d_nodedata.h"

#include "c4d_memory.h"
#include "c4d_resource.h"

// ---------------------------------------------------------------- defaults

Bool NodeData::Init(GeListNode*) { return true; }
Bool NodeData::Read(GeListNode*, HyperFile*, Int32) { return true; }
Bool NodeData::Write(GeListNode*, HyperFile*) { return true; }
Bool NodeData::Message(GeListNode*, Int32, void*) { return true; }
Bool NodeData::CopyTo(NodeData*, GeListNode*, GeListNode*, COPYFLAGS, AliasTrans*) { return true; }
Bool NodeData::GetDDescription(GeListNode* node, Description* description, DESCFLAGS_DESC& flags) {
  if (!node || !description) return false;
  if (!description->LoadDescription(static_cast<BaseList2D*>(node)->GetType())) return false;
  flags = static_cast<DESCFLAGS_DESC>(flags | DESCFLAGS_DESC_LOADED);
  return true;
}
Bool NodeData::GetDEnabling(GeListNode*, const DescID&, const GeData&, DESCFLAGS_ENABLE, const BaseContainer*) {
  return true;
}

DRAWRESULT ObjectData::Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh) {
  return static_cast<DRAWRESULT>(
      C4DOS()->draw->object_default_draw(op->Handle(), drawpass, bd->Handle(), bh ? bh->Handle() : nullptr));
}
Bool ObjectData::AddToExecution(BaseObject*, PriorityList*) { return false; }
EXECUTIONRESULT ObjectData::Execute(BaseObject*, BaseDocument*, BaseThread*, Int32, EXECUTIONFLAGS) {
  return EXECUTIONRESULT_OK;
}
Bool ObjectData::ModifyObject(BaseObject*, BaseDocument*, BaseObject*, const Matrix&, const Matrix&, Float, Int32,
                              BaseThread*) {
  return true;
}
void ObjectData::CheckDirty(BaseObject*, BaseDocument*) {}
Int32 ObjectData::GetHandleCount(BaseObject*) { return 0; }
void ObjectData::GetHandle(BaseObject*, Int32, HandleInfo&) {}
void ObjectData::SetHandle(BaseObject*, Int32, Vector, const HandleInfo&) {}

Bool TagData::Draw(BaseTag*, BaseObject*, BaseDraw*, BaseDrawHelp*) { return true; }
EXECUTIONRESULT TagData::Execute(BaseTag*, BaseDocument*, BaseObject*, BaseThread*, Int32, EXECUTIONFLAGS) {
  return EXECUTIONRESULT_OK;
}

Bool CommandData::Execute(BaseDocument*) { return false; }
Int32 CommandData::GetState(BaseDocument*) { return CMD_ENABLED; }

// ---------------------------------------------------------------- hooks the host calls

namespace {

NodeData* Data(void* inst) { return static_cast<NodeData*>(static_cast<BaseData*>(inst)); }
ObjectData* Obj(void* inst) { return static_cast<ObjectData*>(Data(inst)); }
TagData* Tag(void* inst) { return static_cast<TagData*>(Data(inst)); }
GeListNode* Node(C4D_Node* n) { return GeListNode::From(n); }

// Instances are stored behind the hooks as BaseData*, so one free serves every kind.
void* NodeAlloc(void* user) {
  DataAllocator* factory = reinterpret_cast<DataAllocator*>(user);
  NodeData* d = factory ? factory() : nullptr;
  return d ? static_cast<void*>(static_cast<BaseData*>(d)) : nullptr;
}
void DataFree(void* inst) {
  if (!inst) return;
  BaseData* d = static_cast<BaseData*>(inst);
  d->~BaseData();
  GeFree(d);
}
bool NodeInit(void* inst, C4D_Node* node) { return Data(inst)->Init(Node(node)); }
bool NodeRead(void* inst, C4D_Node* node, C4D_HyperFile* hf, int32_t level) {
  return Data(inst)->Read(Node(node), HyperFile::From(hf), level);
}
bool NodeWrite(void* inst, C4D_Node* node, C4D_HyperFile* hf) { return Data(inst)->Write(Node(node), HyperFile::From(hf)); }
bool NodeMessage(void* inst, C4D_Node* node, int32_t type, void* data) { return Data(inst)->Message(Node(node), type, data); }
bool NodeCopyTo(void* inst, void* dest, C4D_Node* snode, C4D_Node* dnode, int32_t flags) {
  return Data(inst)->CopyTo(dest ? Data(dest) : nullptr, Node(snode), Node(dnode), static_cast<COPYFLAGS>(flags), nullptr);
}
bool NodeGetDDescription(void* inst, C4D_Node* node, C4D_Description* desc, int32_t* flags) {
  DESCFLAGS_DESC f = static_cast<DESCFLAGS_DESC>(flags ? *flags : 0);
  bool ok = Data(inst)->GetDDescription(Node(node), reinterpret_cast<Description*>(desc), f);
  if (flags) *flags = f;
  return ok;
}
bool NodeGetDEnabling(void* inst, C4D_Node* node, int32_t id) {
  return Data(inst)->GetDEnabling(Node(node), DescID(id), GeData(), DESCFLAGS_ENABLE_0, nullptr);
}

C4D_NodeHooks MakeNodeHooks(DataAllocator* g) {
  C4D_NodeHooks h{};
  h.size = static_cast<int32_t>(sizeof(C4D_NodeHooks));
  h.user = reinterpret_cast<void*>(g);
  h.alloc = NodeAlloc;
  h.free = DataFree;
  h.init = NodeInit;
  h.read = NodeRead;
  h.write = NodeWrite;
  h.message = NodeMessage;
  h.copy_to = NodeCopyTo;
  h.get_ddescription = NodeGetDDescription;
  h.get_denabling = NodeGetDEnabling;
  return h;
}

int32_t ObjDraw(void* inst, C4D_Node* op, int32_t pass, C4D_View* bd, C4D_DrawHelp* bh) {
  return Obj(inst)->Draw(BaseObject::From(op), static_cast<DRAWPASS>(pass), BaseDraw::From(bd), BaseDrawHelp::From(bh));
}
bool ObjAddToExecution(void* inst, C4D_Node* op, C4D_PriorityList* list) {
  return Obj(inst)->AddToExecution(BaseObject::From(op), reinterpret_cast<PriorityList*>(list));
}
int32_t ObjExecute(void* inst, C4D_Node* op, C4D_Document* doc, C4D_Thread* bt, int32_t priority, int32_t flags) {
  return Obj(inst)->Execute(BaseObject::From(op), BaseDocument::From(doc), reinterpret_cast<BaseThread*>(bt), priority,
                            static_cast<EXECUTIONFLAGS>(flags));
}
bool ObjModify(void* inst, C4D_Node* mod, C4D_Document* doc, C4D_Node* op, const C4D_Matrix* op_mg,
               const C4D_Matrix* mod_mg, double lod, int32_t flags, C4D_Thread* thread) {
  return Obj(inst)->ModifyObject(BaseObject::From(mod), BaseDocument::From(doc), BaseObject::From(op), *FromC(op_mg),
                                 *FromC(mod_mg), lod, flags, reinterpret_cast<BaseThread*>(thread));
}
void ObjCheckDirty(void* inst, C4D_Node* op, C4D_Document* doc) {
  Obj(inst)->CheckDirty(BaseObject::From(op), BaseDocument::From(doc));
}
int32_t ObjHandleCount(void* inst, C4D_Node* op) { return Obj(inst)->GetHandleCount(BaseObject::From(op)); }
void ObjGetHandle(void* inst, C4D_Node* op, int32_t i, C4D_HandleInfo* info) {
  Obj(inst)->GetHandle(BaseObject::From(op), i, *reinterpret_cast<HandleInfo*>(info));
}
void ObjSetHandle(void* inst, C4D_Node* op, int32_t i, C4D_Vector p, const C4D_HandleInfo* info) {
  Obj(inst)->SetHandle(BaseObject::From(op), i, *FromC(&p), *reinterpret_cast<const HandleInfo*>(info));
}

bool TagDraw(void* inst, C4D_Node* tag, C4D_Node* op, C4D_View* bd, C4D_DrawHelp* bh) {
  return Tag(inst)->Draw(BaseTag::From(tag), BaseObject::From(op), BaseDraw::From(bd), BaseDrawHelp::From(bh));
}
int32_t TagExecute(void* inst, C4D_Node* tag, C4D_Document* doc, C4D_Node* op, C4D_Thread* bt, int32_t priority,
                   int32_t flags) {
  return Tag(inst)->Execute(BaseTag::From(tag), BaseDocument::From(doc), BaseObject::From(op),
                            reinterpret_cast<BaseThread*>(bt), priority, static_cast<EXECUTIONFLAGS>(flags));
}

bool CmdExecute(void* inst, C4D_Document* doc) {
  return static_cast<CommandData*>(static_cast<BaseData*>(inst))->Execute(BaseDocument::From(doc));
}
int32_t CmdGetState(void* inst, C4D_Document* doc) {
  return static_cast<CommandData*>(static_cast<BaseData*>(inst))->GetState(BaseDocument::From(doc));
}

C4D_Bitmap* Bmp(BaseBitmap* icon) { return reinterpret_cast<C4D_Bitmap*>(icon); }

}  // namespace

Bool RegisterCommandPlugin(Int32 id, const String& str, Int32 info, BaseBitmap* icon, const String& help,
                           CommandData* dat) {
  if (!dat) return false;
  C4D_CommandHooks h{};
  h.size = static_cast<int32_t>(sizeof(C4D_CommandHooks));
  h.inst = static_cast<BaseData*>(dat);
  h.free = DataFree;
  h.execute = CmdExecute;
  h.get_state = CmdGetState;
  return C4DOS()->registry->register_command(id, str.GetCStr(), info, Bmp(icon), help.GetCStr(), &h);
}

Bool RegisterObjectPlugin(Int32 id, const String& str, Int32 info, DataAllocator* g, const String& description,
                          BaseBitmap* icon, Int32 disklevel) {
  C4D_ObjectHooks h{};
  h.size = static_cast<int32_t>(sizeof(C4D_ObjectHooks));
  h.node = MakeNodeHooks(g);
  h.draw = ObjDraw;
  h.add_to_execution = ObjAddToExecution;
  h.execute = ObjExecute;
  h.modify_object = ObjModify;
  h.check_dirty = ObjCheckDirty;
  h.get_handle_count = ObjHandleCount;
  h.get_handle = ObjGetHandle;
  h.set_handle = ObjSetHandle;
  return C4DOS()->registry->register_object(id, str.GetCStr(), info, &h, description.GetCStr(), Bmp(icon), disklevel);
}

Bool RegisterTagPlugin(Int32 id, const String& str, Int32 info, DataAllocator* g, const String& description,
                       BaseBitmap* icon, Int32 disklevel) {
  C4D_TagHooks h{};
  h.size = static_cast<int32_t>(sizeof(C4D_TagHooks));
  h.node = MakeNodeHooks(g);
  h.draw = TagDraw;
  h.execute = TagExecute;
  return C4DOS()->registry->register_tag(id, str.GetCStr(), info, &h, description.GetCStr(), Bmp(icon), disklevel);
}
