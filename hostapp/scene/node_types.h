// The table of node types the host can create: built-in object and tag types (extensible
// by other host modules) and, behind them, the object and tag types plug-ins registered.
#ifndef HOSTAPP_SCENE_NODE_TYPES_H
#define HOSTAPP_SCENE_NODE_TYPES_H

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "hostapp/scene/object.h"
#include "hostapp/scene/tag.h"

namespace hostapp {

class NodeTypes {
 public:
  using ObjectFactory = std::function<std::unique_ptr<Object>()>;
  using TagFactory = std::function<std::unique_ptr<Tag>()>;

  // The host's one table, holding polygon 5100, spline 5101, null 5140, joint 1019362,
  // skin 1019363 and the vertex map tag 5682 from the start (the evaluation module adds its
  // deformers, the point cache among them).
  static NodeTypes& Global();

  // Adds a built-in type. in: type id, default name, factory (returns a node of that type,
  // null on failure). out: false when the id is already a built-in type of either kind.
  bool RegisterObjectType(int32_t type, const std::string& name, ObjectFactory factory);
  bool RegisterTagType(int32_t type, const std::string& name, TagFactory factory);

  bool IsBuiltinObject(int32_t type) const { return objects_.count(type) != 0; }
  bool IsBuiltinTag(int32_t type) const { return tags_.count(type) != 0; }

  // A new node of a type id, named after its type, not inserted: a built-in type through
  // its factory, else a registered plug-in type of the same kind (alloc, then init).
  // out: null for an unknown type id, a failing alloc or init, or a pending test failure.
  std::unique_ptr<Object> CreateObject(int32_t type);
  std::unique_ptr<Tag> CreateTag(int32_t type);

  // The empty node a copy of `src` starts from: same type, plug-in instance allocated
  // but not initialised (copy_to fills it). out: null on failure.
  std::unique_ptr<Object> CreateObjectForCopy(const Object& src);
  std::unique_ptr<Tag> CreateTagForCopy(const Tag& src);

  // Test switch: the next creation of a node of type fails.
  void FailNextCreation(int32_t type) { fail_next_.insert(type); }

 private:
  NodeTypes();
  bool TakeFailure(int32_t type);

  struct ObjectType {
    std::string name;
    ObjectFactory factory;
  };
  struct TagType {
    std::string name;
    TagFactory factory;
  };
  std::map<int32_t, ObjectType> objects_;
  std::map<int32_t, TagType> tags_;
  std::set<int32_t> fail_next_;
};

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_NODE_TYPES_H
