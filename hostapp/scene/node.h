// Scene nodes: what objects and tags have in common (the host's BaseList2D): a type id,
// a name, a parameter container, bits, a dirty count, and for plug-in types the plug-in
// instance behind the node.
#ifndef HOSTAPP_SCENE_NODE_H
#define HOSTAPP_SCENE_NODE_H

#include <cstdint>
#include <memory>
#include <string>

#include "host/abi/c4d_abi.h"
#include "hostapp/scene/container.h"
#include "hostapp/scene/weak_node.h"

struct C4D_Node {};

namespace hostapp {

class Document;
class HyperFile;
struct PluginInfo;

enum class NodeKind { kObject, kTag };

// How a clone's tags refer back to the tags they were copied from.
enum class CloneMode {
  kWorkingCopy,  // each cloned tag's origin is its source's origin (the scene tag)
  kDuplicate,    // cloned tags are tags of their own (origin: themselves)
};

// Parameter id of the enable switch that every tag carries.
constexpr int32_t kTagEnableId = C4D_EXPRESSION_ENABLE;

class Node : public C4D_Node {
 public:
  virtual ~Node();
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  NodeKind Kind() const { return kind_; }
  bool IsObject() const { return kind_ == NodeKind::kObject; }
  bool IsTag() const { return kind_ == NodeKind::kTag; }
  int32_t Type() const { return type_; }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // The parameter container. Writing through it does not mark the node dirty; the
  // parameter calls below do.
  Container& Data() { return data_; }
  const Container& Data() const { return data_; }

  // Bits (C4D_BIT_ACTIVE = selection), as a mask.
  bool GetBit(int32_t bit) const { return (bits_ & bit) != 0; }
  void SetBit(int32_t bit, bool on) { bits_ = on ? (bits_ | bit) : (bits_ & ~bit); }
  int32_t Bits() const { return bits_; }
  void SetBits(int32_t bits) { bits_ = bits; }

  // A count that grows on every change of the node's data.
  uint32_t DirtyCount() const { return dirty_; }
  void SetDirty() { ++dirty_; }

  // The registered plug-in behind the node and its instance; null for built-in types.
  const PluginInfo* Plugin() const { return plugin_.get(); }
  const std::shared_ptr<const PluginInfo>& PluginShared() const { return plugin_; }
  void* Instance() const { return instance_; }
  // out: the node hooks of the plug-in (object or tag); null for built-in types.
  const C4D_NodeHooks* Hooks() const;

  // out: the document the node is in; null when not inserted.
  virtual Document* GetDocument() const = 0;

  // out: a reference that resolves to this node while it lives.
  WeakNode Weak() const { return WeakNode(this); }

  // Parameter access by one-level id, as the boundary defines it.
  // in: id. out: *out filled (C4D_DA_NIL when absent); true when present. Borrowed
  // pointers in *out stay valid until the parameter changes.
  bool GetParameter(int32_t id, C4D_Data* out) const;
  // in: id, value (LONG, REAL, VECTOR, STRING, ALIASLINK). out: false for other types;
  // on success the node is marked dirty.
  bool SetParameter(int32_t id, const C4D_Data& value);

  // in: message type and data. C4D_MSG_UPDATE marks the node dirty; others go to the
  // plug-in's message hook. out: the hook's answer; true for built-in types.
  bool Message(int32_t type, void* data);
  // in: parameter id. out: whether the plug-in reports it enabled (true by default).
  bool IsParameterEnabled(int32_t id);

  // Built-in data of a type beyond the container (points, weights ...), for scene files.
  // Overridden by node classes that have such data. out: false on a write or read failure.
  virtual bool WriteData(HyperFile& hf) const;
  virtual bool ReadData(HyperFile& hf);
  // out: empty when the built-in data is sound; else what is wrong with it (a point that is
  // not finite, a polygon using a point that does not exist ...). Scene files are written
  // and read only with sound data.
  virtual std::string DataFault() const;

 protected:
  Node(NodeKind kind, int32_t type);

  // in: dst, a node of the same type and kind. Copies name, container, bits and the
  // built-in data of derived classes (not the plug-in data, not the hierarchy).
  virtual void CopyDataTo(Node& dst) const;

  // Creates the plug-in instance for this node: alloc, then init when `init` is true.
  // out: false when alloc returns null or init fails (no instance is kept).
  bool AttachPlugin(std::shared_ptr<const PluginInfo> plugin, bool init);
  // Copies the plug-in data into dst (which has its own instance) through copy_to.
  bool CopyPluginDataTo(Node& dst) const;

  friend class NodeTypes;

 private:
  NodeKind kind_;
  int32_t type_;
  std::string name_;
  Container data_;
  int32_t bits_ = 0;
  uint32_t dirty_ = 0;
  std::shared_ptr<const PluginInfo> plugin_;
  void* instance_ = nullptr;
  std::shared_ptr<NodeAnchor> anchor_;

  friend class WeakNode;
};

// Handle conversions across the boundary.
inline Node* FromC(C4D_Node* n) { return static_cast<Node*>(n); }
inline const Node* FromC(const C4D_Node* n) { return static_cast<const Node*>(n); }
inline C4D_Node* ToC(Node* n) { return n; }

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_NODE_H
