#include "hostapp/scene/object.h"

#include <cmath>
#include <string>

#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/matrix.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/tag.h"

namespace hostapp {

Object::Object(int32_t type) : Node(NodeKind::kObject, type), ml_(IdentityMatrix()) {}

Object::Object(RootMark, Document* doc) : Object(0) { root_of_ = doc; }

Object::~Object() {
  Unlink();
  while (first_tag_) delete first_tag_;
  while (first_child_) delete first_child_;
}

Object* Object::Up() const { return parent_ && !parent_->root_of_ ? parent_ : nullptr; }

std::vector<Object*> Object::Children() const {
  std::vector<Object*> out;
  for (Object* c = first_child_; c; c = c->next_) out.push_back(c);
  return out;
}

Document* Object::GetDocument() const {
  const Object* top = this;
  while (top->parent_) top = top->parent_;
  return top->root_of_;
}

void Object::Link(Object* parent, Object* prev, Object* next) {
  parent_ = parent;
  prev_ = prev;
  next_ = next;
  if (prev) prev->next_ = this; else parent->first_child_ = this;
  if (next) next->prev_ = this; else parent->last_child_ = this;
}

void Object::Unlink() {
  if (!parent_) return;
  if (prev_) prev_->next_ = next_; else parent_->first_child_ = next_;
  if (next_) next_->prev_ = prev_; else parent_->last_child_ = prev_;
  parent_ = prev_ = next_ = nullptr;
}

namespace {

// in: op, place (the object that would become op's parent). out: true when placing op
// there would make op its own ancestor.
bool WouldCycle(const Object* op, const Object* place) {
  for (const Object* o = place; o; o = o->Up()) {
    if (o == op) return true;
  }
  return false;
}

}  // namespace

void Object::InsertUnder(Object* parent) {
  if (!parent || root_of_ || WouldCycle(this, parent)) return;
  Unlink();
  Link(parent, nullptr, parent->first_child_);
}

void Object::InsertUnderLast(Object* parent) {
  if (!parent || root_of_ || WouldCycle(this, parent)) return;
  Unlink();
  Link(parent, parent->last_child_, nullptr);
}

void Object::InsertAfter(Object* pred) {
  if (!pred || pred == this || !pred->parent_ || root_of_ || WouldCycle(this, pred->parent_)) return;
  Unlink();
  Link(pred->parent_, pred, pred->next_);
}

void Object::InsertBefore(Object* next) {
  if (!next || next == this || !next->parent_ || root_of_ || WouldCycle(this, next->parent_)) return;
  Unlink();
  Link(next->parent_, next->prev_, next);
}

std::unique_ptr<Object> Object::Remove() {
  if (!parent_) return nullptr;
  Unlink();
  return std::unique_ptr<Object>(this);
}

std::vector<Tag*> Object::Tags() const {
  std::vector<Tag*> out;
  for (Tag* t = first_tag_; t; t = t->next_) out.push_back(t);
  return out;
}

Tag* Object::FindTag(int32_t type) const {
  for (Tag* t = first_tag_; t; t = t->next_) {
    if (t->Type() == type) return t;
  }
  return nullptr;
}

void Object::LinkTag(Tag* tag, Tag* pred) {
  tag->owner_ = this;
  tag->prev_ = pred;
  tag->next_ = pred ? pred->next_ : first_tag_;
  if (tag->prev_) tag->prev_->next_ = tag; else first_tag_ = tag;
  if (tag->next_) tag->next_->prev_ = tag; else last_tag_ = tag;
}

void Object::InsertTag(Tag* tag, Tag* pred) {
  if (!tag || tag == pred) return;
  if (pred && pred->owner_ != this) pred = nullptr;
  tag->Remove().release();  // ownership passes to this object below
  LinkTag(tag, pred);
}

C4D_Matrix Object::Mg() const {
  const Object* up = Up();
  return up ? MultiplyMatrix(up->Mg(), ml_) : ml_;
}

void Object::CopyDataTo(Node& dst) const {
  Node::CopyDataTo(dst);
  auto& d = static_cast<Object&>(dst);
  d.ml_ = ml_;
  d.state_ = state_;
}

std::unique_ptr<Object> Object::Clone(CloneMode mode) const {
  std::unique_ptr<Object> dst = NodeTypes::Global().CreateObjectForCopy(*this);
  if (!dst) return nullptr;
  CopyDataTo(*dst);
  if (!CopyPluginDataTo(*dst)) return nullptr;
  for (Tag* t = first_tag_; t; t = t->next_) {
    std::unique_ptr<Tag> copy = t->Clone(mode);
    if (!copy) return nullptr;
    dst->LinkTag(copy.release(), dst->last_tag_);
  }
  for (Object* c = first_child_; c; c = c->next_) {
    std::unique_ptr<Object> copy = c->Clone(mode);
    if (!copy) return nullptr;
    copy.release()->Link(dst.get(), dst->last_child_, nullptr);
  }
  return dst;
}

void PolygonObject::CopyDataTo(Node& dst) const {
  Object::CopyDataTo(dst);
  if (auto* d = dynamic_cast<PolygonObject*>(&dst)) {
    d->points_ = points_;
    d->polygons_ = polygons_;
  }
}

bool PolygonObject::WriteData(HyperFile& hf) const {
  bool ok = hf.WriteInt32(static_cast<int32_t>(points_.size()));
  for (const C4D_Vector& p : points_) ok = ok && hf.WriteVector(p);
  ok = ok && hf.WriteInt32(static_cast<int32_t>(polygons_.size()));
  for (const C4D_CPolygon& q : polygons_) {
    ok = ok && hf.WriteInt32(q.a) && hf.WriteInt32(q.b) && hf.WriteInt32(q.c) && hf.WriteInt32(q.d);
  }
  return ok;
}

std::string PolygonObject::DataFault() const {
  for (size_t i = 0; i < points_.size(); ++i) {
    const C4D_Vector& p = points_[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      return "point " + std::to_string(i) + " is not finite";
  }
  const int64_t count = static_cast<int64_t>(points_.size());
  for (size_t i = 0; i < polygons_.size(); ++i) {
    const C4D_CPolygon& q = polygons_[i];
    for (int32_t c : {q.a, q.b, q.c, q.d}) {
      if (c < 0 || c >= count) {
        return "polygon " + std::to_string(i) + " uses point " + std::to_string(c) + ", outside its " +
               std::to_string(count) + " points";
      }
    }
  }
  return {};
}

bool PolygonObject::ReadData(HyperFile& hf) {
  int32_t n = 0;
  if (!hf.ReadInt32(&n) || n < 0 || n > hf.Remaining() / HyperFile::kVectorSize) return false;
  std::vector<C4D_Vector> points(static_cast<size_t>(n));
  for (C4D_Vector& p : points) {
    if (!hf.ReadVector(&p)) return false;
  }
  if (!hf.ReadInt32(&n) || n < 0 || n > hf.Remaining() / (4 * HyperFile::kInt32Size)) return false;
  std::vector<C4D_CPolygon> polygons(static_cast<size_t>(n));
  for (C4D_CPolygon& q : polygons) {
    if (!hf.ReadInt32(&q.a) || !hf.ReadInt32(&q.b) || !hf.ReadInt32(&q.c) || !hf.ReadInt32(&q.d)) {
      return false;
    }
  }
  points_ = std::move(points);
  polygons_ = std::move(polygons);
  return true;
}

}  // namespace hostapp
