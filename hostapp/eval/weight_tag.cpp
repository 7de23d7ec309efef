#include "hostapp/eval/weight_tag.h"

#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/matrix.h"
#include "hostapp/scene/object.h"

namespace hostapp {

WeightTag::WeightTag() : Tag(C4D_TWEIGHT) { Data().SetInExclude(kWeightTagJoints, InExclude()); }

int32_t WeightTag::PointCount() const { return static_cast<int32_t>(joints_.size()) / influences_; }

void WeightTag::Resize(int32_t point_count, int32_t influences) {
  influences_ = influences < 1 ? 1 : influences;
  const size_t n = static_cast<size_t>(point_count < 0 ? 0 : point_count) * static_cast<size_t>(influences_);
  joints_.assign(n, -1);
  weights_.assign(n, 0.0f);
}

void WeightTag::SetPair(int32_t point, int32_t slot, int32_t joint, float weight) {
  if (point < 0 || point >= PointCount() || slot < 0 || slot >= influences_) return;
  const size_t k = static_cast<size_t>(point) * static_cast<size_t>(influences_) + static_cast<size_t>(slot);
  joints_[k] = joint;
  weights_[k] = weight;
}

int32_t WeightTag::JointCount() const {
  const InExclude* list = Data().GetInExclude(kWeightTagJoints);
  return list ? list->Count() : 0;
}

Object* WeightTag::Joint(int32_t index) const {
  const InExclude* list = Data().GetInExclude(kWeightTagJoints);
  return list ? ToObject(list->Get(index)) : nullptr;
}

C4D_Matrix WeightTag::BindMatrix(int32_t index) const {
  if (index < 0 || index >= static_cast<int32_t>(bind_.size())) return IdentityMatrix();
  return bind_[static_cast<size_t>(index)];
}

int32_t WeightTag::AddJoint(const Object& joint, const C4D_Matrix& bind) {
  InExclude* list = Data().GetInExclude(kWeightTagJoints);
  if (!list) {
    Data().SetInExclude(kWeightTagJoints, InExclude());
    list = Data().GetInExclude(kWeightTagJoints);
  }
  int32_t index = list->FindIndex(&joint);
  if (index < 0) {
    list->Add(&joint);
    index = list->Count() - 1;
  }
  if (bind_.size() < static_cast<size_t>(list->Count())) bind_.resize(static_cast<size_t>(list->Count()), IdentityMatrix());
  bind_[static_cast<size_t>(index)] = bind;
  return index;
}

int32_t WeightTag::AddJoint(const Object& joint) { return AddJoint(joint, joint.Mg()); }

void WeightTag::ClearJoints() {
  Data().SetInExclude(kWeightTagJoints, InExclude());
  bind_.clear();
}

void WeightTag::CopyDataTo(Node& dst) const {
  Tag::CopyDataTo(dst);
  if (auto* d = dynamic_cast<WeightTag*>(&dst)) {
    d->influences_ = influences_;
    d->joints_ = joints_;
    d->weights_ = weights_;
    d->bind_ = bind_;
  }
}

bool WeightTag::WriteData(HyperFile& hf) const {
  bool ok = hf.WriteInt32(influences_) && hf.WriteInt32(PointCount());
  for (size_t k = 0; ok && k < joints_.size(); ++k) ok = hf.WriteInt32(joints_[k]) && hf.WriteFloat32(weights_[k]);
  ok = ok && hf.WriteInt32(static_cast<int32_t>(bind_.size()));
  for (const C4D_Matrix& m : bind_) {
    ok = ok && hf.WriteVector(m.off) && hf.WriteVector(m.v1) && hf.WriteVector(m.v2) && hf.WriteVector(m.v3);
  }
  return ok;
}

bool WeightTag::ReadData(HyperFile& hf) {
  int32_t influences = 0, points = 0, binds = 0;
  if (!hf.ReadInt32(&influences) || influences < 1 || !hf.ReadInt32(&points) || points < 0) return false;
  const int64_t pair_size = HyperFile::kInt32Size + HyperFile::kFloat32Size;
  if (static_cast<int64_t>(points) * influences > hf.Remaining() / pair_size) return false;
  const size_t n = static_cast<size_t>(points) * static_cast<size_t>(influences);
  std::vector<int32_t> joints(n);
  std::vector<float> weights(n);
  for (size_t k = 0; k < n; ++k) {
    if (!hf.ReadInt32(&joints[k]) || !hf.ReadFloat32(&weights[k])) return false;
  }
  if (!hf.ReadInt32(&binds) || binds < 0 || binds > hf.Remaining() / (4 * HyperFile::kVectorSize)) return false;
  std::vector<C4D_Matrix> bind(static_cast<size_t>(binds));
  for (C4D_Matrix& m : bind) {
    if (!hf.ReadVector(&m.off) || !hf.ReadVector(&m.v1) || !hf.ReadVector(&m.v2) || !hf.ReadVector(&m.v3)) {
      return false;
    }
  }
  influences_ = influences;
  joints_ = std::move(joints);
  weights_ = std::move(weights);
  bind_ = std::move(bind);
  return true;
}

WeightTag* FindWeightTag(const Object& op) {
  for (Tag* t = op.FirstTag(); t; t = t->Next()) {
    if (auto* w = dynamic_cast<WeightTag*>(t)) return w;
  }
  return nullptr;
}

}  // namespace hostapp
