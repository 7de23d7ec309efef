// Documents: a scene of top-level objects in order, its selection and its undo steps.
#ifndef HOSTAPP_SCENE_DOCUMENT_H
#define HOSTAPP_SCENE_DOCUMENT_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostapp/scene/object.h"
#include "hostapp/scene/tag.h"

struct C4D_Document {};

namespace hostapp {

class Document : public C4D_Document {
 public:
  Document();
  // Frees every object (and with them their tags and plug-in instances).
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // The first top-level object; walk on with Object::Next / Down.
  Object* FirstObject() const;
  Object* LastObject() const;
  // out: every object in hierarchy order (depth first, parents before children).
  std::vector<Object*> AllObjects() const;
  // out: the first object (hierarchy order) with that name; null when none.
  Object* FindObject(const std::string& name) const;

  // Inserts op (the document owns it from then on): after pred when pred is given (under
  // pred's parent); otherwise first under parent, or first at the top when parent is null.
  // An inserted op is moved. Nothing happens for a null op, or when the place would make
  // op its own ancestor.
  void InsertObject(Object* op, Object* parent, Object* pred);
  // As InsertObject, taking ownership. out: the inserted object.
  Object* InsertObject(std::unique_ptr<Object> op, Object* parent, Object* pred);
  // Inserts op as the last top-level object. out: op.
  Object* AppendObject(std::unique_ptr<Object> op);

  // Selected objects (C4D_BIT_ACTIVE) in hierarchy order, of `type` (0: any type). A
  // selected object below a selected object counts only with `children`.
  std::vector<Object*> SelectedObjects(bool children, int32_t type) const;

  // Undo. StartUndo/EndUndo bracket one step (nested brackets join the outer one);
  // AddUndo records a node inserted during the step (type C4D_UNDOTYPE_NEW).
  // out: false for AddUndo outside a step, of another type or with a null node, and for
  // EndUndo without StartUndo.
  bool StartUndo();
  bool EndUndo();
  bool AddUndo(int32_t type, Node* node);
  // Undoes the last step: removes and frees every node it recorded that is still alive,
  // latest first. out: false when there is no step.
  bool Undo();
  // out: the number of steps that Undo can take back.
  size_t UndoSteps() const { return steps_.size(); }

 private:
  std::unique_ptr<Object> root_;  // hidden parent of the top-level objects
  std::vector<std::vector<WeakNode>> steps_;
  std::vector<WeakNode> open_;
  int32_t open_depth_ = 0;
};

inline Document* FromC(C4D_Document* d) { return static_cast<Document*>(d); }

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_DOCUMENT_H
