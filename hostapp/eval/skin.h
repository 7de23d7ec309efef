// The skin deformer (type C4D_OSKIN): linear blend skinning of a mesh by the joints and
// per-point weights of its weight tag.
#ifndef HOSTAPP_EVAL_SKIN_H
#define HOSTAPP_EVAL_SKIN_H

#include <cstdint>
#include <vector>

#include "host/abi/c4d_abi.h"

namespace hostapp {

class PolygonObject;
class WeightTag;

enum class SkinResult {
  kDone,
  kNoWeightTag,        // the object carries no weight tag: points unchanged
  kPointCountMismatch  // the weight tag was made for another point count: points unchanged
};

// in: tag (its joints' current global frames and bind matrices). out: per joint, the motion
// since binding, global(now) * inverse(bind), in global space; the identity for a joint
// that has been freed.
std::vector<C4D_Matrix> JointMotions(const WeightTag& tag);

// A point whose weights sum to at least 1 - kFullWeightTolerance is bound fully: its
// weights are divided by their sum.
constexpr double kFullWeightTolerance = 1e-4;

// Linear blend skinning in global space: g = op_mg * p, then
// g' = sum_j w_j * motion_j * g + (1 - sum_j w_j) * g, then p' = inverse(op_mg) * g'. A point
// bound fully (see kFullWeightTolerance) has its weights divided by their sum; below that the
// weights are used as given and the rest of the share keeps the point in place. Pairs with a
// joint index outside the motions, or a weight <= 0, are skipped; a point without weight
// keeps its exact position.
// in: tag (pairs of `count` points), motions (JointMotions), op_mg, points[count] in the
// object's space. out: points[] skinned, in the same space.
void SkinPoints(const WeightTag& tag, const std::vector<C4D_Matrix>& motions, const C4D_Matrix& op_mg,
                C4D_Vector* points, int32_t count);

// in: op with its first weight tag, op_mg its global frame. out: op's points skinned, or the
// reason they were left alone.
SkinResult ApplySkin(PolygonObject& op, const C4D_Matrix& op_mg);

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_SKIN_H
