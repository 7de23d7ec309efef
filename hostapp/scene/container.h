// Parameter containers: what a node stores under its parameter ids (the host's
// BaseContainer), and the in/exclude list value.
#ifndef HOSTAPP_SCENE_CONTAINER_H
#define HOSTAPP_SCENE_CONTAINER_H

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/scene/weak_node.h"

// Opaque handles of the boundary, completed here so that hostapp types convert to them.
struct C4D_Container {};
struct C4D_InExclude {};

namespace hostapp {

// An ordered list of weak node references (the in/exclude parameter type).
class InExclude : public C4D_InExclude {
 public:
  // out: the number of entries, dangling ones included.
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // in: index. out: the node of that entry; null when out of range or freed.
  Node* Get(int32_t index) const;
  // in: node (null is ignored). Appends it unless it is already listed.
  void Add(const Node* node);
  // in: node. out: true when it was listed and has been removed.
  bool Remove(const Node* node);
  void Clear() { entries_.clear(); }
  // in: node. out: the index of its entry, -1 when absent (or node null).
  int32_t FindIndex(const Node* node) const;

  const std::vector<WeakNode>& Entries() const { return entries_; }
  // Appends an entry as it is, dangling or empty (for readers restoring a list).
  void Append(WeakNode entry) { entries_.push_back(entry); }

 private:
  std::vector<WeakNode> entries_;
};

// The types a container value can hold, in the order of the Value alternatives.
enum class ValueType : int32_t { kInt32 = 0, kFloat = 1, kVector = 2, kString = 3, kLink = 4, kInExclude = 5 };

// One stored value. A link is a weak reference; Bool is stored as Int32 0 or 1.
using Value = std::variant<int32_t, double, C4D_Vector, std::string, WeakNode, InExclude>;

inline ValueType TypeOf(const Value& v) { return static_cast<ValueType>(v.index()); }

// in: a, b. out: true when both hold the same type and the same bits (floats compared
// bit for bit, links and list entries by the node they resolve to).
bool SameValue(const Value& a, const Value& b);

// Parameter values by id, ordered by id.
class Container : public C4D_Container {
 public:
  bool Has(int32_t id) const { return values_.count(id) != 0; }
  // out: the value under id, null when absent (borrowed until the container changes).
  const Value* Find(int32_t id) const;
  Value* Find(int32_t id);

  // Typed reads: the value under id, or def when absent or of another type.
  int32_t GetInt32(int32_t id, int32_t def = 0) const;
  bool GetBool(int32_t id, bool def = false) const { return GetInt32(id, def ? 1 : 0) != 0; }
  double GetFloat(int32_t id, double def = 0.0) const;
  C4D_Vector GetVector(int32_t id, C4D_Vector def = C4D_Vector{0, 0, 0}) const;
  std::string GetString(int32_t id, const std::string& def = std::string()) const;
  // out: the linked node; null when absent, empty, dangling or not a link.
  Node* GetLink(int32_t id) const;
  // out: the list under id; null when absent or not a list.
  const InExclude* GetInExclude(int32_t id) const;
  InExclude* GetInExclude(int32_t id);

  // Writes replace whatever was stored under id, whatever its type.
  void Set(int32_t id, Value v) { values_[id] = std::move(v); }
  void SetInt32(int32_t id, int32_t v) { Set(id, v); }
  void SetBool(int32_t id, bool v) { Set(id, int32_t(v ? 1 : 0)); }
  void SetFloat(int32_t id, double v) { Set(id, v); }
  void SetVector(int32_t id, const C4D_Vector& v) { Set(id, v); }
  void SetString(int32_t id, const std::string& v) { Set(id, v); }
  void SetLink(int32_t id, const Node* target) { Set(id, WeakNode(target)); }
  void SetInExclude(int32_t id, const InExclude& list) { Set(id, list); }

  // out: true when id was present.
  bool Remove(int32_t id) { return values_.erase(id) != 0; }
  void Clear() { values_.clear(); }
  size_t Size() const { return values_.size(); }
  const std::map<int32_t, Value>& Values() const { return values_; }

  // out: true when both hold the same ids with SameValue values.
  bool Equals(const Container& other) const;

 private:
  std::map<int32_t, Value> values_;
};

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_CONTAINER_H
