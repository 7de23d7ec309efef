// Which deformers act on an object, and in which order. A deformer acts on its parent and on
// all of the parent's other descendants; an object meets its own deformer children first (in
// child order), then those of its parent, and so on up to the top.
#ifndef HOSTAPP_EVAL_DEFORMER_ORDER_H
#define HOSTAPP_EVAL_DEFORMER_ORDER_H

#include <vector>

namespace hostapp {

class Object;

// out: true for a deformer: a plug-in object registered with C4D_OBJECT_MODIFIER, a skin
// (C4D_OSKIN) or a point cache (C4D_OPOINTCACHE).
bool IsDeformer(const Object& op);

// in: op. out: the deformers acting on op, in the order they run; whether each is switched
// on (C4D_OBJECT_DEFORM) is not checked here.
std::vector<Object*> DeformersOf(const Object& op);

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_DEFORMER_ORDER_H
