// Plug-in base classes (BaseData, NodeData, ObjectData, TagData, CommandData) and their
// registration with the host. The host calls plug-in code through hook tables that this layer
// builds; the virtuals below are what a plug-in overrides.
#ifndef C4D_NODEDATA_H
#define C4D_NODEDATA_H

#include "c4d_baselist.h"
#include "c4d_draw.h"
#include "c4d_hyperfile.h"

class Description {
 public:
  C4D_Description* Handle() { return reinterpret_cast<C4D_Description*>(this); }
  // Loads the description registered for a type id.
  Bool LoadDescription(Int32 type) { return C4DOS()->registry->description_load(Handle(), type, DESCFLAGS_DESC_LOADED); }
  Description() = delete;
};

class AliasTrans;

enum EXECUTIONRESULT : Int32 {
  EXECUTIONRESULT_OK = C4D_EXECUTIONRESULT_OK,
  EXECUTIONRESULT_USERBREAK = C4D_EXECUTIONRESULT_USERBREAK,
  EXECUTIONRESULT_OUTOFMEMORY = C4D_EXECUTIONRESULT_OUTOFMEMORY
};
enum EXECUTIONFLAGS : Int32 { EXECUTIONFLAGS_0 = 0 };
enum MODIFYFLAGS : Int32 { MODIFYFLAGS_0 = 0 };

enum : Int32 {
  OBJECT_MODIFIER = C4D_OBJECT_MODIFIER,
  OBJECT_CALL_ADDEXECUTION = C4D_OBJECT_CALL_ADDEXECUTION,
  TAG_VISIBLE = C4D_TAG_VISIBLE,
  TAG_MULTIPLE = C4D_TAG_MULTIPLE,
  TAG_EXPRESSION = C4D_TAG_EXPRESSION,
};

class BaseData {
 public:
  virtual ~BaseData() = default;
};

class NodeData : public BaseData {
 public:
  virtual Bool Init(GeListNode* node);
  virtual Bool Read(GeListNode* node, HyperFile* hf, Int32 level);
  virtual Bool Write(GeListNode* node, HyperFile* hf);
  virtual Bool Message(GeListNode* node, Int32 type, void* data);
  virtual Bool CopyTo(NodeData* dest, GeListNode* snode, GeListNode* dnode, COPYFLAGS flags, AliasTrans* trn);
  // Default: loads the description registered for the node's type.
  virtual Bool GetDDescription(GeListNode* node, Description* description, DESCFLAGS_DESC& flags);
  virtual Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& t_data, DESCFLAGS_ENABLE flags,
                            const BaseContainer* itemdesc);
};

class ObjectData : public NodeData {
 public:
  // Default: the host's own drawing of the object (its handles in the handle pass).
  virtual DRAWRESULT Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh);
  virtual Bool AddToExecution(BaseObject* op, PriorityList* list);
  virtual EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                                  EXECUTIONFLAGS flags);
  virtual Bool ModifyObject(BaseObject* mod, BaseDocument* doc, BaseObject* op, const Matrix& op_mg,
                            const Matrix& mod_mg, Float lod, Int32 flags, BaseThread* thread);
  virtual void CheckDirty(BaseObject* op, BaseDocument* doc);
  virtual Int32 GetHandleCount(BaseObject* op);
  virtual void GetHandle(BaseObject* op, Int32 i, HandleInfo& info);
  virtual void SetHandle(BaseObject* op, Int32 i, Vector p, const HandleInfo& info);
};

class TagData : public NodeData {
 public:
  virtual Bool Draw(BaseTag* tag, BaseObject* op, BaseDraw* bd, BaseDrawHelp* bh);
  virtual EXECUTIONRESULT Execute(BaseTag* tag, BaseDocument* doc, BaseObject* op, BaseThread* bt, Int32 priority,
                                  EXECUTIONFLAGS flags);
};

class CommandData : public BaseData {
 public:
  virtual Bool Execute(BaseDocument* doc);
  virtual Int32 GetState(BaseDocument* doc);
};

// The factory a plug-in registers: a new instance in host memory, or null.
using DataAllocator = NodeData*();

class BaseBitmap;

// Registration; false aborts the plug-in's start-up.
Bool RegisterCommandPlugin(Int32 id, const String& str, Int32 info, BaseBitmap* icon, const String& help,
                           CommandData* dat);
Bool RegisterObjectPlugin(Int32 id, const String& str, Int32 info, DataAllocator* g, const String& description,
                          BaseBitmap* icon, Int32 disklevel);
Bool RegisterTagPlugin(Int32 id, const String& str, Int32 info, DataAllocator* g, const String& description,
                       BaseBitmap* icon, Int32 disklevel);

#endif
