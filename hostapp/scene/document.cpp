#include "hostapp/scene/document.h"

namespace hostapp {

Document::Document() : root_(new Object(Object::RootMark{}, this)) {}

Document::~Document() {
  // Free the objects while the document still exists: plug-ins may ask for it on free.
  while (Object* op = root_->Down()) delete op;
}

Object* Document::FirstObject() const { return root_->Down(); }

Object* Document::LastObject() const { return root_->DownLast(); }

namespace {

void Collect(Object* op, std::vector<Object*>* out) {
  for (; op; op = op->Next()) {
    out->push_back(op);
    Collect(op->Down(), out);
  }
}

void CollectSelected(Object* op, bool children, int32_t type, bool below_selected,
                     std::vector<Object*>* out) {
  for (; op; op = op->Next()) {
    bool selected = op->GetBit(C4D_BIT_ACTIVE);
    if (selected && (children || !below_selected) && (type == 0 || op->Type() == type)) {
      out->push_back(op);
    }
    CollectSelected(op->Down(), children, type, below_selected || selected, out);
  }
}

}  // namespace

std::vector<Object*> Document::AllObjects() const {
  std::vector<Object*> out;
  Collect(FirstObject(), &out);
  return out;
}

Object* Document::FindObject(const std::string& name) const {
  for (Object* op : AllObjects()) {
    if (op->Name() == name) return op;
  }
  return nullptr;
}

void Document::InsertObject(Object* op, Object* parent, Object* pred) {
  if (!op) return;
  if (pred) {
    op->InsertAfter(pred);
  } else {
    op->InsertUnder(parent ? parent : root_.get());
  }
}

Object* Document::InsertObject(std::unique_ptr<Object> op, Object* parent, Object* pred) {
  Object* raw = op.get();
  InsertObject(op.release(), parent, pred);
  if (!raw->IsInserted()) {
    delete raw;  // refused (a cycle): nobody else owns it
    return nullptr;
  }
  return raw;
}

Object* Document::AppendObject(std::unique_ptr<Object> op) {
  Object* last = LastObject();
  return InsertObject(std::move(op), nullptr, last);
}

std::vector<Object*> Document::SelectedObjects(bool children, int32_t type) const {
  std::vector<Object*> out;
  CollectSelected(FirstObject(), children, type, false, &out);
  return out;
}

bool Document::StartUndo() {
  ++open_depth_;
  return true;
}

bool Document::EndUndo() {
  if (open_depth_ == 0) return false;
  if (--open_depth_ == 0 && !open_.empty()) {
    steps_.push_back(std::move(open_));
    open_.clear();
  }
  return true;
}

bool Document::AddUndo(int32_t type, Node* node) {
  if (open_depth_ == 0 || type != C4D_UNDOTYPE_NEW || !node) return false;
  open_.push_back(node->Weak());
  return true;
}

bool Document::Undo() {
  if (steps_.empty()) return false;
  std::vector<WeakNode> step = std::move(steps_.back());
  steps_.pop_back();
  for (auto it = step.rbegin(); it != step.rend(); ++it) {
    Node* n = it->Get();
    if (!n || n->GetDocument() != this) continue;
    if (Object* op = ToObject(n)) {
      op->Remove();  // the returned owner frees it
    } else if (Tag* tag = ToTag(n)) {
      tag->Remove();
    }
  }
  return true;
}

}  // namespace hostapp
