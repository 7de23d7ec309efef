#include "hostapp/eval/restriction.h"

#include <algorithm>

#include "hostapp/scene/object.h"
#include "hostapp/services/memory.h"

namespace hostapp {

RestrictionTag::RestrictionTag() : Tag(C4D_TRESTRICTION) {
  Data().SetInExclude(kRestrictionDeformers, InExclude());
  Data().SetLink(kRestrictionMap, nullptr);
}

void RestrictionTag::AddDeformer(const Object& deformer) {
  InExclude* list = Data().GetInExclude(kRestrictionDeformers);
  if (!list) {
    Data().SetInExclude(kRestrictionDeformers, InExclude());
    list = Data().GetInExclude(kRestrictionDeformers);
  }
  list->Add(&deformer);
}

void RestrictionTag::SetMap(const VertexMapTag* map) { Data().SetLink(kRestrictionMap, map); }

float* ComputeRestrictionWeights(Node* op, Node* deformer) {
  const PolygonObject* poly = op ? ToPolygonObject(op) : nullptr;
  if (!poly || !deformer) return nullptr;
  for (const Tag* t = poly->FirstTag(); t; t = t->Next()) {
    if (t->Type() != C4D_TRESTRICTION) continue;
    const InExclude* list = t->Data().GetInExclude(kRestrictionDeformers);
    if (!list || list->FindIndex(deformer) < 0) continue;
    const size_t count = poly->Points().size();
    auto* weights = static_cast<float*>(
        MemoryAllocClear(static_cast<int64_t>(count * sizeof(float)), __LINE__, __FILE__));
    if (!weights) return nullptr;
    const auto* map = dynamic_cast<const VertexMapTag*>(t->Data().GetLink(kRestrictionMap));
    if (map) std::copy_n(map->Weights().begin(), std::min(count, map->Weights().size()), weights);
    return weights;
  }
  return nullptr;
}

}  // namespace hostapp
