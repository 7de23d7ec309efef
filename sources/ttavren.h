// TTavren: the bind tag. Holds the smoothing settings and the binding of one polygon mesh:
// every rest point expressed in the frame of the smoothed rest surface at that point.
#ifndef TTAVREN_H
#define TTAVREN_H

#include "c4d.h"
#include "tavrenthreads.h"
#include "tavrenids.h"
#include "ttavrenres.h"

// Ids of the plug-in's string table that the tag uses.
enum : Int32 {
  IDS_TTAVREN = 1000,
  IDS_TTAVREN_STATUS_BOUND = 1002,
  IDS_TTAVREN_STATUS_LIVE = 1003,
};

// The tag's enable switch, which the host gives every expression tag.
#define TTAVREN_ENABLE C4D_EXPRESSION_ENABLE

class TTavren : public TagData {
 public:
  // Factory: a zero-filled tag with no offsets, live; null when out of memory.
  static NodeData* Alloc();

  ~TTavren() override;
  Bool Init(GeListNode* node) override;
  Bool Read(GeListNode* node, HyperFile* hf, Int32 level) override;
  Bool Write(GeListNode* node, HyperFile* hf) override;
  Bool Message(GeListNode* node, Int32 type, void* data) override;
  Bool CopyTo(NodeData* dest, GeListNode* snode, GeListNode* dnode, COPYFLAGS flags, AliasTrans* trn) override;
  Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& t_data, DESCFLAGS_ENABLE flags,
                    const BaseContainer* itemdesc) override;
  Bool Draw(BaseTag* tag, BaseObject* op, BaseDraw* bd, BaseDrawHelp* bh) override;
  EXECUTIONRESULT Execute(BaseTag* tag, BaseDocument* doc, BaseObject* op, BaseThread* bt, Int32 priority,
                          EXECUTIONFLAGS flags) override;

  // One entry per point of the bound mesh: the rest point in its frame's coordinates.
  BaseArray<Vector> offsets;
  // true while the binding is frozen.
  Bool bound = false;
};

// The smoothing settings of a bind tag on op (the vertex map link is resolved in op's
// document). Pinning and the weight switch count as on for any non-zero value.
BindSettings ReadBindSettings(BaseTag* tag, BaseObject* op);

// false: settings link a vertex map whose entry count is not pointCount.
Bool WeightMapFits(const BindSettings& settings, Int32 pointCount);

// Captures the binding of op's rest points into the tag's offsets. true: the offsets were
// replaced by a fresh binding with one entry per point; false: nothing changed (op is not a
// polygon object, the linked vertex map does not match, memory ran out, or the engine's run
// failed).
Bool CaptureBinding(BaseObject* op, BaseTag* tag);

// Inverse of a frame record as an affine map; the identity when its determinant is exactly 0.
Matrix InvertFrame(const Matrix& m);

#endif
