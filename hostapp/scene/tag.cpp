#include "hostapp/scene/tag.h"

#include <cmath>
#include <string>

#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/object.h"

namespace hostapp {

Tag::Tag(int32_t type) : Node(NodeKind::kTag, type) { Data().SetInt32(kTagEnableId, 1); }

Tag::~Tag() { Remove().release(); }

Document* Tag::GetDocument() const { return owner_ ? owner_->GetDocument() : nullptr; }

Tag* Tag::Origin() const {
  if (!has_origin_) return const_cast<Tag*>(this);
  return ToTag(origin_.Get());
}

void Tag::SetOrigin(const Tag* origin) {
  has_origin_ = origin && origin != this;
  origin_ = has_origin_ ? WeakNode(origin) : WeakNode();
}

std::unique_ptr<Tag> Tag::Remove() {
  if (!owner_) return nullptr;
  if (prev_) prev_->next_ = next_; else owner_->first_tag_ = next_;
  if (next_) next_->prev_ = prev_; else owner_->last_tag_ = prev_;
  owner_ = nullptr;
  prev_ = next_ = nullptr;
  return std::unique_ptr<Tag>(this);
}

void Tag::CopyDataTo(Node& dst) const { Node::CopyDataTo(dst); }

std::unique_ptr<Tag> Tag::Clone(CloneMode mode) const {
  std::unique_ptr<Tag> dst = NodeTypes::Global().CreateTagForCopy(*this);
  if (!dst) return nullptr;
  CopyDataTo(*dst);
  if (mode == CloneMode::kWorkingCopy) {
    // The copy answers with the scene tag, also when this tag is itself a copy; an origin
    // that has been freed stays unknown.
    dst->has_origin_ = true;
    dst->origin_ = has_origin_ ? origin_ : WeakNode(this);
  }
  if (!CopyPluginDataTo(*dst)) return nullptr;
  return dst;
}

void VertexMapTag::CopyDataTo(Node& dst) const {
  Tag::CopyDataTo(dst);
  if (auto* d = dynamic_cast<VertexMapTag*>(&dst)) d->weights_ = weights_;
}

bool VertexMapTag::WriteData(HyperFile& hf) const {
  bool ok = hf.WriteInt32(static_cast<int32_t>(weights_.size()));
  for (float w : weights_) ok = ok && hf.WriteFloat32(w);
  return ok;
}

std::string VertexMapTag::DataFault() const {
  for (size_t i = 0; i < weights_.size(); ++i) {
    if (!std::isfinite(weights_[i])) return "weight " + std::to_string(i) + " is not finite";
  }
  return {};
}

bool VertexMapTag::ReadData(HyperFile& hf) {
  int32_t n = 0;
  if (!hf.ReadInt32(&n) || n < 0 || n > hf.Remaining() / HyperFile::kFloat32Size) return false;
  std::vector<float> weights(static_cast<size_t>(n));
  for (float& w : weights) {
    if (!hf.ReadFloat32(&w)) return false;
  }
  weights_ = std::move(weights);
  return true;
}

}  // namespace hostapp
