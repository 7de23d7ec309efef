#include "hostapp/eval/working_copy.h"

#include <vector>

#include "hostapp/scene/object.h"

namespace hostapp {

namespace {

// in: source. out: a working copy of source and its tags, without children (Object::Clone
// copies a whole subtree, so the children step out while it runs); null on failure.
std::unique_ptr<Object> CloneWithoutChildren(Object& source) {
  std::vector<std::unique_ptr<Object>> children;
  children.reserve(source.Children().size());  // so that no push_back below can throw
  struct PutBack {
    Object& parent;
    std::vector<std::unique_ptr<Object>>& children;
    ~PutBack() {
      for (auto& c : children) c.release()->InsertUnderLast(&parent);
    }
  } put_back{source, children};
  while (Object* c = source.Down()) children.push_back(c->Remove());
  return source.Clone(CloneMode::kWorkingCopy);
}

}  // namespace

WorkingCopy::WorkingCopy(Object& source) {
  if (!source.IsInserted()) return;
  std::unique_ptr<Object> copy = CloneWithoutChildren(source);
  if (!copy) return;
  copy->SetBit(C4D_BIT_ACTIVE, false);  // the copy is no part of the user's selection
  copy_ = copy.release();
  copy_->InsertAfter(&source);
}

WorkingCopy::~WorkingCopy() {
  if (!copy_) return;
  std::unique_ptr<Object> owned = copy_->Remove();
  if (!owned) delete copy_;
}

PolygonObject* WorkingCopy::Polygon() const { return copy_ ? ToPolygonObject(copy_) : nullptr; }

}  // namespace hostapp
