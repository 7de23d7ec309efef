// The host's built-in deformation types: joint, weight tag, skin, point cache and
// restriction tag, registered into NodeTypes, and the restriction weights wired into the
// geometry table.
#ifndef HOSTAPP_EVAL_BUILTINS_H
#define HOSTAPP_EVAL_BUILTINS_H

namespace hostapp {

// Registers joint (C4D_OJOINT, a plain object whose global frame is the joint's), skin
// (C4D_OSKIN, a plain object), point cache (C4D_OPOINTCACHE, PointCacheObject), weight tag
// (C4D_TWEIGHT, WeightTag) and restriction tag (C4D_TRESTRICTION, RestrictionTag) with
// NodeTypes::Global(), and installs ComputeRestrictionWeights as the scene's restriction
// weights handler. A type the scene's table already holds keeps its earlier factory.
// Safe to call any number of times, from the main thread.
void RegisterBuiltinDeformers();

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_BUILTINS_H
