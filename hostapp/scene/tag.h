// Tags: nodes attached, in order, to an object. Every tag carries the enable switch; a tag
// copied into a working copy remembers the scene tag it came from (its origin).
#ifndef HOSTAPP_SCENE_TAG_H
#define HOSTAPP_SCENE_TAG_H

#include <memory>
#include <vector>

#include "hostapp/scene/node.h"

namespace hostapp {

class Object;

class Tag : public Node {
 public:
  // A free-standing tag of a type id, enable switch on.
  explicit Tag(int32_t type);
  // Detaches from its object.
  ~Tag() override;

  // out: the object carrying the tag; null when free-standing.
  Object* GetObject() const { return owner_; }
  Tag* Next() const { return next_; }
  Tag* Pred() const { return prev_; }
  Document* GetDocument() const override;

  // out: the scene tag this tag was copied from; the tag itself when it is a scene tag;
  // null when the origin has been freed.
  Tag* Origin() const;
  // in: origin (null: the tag becomes its own origin).
  void SetOrigin(const Tag* origin);

  // Detaches the tag. out: ownership of it; null when it was not on an object.
  std::unique_ptr<Tag> Remove();

  // Variable data (one entry per point); none by default.
  virtual int32_t VariableCount() const { return 0; }
  virtual const void* VariableData() const { return nullptr; }

  // A copy of the tag, not attached; its origin follows `mode` (see CloneMode). out: null
  // when a plug-in's alloc or copy_to fails.
  std::unique_ptr<Tag> Clone(CloneMode mode) const;

 protected:
  void CopyDataTo(Node& dst) const override;

 private:
  friend class Object;

  Object* owner_ = nullptr;
  Tag* prev_ = nullptr;
  Tag* next_ = nullptr;
  bool has_origin_ = false;
  WeakNode origin_;
};

// A vertex map (type C4D_TVERTEXMAP): one 32-bit weight per point.
class VertexMapTag : public Tag {
 public:
  VertexMapTag() : Tag(C4D_TVERTEXMAP) {}

  std::vector<float>& Weights() { return weights_; }
  const std::vector<float>& Weights() const { return weights_; }

  int32_t VariableCount() const override { return static_cast<int32_t>(weights_.size()); }
  const void* VariableData() const override { return weights_.empty() ? nullptr : weights_.data(); }

  bool WriteData(HyperFile& hf) const override;
  bool ReadData(HyperFile& hf) override;
  std::string DataFault() const override;

 protected:
  void CopyDataTo(Node& dst) const override;

 private:
  std::vector<float> weights_;
};

inline Tag* ToTag(Node* n) { return n && n->IsTag() ? static_cast<Tag*>(n) : nullptr; }
inline Tag* ToTag(C4D_Node* n) { return ToTag(FromC(n)); }

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_TAG_H
