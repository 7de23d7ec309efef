// Weak references to scene nodes: links and in/exclude entries point at a node without
// owning it and read as null once the node is freed.
#ifndef HOSTAPP_SCENE_WEAK_NODE_H
#define HOSTAPP_SCENE_WEAK_NODE_H

#include <memory>

namespace hostapp {

class Node;

// Shared by a node and every weak reference to it; the node clears it when it dies.
struct NodeAnchor {
  Node* node;
};

// A reference to a node that does not keep it alive.
class WeakNode {
 public:
  WeakNode() = default;
  // in: node, or null for an empty reference.
  explicit WeakNode(const Node* node);

  // out: the node while it is alive; null when empty or when the node was freed.
  Node* Get() const {
    std::shared_ptr<NodeAnchor> a = anchor_.lock();
    return a ? a->node : nullptr;
  }

 private:
  std::weak_ptr<NodeAnchor> anchor_;
};

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_WEAK_NODE_H
