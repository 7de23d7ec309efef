// The restriction tag (type C4D_TRESTRICTION): limits named deformers on the object that
// carries it to the weights of a vertex map. Plug-in deformers ask for those weights
// through C4D_GeometryTable::restriction_weights.
#ifndef HOSTAPP_EVAL_RESTRICTION_H
#define HOSTAPP_EVAL_RESTRICTION_H

#include <cstdint>

#include "hostapp/scene/tag.h"

namespace hostapp {

class Object;

// Container ids of the restriction tag.
constexpr int32_t kRestrictionDeformers = 1000;  // in/exclude list of the restricted deformers
constexpr int32_t kRestrictionMap = 1001;        // link to the vertex map giving the weights

class RestrictionTag : public Tag {
 public:
  // A tag with an empty deformer list and no map.
  RestrictionTag();

  // in: deformer. Adds it to the list of restricted deformers.
  void AddDeformer(const Object& deformer);
  // in: map, a vertex map tag (null clears the link).
  void SetMap(const VertexMapTag* map);
};

// The weights behind restriction_weights. A restriction tag on op whose list holds the
// deformer restricts it: weight i is entry i of the tag's vertex map, and 0 for points the
// map does not cover (all 0 without a map). The first such tag in tag order counts.
// in: op, deformer. out: one float per point of op, allocated with the host allocator (the
// caller frees it with MemoryFree or the memory table's free); null when op is not a
// polygon object, when no restriction tag names the deformer, or when out of memory.
float* ComputeRestrictionWeights(Node* op, Node* deformer);

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_RESTRICTION_H
