// Points where later host modules plug their services into the scene's function tables:
// the evaluation module answers restriction weights, the description module loads
// descriptions. Until one is installed the tables give their documented "none" answers.
#ifndef HOSTAPP_SCENE_EXTENSIONS_H
#define HOSTAPP_SCENE_EXTENSIONS_H

#include <cstdint>
#include <functional>

#include "host/abi/c4d_abi.h"

namespace hostapp {

class Node;

// in: op, deformer. out: one weight per point of op, allocated with the host allocator
// (the plug-in frees it through the memory table); null when op is not restricted for
// the deformer. Without a handler, always null.
using RestrictionWeightsFn = std::function<float*(Node* op, Node* deformer)>;
void SetRestrictionWeightsHandler(RestrictionWeightsFn fn);
float* RestrictionWeights(Node* op, Node* deformer);

// in: desc, type id, flags. out: true when the description of type was loaded into desc.
// Without a handler: true when a description resource name is registered for type.
using DescriptionLoadFn = std::function<bool(C4D_Description* desc, int32_t type, int32_t flags)>;
void SetDescriptionLoader(DescriptionLoadFn fn);
bool LoadDescription(C4D_Description* desc, int32_t type, int32_t flags);

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_EXTENSIONS_H
