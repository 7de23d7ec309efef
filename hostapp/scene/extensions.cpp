#include "hostapp/scene/extensions.h"

#include "hostapp/scene/registry.h"

namespace hostapp {

namespace {

RestrictionWeightsFn& RestrictionHandler() {
  static RestrictionWeightsFn fn;
  return fn;
}

DescriptionLoadFn& DescriptionHandler() {
  static DescriptionLoadFn fn;
  return fn;
}

}  // namespace

void SetRestrictionWeightsHandler(RestrictionWeightsFn fn) { RestrictionHandler() = std::move(fn); }

float* RestrictionWeights(Node* op, Node* deformer) {
  const RestrictionWeightsFn& fn = RestrictionHandler();
  return fn ? fn(op, deformer) : nullptr;
}

void SetDescriptionLoader(DescriptionLoadFn fn) { DescriptionHandler() = std::move(fn); }

bool LoadDescription(C4D_Description* desc, int32_t type, int32_t flags) {
  const DescriptionLoadFn& fn = DescriptionHandler();
  if (fn) return fn(desc, type, flags);
  return !Registry::Global().DescriptionName(type).empty();
}

}  // namespace hostapp
