#include "hostapp/eval/skin.h"

#include "hostapp/eval/transform.h"
#include "hostapp/eval/weight_tag.h"
#include "hostapp/scene/matrix.h"
#include "hostapp/scene/object.h"

namespace hostapp {

std::vector<C4D_Matrix> JointMotions(const WeightTag& tag) {
  std::vector<C4D_Matrix> motions(static_cast<size_t>(tag.JointCount()), IdentityMatrix());
  for (int32_t j = 0; j < tag.JointCount(); ++j) {
    const Object* joint = tag.Joint(j);
    if (joint) motions[static_cast<size_t>(j)] = MultiplyMatrix(joint->Mg(), InvertMatrix(tag.BindMatrix(j)));
  }
  return motions;
}

void SkinPoints(const WeightTag& tag, const std::vector<C4D_Matrix>& motions, const C4D_Matrix& op_mg,
                C4D_Vector* points, int32_t count) {
  const C4D_Matrix to_local = InvertMatrix(op_mg);
  const int32_t n = tag.Influences();
  const int32_t joint_count = static_cast<int32_t>(motions.size());
  const int32_t* joints = tag.Joints().data();
  const float* weights = tag.Weights().data();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t* pj = joints + static_cast<size_t>(i) * static_cast<size_t>(n);
    const float* pw = weights + static_cast<size_t>(i) * static_cast<size_t>(n);
    double sum = 0.0;
    for (int32_t k = 0; k < n; ++k) {
      if (pj[k] >= 0 && pj[k] < joint_count && pw[k] > 0.0f) sum += pw[k];
    }
    if (sum == 0.0) continue;
    const C4D_Vector g = TransformPoint(op_mg, points[i]);
    // Weights stored as 32-bit floats rarely sum to exactly 1: a sum within the tolerance is
    // taken as full, so a rigid skeleton motion stays rigid to double precision.
    const bool full = sum >= 1.0 - kFullWeightTolerance;
    const double scale = full ? 1.0 / sum : 1.0;
    const double rest = full ? 0.0 : 1.0 - sum;
    C4D_Vector acc{g.x * rest, g.y * rest, g.z * rest};
    for (int32_t k = 0; k < n; ++k) {
      if (pj[k] < 0 || pj[k] >= joint_count || !(pw[k] > 0.0f)) continue;
      const double w = pw[k] * scale;
      const C4D_Vector m = TransformPoint(motions[static_cast<size_t>(pj[k])], g);
      acc.x += w * m.x;
      acc.y += w * m.y;
      acc.z += w * m.z;
    }
    points[i] = TransformPoint(to_local, acc);
  }
}

SkinResult ApplySkin(PolygonObject& op, const C4D_Matrix& op_mg) {
  const WeightTag* tag = FindWeightTag(op);
  if (!tag) return SkinResult::kNoWeightTag;
  const int32_t count = static_cast<int32_t>(op.Points().size());
  if (tag->PointCount() != count) return SkinResult::kPointCountMismatch;
  SkinPoints(*tag, JointMotions(*tag), op_mg, op.Points().data(), count);
  return SkinResult::kDone;
}

}  // namespace hostapp
