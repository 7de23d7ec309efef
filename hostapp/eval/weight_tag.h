// The weight tag (type C4D_TWEIGHT) of a skinned mesh: per point up to N (joint index,
// weight) pairs, the joints they index (weak references, kept as an in/exclude list in the
// tag's container so that copies and scene files keep them), and each joint's bind matrix:
// its global frame when the mesh was bound in its rest pose.
#ifndef HOSTAPP_EVAL_WEIGHT_TAG_H
#define HOSTAPP_EVAL_WEIGHT_TAG_H

#include <cstdint>
#include <vector>

#include "hostapp/scene/tag.h"

namespace hostapp {

class Object;

// Container id of the joint list (in/exclude of joint objects, in joint index order).
constexpr int32_t kWeightTagJoints = 1000;

class WeightTag : public Tag {
 public:
  WeightTag();

  // Influences: point i's pairs are entries i*N .. i*N+N-1 of Joints() and Weights(); a
  // pair with joint index -1 (or weight 0) is unused.
  int32_t Influences() const { return influences_; }
  int32_t PointCount() const;
  // in: point count, N >= 1. Every pair becomes unused (joint -1, weight 0).
  void Resize(int32_t point_count, int32_t influences);
  // in: point, slot (0..N-1), joint index, weight. Out-of-range point or slot is ignored.
  void SetPair(int32_t point, int32_t slot, int32_t joint, float weight);
  std::vector<int32_t>& Joints() { return joints_; }
  const std::vector<int32_t>& Joints() const { return joints_; }
  std::vector<float>& Weights() { return weights_; }
  const std::vector<float>& Weights() const { return weights_; }

  // Joints: their count, the object behind index i (null when freed or out of range), and
  // the bind matrix of index i (identity when out of range).
  int32_t JointCount() const;
  Object* Joint(int32_t index) const;
  C4D_Matrix BindMatrix(int32_t index) const;
  // in: joint, its bind matrix (by default its current global frame). Appends the joint, or
  // for a joint already listed replaces its bind matrix. out: its joint index.
  int32_t AddJoint(const Object& joint, const C4D_Matrix& bind);
  int32_t AddJoint(const Object& joint);
  // Drops every joint and bind matrix (the pairs are kept).
  void ClearJoints();

  // Scene-file data: N, point count, pairs (Int32 joint, Float32 weight), bind matrix count
  // and the bind matrices (four vectors each). out: false on a write failure, or on a read
  // of inconsistent or truncated data (the tag is then unchanged).
  bool WriteData(HyperFile& hf) const override;
  bool ReadData(HyperFile& hf) override;

 protected:
  void CopyDataTo(Node& dst) const override;

 private:
  int32_t influences_ = 1;
  std::vector<int32_t> joints_;
  std::vector<float> weights_;
  std::vector<C4D_Matrix> bind_;
};

// out: the first weight tag on op; null when it has none.
WeightTag* FindWeightTag(const Object& op);

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_WEIGHT_TAG_H
