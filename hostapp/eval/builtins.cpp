#include "hostapp/eval/builtins.h"

#include "hostapp/eval/point_cache.h"
#include "hostapp/eval/restriction.h"
#include "hostapp/eval/weight_tag.h"
#include "hostapp/scene/extensions.h"
#include "hostapp/scene/node_types.h"

namespace hostapp {

void RegisterBuiltinDeformers() {
  static bool done = false;
  if (done) return;
  done = true;
  NodeTypes& types = NodeTypes::Global();
  // The scene's table may already know joint, skin and point cache; then these calls leave
  // its factories in place.
  types.RegisterObjectType(C4D_OJOINT, "Joint", [] { return std::make_unique<Object>(C4D_OJOINT); });
  types.RegisterObjectType(C4D_OSKIN, "Skin", [] { return std::make_unique<Object>(C4D_OSKIN); });
  types.RegisterObjectType(C4D_OPOINTCACHE, "Point Cache", [] { return std::make_unique<PointCacheObject>(); });
  types.RegisterTagType(C4D_TWEIGHT, "Weight", [] { return std::make_unique<WeightTag>(); });
  types.RegisterTagType(C4D_TRESTRICTION, "Restriction", [] { return std::make_unique<RestrictionTag>(); });
  SetRestrictionWeightsHandler(ComputeRestrictionWeights);
}

}  // namespace hostapp
