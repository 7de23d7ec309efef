#include "hostapp/scene/node_types.h"

#include "hostapp/scene/registry.h"

namespace hostapp {

NodeTypes& NodeTypes::Global() {
  static NodeTypes types;
  return types;
}

NodeTypes::NodeTypes() {
  auto plain = [](int32_t type) { return [type] { return std::make_unique<Object>(type); }; };
  RegisterObjectType(C4D_OPOLYGON, "Polygon", [] { return std::make_unique<PolygonObject>(); });
  RegisterObjectType(C4D_OSPLINE, "Spline", plain(C4D_OSPLINE));
  RegisterObjectType(C4D_ONULL, "Null", plain(C4D_ONULL));
  RegisterObjectType(C4D_OJOINT, "Joint", plain(C4D_OJOINT));
  RegisterObjectType(C4D_OSKIN, "Skin", plain(C4D_OSKIN));
  RegisterTagType(C4D_TVERTEXMAP, "Vertex Map", [] { return std::make_unique<VertexMapTag>(); });
}

bool NodeTypes::RegisterObjectType(int32_t type, const std::string& name, ObjectFactory factory) {
  if (!factory || IsBuiltinObject(type) || IsBuiltinTag(type)) return false;
  objects_[type] = ObjectType{name, std::move(factory)};
  return true;
}

bool NodeTypes::RegisterTagType(int32_t type, const std::string& name, TagFactory factory) {
  if (!factory || IsBuiltinObject(type) || IsBuiltinTag(type)) return false;
  tags_[type] = TagType{name, std::move(factory)};
  return true;
}

bool NodeTypes::TakeFailure(int32_t type) { return fail_next_.erase(type) != 0; }

std::unique_ptr<Object> NodeTypes::CreateObject(int32_t type) {
  if (TakeFailure(type)) return nullptr;
  auto builtin = objects_.find(type);
  if (builtin != objects_.end()) {
    std::unique_ptr<Object> op = builtin->second.factory();
    if (op) op->SetName(builtin->second.name);
    return op;
  }
  std::shared_ptr<const PluginInfo> plugin = Registry::Global().Find(type);
  if (!plugin || plugin->kind != PluginKind::kObject) return nullptr;
  auto op = std::make_unique<Object>(type);
  op->SetName(plugin->name);
  if (!op->AttachPlugin(plugin, true)) return nullptr;
  return op;
}

std::unique_ptr<Tag> NodeTypes::CreateTag(int32_t type) {
  if (TakeFailure(type)) return nullptr;
  auto builtin = tags_.find(type);
  if (builtin != tags_.end()) {
    std::unique_ptr<Tag> tag = builtin->second.factory();
    if (tag) tag->SetName(builtin->second.name);
    return tag;
  }
  std::shared_ptr<const PluginInfo> plugin = Registry::Global().Find(type);
  if (!plugin || plugin->kind != PluginKind::kTag) return nullptr;
  auto tag = std::make_unique<Tag>(type);
  tag->SetName(plugin->name);
  if (!tag->AttachPlugin(plugin, true)) return nullptr;
  return tag;
}

std::unique_ptr<Object> NodeTypes::CreateObjectForCopy(const Object& src) {
  if (TakeFailure(src.Type())) return nullptr;
  if (src.PluginShared()) {
    auto op = std::make_unique<Object>(src.Type());
    if (!op->AttachPlugin(src.PluginShared(), false)) return nullptr;
    return op;
  }
  auto builtin = objects_.find(src.Type());
  if (builtin == objects_.end()) return std::make_unique<Object>(src.Type());
  return builtin->second.factory();
}

std::unique_ptr<Tag> NodeTypes::CreateTagForCopy(const Tag& src) {
  if (TakeFailure(src.Type())) return nullptr;
  if (src.PluginShared()) {
    auto tag = std::make_unique<Tag>(src.Type());
    if (!tag->AttachPlugin(src.PluginShared(), false)) return nullptr;
    return tag;
  }
  auto builtin = tags_.find(src.Type());
  if (builtin == tags_.end()) return std::make_unique<Tag>(src.Type());
  return builtin->second.factory();
}

}  // namespace hostapp
