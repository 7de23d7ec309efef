// Temporary node lists handed to plug-ins: atom arrays (selections) and an evaluation's
// execution list.
#ifndef HOSTAPP_SCENE_LISTS_H
#define HOSTAPP_SCENE_LISTS_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "hostapp/scene/node.h"

struct C4D_AtomArray {};
struct C4D_PriorityList {};

namespace hostapp {

// A list of nodes, owned by whoever allocated it; the nodes are borrowed.
class AtomArray : public C4D_AtomArray {
 public:
  std::vector<Node*> nodes;
};

// The nodes an evaluation executes, each at the priority it asked for.
class PriorityList : public C4D_PriorityList {
 public:
  struct Entry {
    Node* node;
    int32_t priority;
    int32_t flags;
  };

  // in: node, priority, flags. Appends an entry.
  void Add(Node* node, int32_t priority, int32_t flags) { entries_.push_back({node, priority, flags}); }
  // out: the entries by ascending priority; entries of equal priority in the order added.
  std::vector<Entry> Sorted() const {
    std::vector<Entry> out = entries_;
    std::stable_sort(out.begin(), out.end(),
                     [](const Entry& a, const Entry& b) { return a.priority < b.priority; });
    return out;
  }
  const std::vector<Entry>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
};

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_LISTS_H
