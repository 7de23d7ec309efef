// OTavren: the deformer. Applies the bindings of the bind tags on the objects it deforms,
// limited in space by its falloff and by the host's restriction weights.
#ifndef OTAVREN_H
#define OTAVREN_H

#include "c4d.h"
#include "otavrendeformer.h"
#include "tavrenids.h"

enum : Int32 { IDS_OTAVREN = 1001 };

class OTavren : public ObjectData {
 public:
  // Factory: a zero-filled deformer with its falloff component (none if the host cannot make
  // one); null when out of memory.
  static NodeData* Alloc();

  ~OTavren() override;
  Bool Init(GeListNode* node) override;
  Bool Message(GeListNode* node, Int32 type, void* data) override;
  Bool CopyTo(NodeData* dest, GeListNode* snode, GeListNode* dnode, COPYFLAGS flags, AliasTrans* trn) override;
  Bool GetDDescription(GeListNode* node, Description* description, DESCFLAGS_DESC& flags) override;
  DRAWRESULT Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh) override;
  Bool AddToExecution(BaseObject* op, PriorityList* list) override;
  EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                          EXECUTIONFLAGS flags) override;
  // The deformation pass.
  Bool ModifyObject(BaseObject* mod, BaseDocument* doc, BaseObject* op, const Matrix& op_mg, const Matrix& mod_mg,
                    Float lod, Int32 flags, BaseThread* thread) override;
  void CheckDirty(BaseObject* op, BaseDocument* doc) override;
  Int32 GetHandleCount(BaseObject* op) override;
  void GetHandle(BaseObject* op, Int32 i, HandleInfo& info) override;
  void SetHandle(BaseObject* op, Int32 i, Vector p, const HandleInfo& info) override;

  C4D_Falloff* falloff = nullptr;
  Int32 lastFalloffDirty = 0;
};

#endif
