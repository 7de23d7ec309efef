// C4D_Falloff: the host's falloff component (library 1019541), owned by a deformer: a weight
// per global position, its own parameters, handles and drawing.
#ifndef C4D_FALLOFF_H
#define C4D_FALLOFF_H

#include "c4d_baselist.h"
#include "c4d_draw.h"

class Description;

#define FALLOFF_MODE 5105
#define FALLOFF_MODE_INFINITE C4D_FALLOFF_INFINITE

class C4D_Falloff {
 public:
  // A new component; null when the host cannot make one.
  static C4D_Falloff* Alloc() { return reinterpret_cast<C4D_Falloff*>(C4DOS()->falloff->alloc()); }
  static void Free(C4D_Falloff*& f) {
    if (f) C4DOS()->falloff->free(f->Handle());
    f = nullptr;
  }
  Bool InitFalloff(BaseContainer* bc, BaseDocument* doc, BaseObject* op) {
    return C4DOS()->falloff->init(Handle(), bc ? bc->Handle() : nullptr, doc ? doc->Handle() : nullptr,
                                  op ? op->Handle() : nullptr);
  }
  Int32 GetDirty(BaseContainer* bc) { return C4DOS()->falloff->dirty(Handle(), bc ? bc->Handle() : nullptr); }
  Bool SetMode(Int32 mode, BaseContainer* bc) { return C4DOS()->falloff->set_mode(Handle(), mode, bc ? bc->Handle() : nullptr); }
  Bool AddFalloffToDescription(Description* desc, BaseContainer* bc) {
    return C4DOS()->falloff->add_description(Handle(), reinterpret_cast<C4D_Description*>(desc),
                                             bc ? bc->Handle() : nullptr);
  }
  void Draw(BaseDraw* bd, BaseDrawHelp* bh, DRAWPASS pass, BaseContainer* bc) {
    C4DOS()->falloff->draw(Handle(), bd->Handle(), bh ? bh->Handle() : nullptr, pass, bc ? bc->Handle() : nullptr);
  }
  Int32 GetHandleCount(BaseContainer* bc) { return C4DOS()->falloff->handle_count(Handle(), bc ? bc->Handle() : nullptr); }
  void GetHandle(Int32 i, BaseContainer* bc, HandleInfo& info) {
    C4DOS()->falloff->get_handle(Handle(), i, bc ? bc->Handle() : nullptr, reinterpret_cast<C4D_HandleInfo*>(&info));
  }
  void SetHandle(Int32 i, Vector p, BaseContainer* bc, const HandleInfo& info) {
    C4DOS()->falloff->set_handle(Handle(), i, *ToC(&p), bc ? bc->Handle() : nullptr,
                                 reinterpret_cast<const C4D_HandleInfo*>(&info));
  }
  Bool CopyTo(C4D_Falloff* dest) { return C4DOS()->falloff->copy_to(Handle(), dest->Handle()); }
  // Weight at global position p into *res.
  Bool Sample(const Vector& p, Float* res, Bool usespline = true, Float weight = 0.0) {
    return C4DOS()->falloff->sample(Handle(), ToC(&p), res, usespline, weight);
  }

  C4D_FalloffHandle* Handle() { return reinterpret_cast<C4D_FalloffHandle*>(this); }
  C4D_Falloff() = delete;
};

#endif
