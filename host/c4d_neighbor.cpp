#include "c4d_neighbor.h"

Bool Neighbor::Init(Int32 pcnt, const CPolygon* vadr, Int32 vcnt, BaseSelect* bs) {
  if (!handle_) handle_ = C4DOS()->neighbor->neighbor_alloc();
  if (!handle_) return false;
  return C4DOS()->neighbor->neighbor_init(handle_, pcnt, ToC(vadr), vcnt, bs);
}

void Neighbor::Free() {
  if (handle_) {
    C4DOS()->neighbor->neighbor_free(handle_);
    handle_ = nullptr;
  }
}
