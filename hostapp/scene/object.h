// Objects: nodes in a hierarchy (parent, ordered children) carrying ordered tags, a local
// frame and state bits. Polygon objects add points and polygons.
#ifndef HOSTAPP_SCENE_OBJECT_H
#define HOSTAPP_SCENE_OBJECT_H

#include <memory>
#include <vector>

#include "hostapp/scene/node.h"

namespace hostapp {

class Tag;

class Object : public Node {
 public:
  // A free-standing object of a type id; NodeTypes creates objects of registered types.
  explicit Object(int32_t type);
  // Detaches from the hierarchy; frees children and tags.
  ~Object() override;

  // Hierarchy; null at the ends. Up() is null for top-level objects of a document.
  Object* Up() const;
  Object* Down() const { return first_child_; }
  Object* DownLast() const { return last_child_; }
  Object* Next() const { return next_; }
  Object* Pred() const { return prev_; }
  std::vector<Object*> Children() const;
  // out: true when the object sits under a parent or in a document.
  bool IsInserted() const { return parent_ != nullptr; }
  Document* GetDocument() const override;

  // Insertion. The object is detached first if it was inserted; from then on its new
  // parent (or document) owns it.
  void InsertUnder(Object* parent);      // as first child
  void InsertUnderLast(Object* parent);  // as last child
  void InsertAfter(Object* pred);        // as pred's next sibling
  void InsertBefore(Object* next);       // as next's previous sibling
  // Detaches the object (with its children and tags). out: ownership of it; null when it
  // was not inserted (the caller already owns it then).
  std::unique_ptr<Object> Remove();

  // Tags in order.
  Tag* FirstTag() const { return first_tag_; }
  Tag* LastTag() const { return last_tag_; }
  std::vector<Tag*> Tags() const;
  // out: the first tag of type; null when none.
  Tag* FindTag(int32_t type) const;
  // in: tag (free-standing or on another object), pred (a tag of this object, or null for
  // first). The object owns the tag from then on.
  void InsertTag(Tag* tag, Tag* pred = nullptr);

  // Frames: local (relative to the parent) and global (through the parent chain).
  const C4D_Matrix& Ml() const { return ml_; }
  void SetMl(const C4D_Matrix& m) { ml_ = m; }
  C4D_Matrix Mg() const;

  // State bits (C4D_OBJECT_DEFORM, on for a new object).
  bool GetState(int32_t state) const { return (state_ & state) != 0; }
  void SetState(int32_t state, bool on) { state_ = on ? (state_ | state) : (state_ & ~state); }
  int32_t States() const { return state_; }
  void SetStates(int32_t states) { state_ = states; }

  // A deep copy with children and tags, not inserted. Containers are copied by value,
  // links keep their targets; plug-in nodes get a new instance (alloc) filled by copy_to.
  // out: null when a plug-in's alloc or copy_to fails (nothing is left behind).
  std::unique_ptr<Object> Clone(CloneMode mode = CloneMode::kWorkingCopy) const;

 protected:
  void CopyDataTo(Node& dst) const override;

 private:
  friend class Tag;
  friend class Document;
  struct RootMark {};
  Object(RootMark, Document* doc);  // the hidden parent of a document's top-level objects

  void Link(Object* parent, Object* prev, Object* next);
  void Unlink();
  void LinkTag(Tag* tag, Tag* pred);

  Object* parent_ = nullptr;
  Object* prev_ = nullptr;
  Object* next_ = nullptr;
  Object* first_child_ = nullptr;
  Object* last_child_ = nullptr;
  Tag* first_tag_ = nullptr;
  Tag* last_tag_ = nullptr;
  Document* root_of_ = nullptr;  // set on a document's hidden root only
  C4D_Matrix ml_;
  int32_t state_ = C4D_OBJECT_DEFORM;
};

// A polygon object (type C4D_OPOLYGON): points and polygons.
class PolygonObject : public Object {
 public:
  PolygonObject() : Object(C4D_OPOLYGON) {}

  std::vector<C4D_Vector>& Points() { return points_; }
  const std::vector<C4D_Vector>& Points() const { return points_; }
  std::vector<C4D_CPolygon>& Polygons() { return polygons_; }
  const std::vector<C4D_CPolygon>& Polygons() const { return polygons_; }

  bool WriteData(HyperFile& hf) const override;
  bool ReadData(HyperFile& hf) override;
  std::string DataFault() const override;

 protected:
  void CopyDataTo(Node& dst) const override;

 private:
  std::vector<C4D_Vector> points_;
  std::vector<C4D_CPolygon> polygons_;
};

inline Object* ToObject(Node* n) { return n && n->IsObject() ? static_cast<Object*>(n) : nullptr; }
inline Object* ToObject(C4D_Node* n) { return ToObject(FromC(n)); }
// out: the polygon object behind a node; null for other nodes.
inline PolygonObject* ToPolygonObject(Node* n) { return dynamic_cast<PolygonObject*>(n); }

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_OBJECT_H
