#include "hostapp/scene/registry.h"

#include <algorithm>
#include <cstring>

#include "hostapp/scene/bitmap.h"
#include "hostapp/scene/description.h"

namespace hostapp {

const C4D_NodeHooks* PluginInfo::NodeHooks() const {
  switch (kind) {
    case PluginKind::kObject:
      return &object.node;
    case PluginKind::kTag:
      return &tag.node;
    case PluginKind::kCommand:
      break;
  }
  return nullptr;
}

Registry& Registry::Global() {
  static Registry registry;
  return registry;
}

namespace {

// in: src, a hook table whose first field is its size in bytes. out: *dst zero-filled,
// then the fields src's size covers copied; dst->size set to the host's size.
template <class T>
void CopyHooks(T* dst, const T* src) {
  *dst = T{};
  size_t n = std::min(static_cast<size_t>(std::max<int32_t>(src->size, 0)), sizeof(T));
  std::memcpy(static_cast<void*>(dst), src, n);
  dst->size = static_cast<int32_t>(sizeof(T));
}

Icon CopyIcon(const Bitmap* bmp) {
  Icon icon;
  if (!bmp) return icon;
  icon.path = bmp->Path();
  icon.width = bmp->Width();
  icon.height = bmp->Height();
  icon.file = bmp->FileBytes();
  icon.loaded = bmp->IsLoaded();
  return icon;
}

// out: true when a node hook table has what every node needs.
bool NodeHooksUsable(const C4D_NodeHooks& h) { return h.alloc && h.free; }

}  // namespace

bool Registry::Accept(const std::shared_ptr<PluginInfo>& info, bool hooks_ok) {
  bool forced_failure = fail_next_.erase(info->id) != 0;
  info->registered = hooks_ok && !forced_failure && accepted_.count(info->id) == 0;
  attempts_.push_back(info);
  if (info->registered) accepted_[info->id] = info;
  return info->registered;
}

bool Registry::RegisterCommand(int32_t id, const char* name, int32_t info, const Bitmap* icon,
                               const char* help, const C4D_CommandHooks* hooks) {
  auto p = std::make_shared<PluginInfo>();
  p->id = id;
  p->kind = PluginKind::kCommand;
  p->name = name ? name : "";
  p->info = info;
  p->help = help ? help : "";
  p->icon = CopyIcon(icon);
  if (hooks) CopyHooks(&p->command, hooks);
  return Accept(p, hooks && p->command.execute);
}

bool Registry::RegisterObject(int32_t id, const char* name, int32_t info,
                              const C4D_ObjectHooks* hooks, const char* description,
                              const Bitmap* icon, int32_t disk_level) {
  auto p = std::make_shared<PluginInfo>();
  p->id = id;
  p->kind = PluginKind::kObject;
  p->name = name ? name : "";
  p->info = info;
  p->description = description ? description : "";
  p->icon = CopyIcon(icon);
  p->disk_level = disk_level;
  if (hooks) CopyHooks(&p->object, hooks);
  return Accept(p, hooks && NodeHooksUsable(p->object.node));
}

bool Registry::RegisterTag(int32_t id, const char* name, int32_t info, const C4D_TagHooks* hooks,
                           const char* description, const Bitmap* icon, int32_t disk_level) {
  auto p = std::make_shared<PluginInfo>();
  p->id = id;
  p->kind = PluginKind::kTag;
  p->name = name ? name : "";
  p->info = info;
  p->description = description ? description : "";
  p->icon = CopyIcon(icon);
  p->disk_level = disk_level;
  if (hooks) CopyHooks(&p->tag, hooks);
  return Accept(p, hooks && NodeHooksUsable(p->tag.node));
}

bool Registry::RegisterDescription(int32_t id, const std::string& name) {
  if (name.empty()) return false;
  descriptions_[id] = name;
  return true;
}

std::string Registry::DescriptionName(int32_t id) const {
  auto it = descriptions_.find(id);
  return it == descriptions_.end() ? std::string() : it->second;
}

void Registry::AddDescriptionResource(std::shared_ptr<const Description> d) {
  if (d) description_resources_[d->name] = std::move(d);
}

std::shared_ptr<const Description> Registry::FindDescriptionResource(const std::string& name) const {
  auto it = description_resources_.find(name);
  return it == description_resources_.end() ? nullptr : it->second;
}

std::shared_ptr<const PluginInfo> Registry::Find(int32_t id) const {
  auto it = accepted_.find(id);
  return it == accepted_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<const PluginInfo>> Registry::Plugins(PluginKind kind) const {
  std::vector<std::shared_ptr<const PluginInfo>> out;
  for (const auto& p : attempts_) {
    if (p->registered && p->kind == kind) out.push_back(p);
  }
  return out;
}

void Registry::Reset() {
  for (const auto& p : attempts_) {
    if (p->registered && p->kind == PluginKind::kCommand && p->command.free) {
      p->command.free(p->command.inst);
    }
  }
  attempts_.clear();
  accepted_.clear();
  descriptions_.clear();
  description_resources_.clear();
  fail_next_.clear();
}

}  // namespace hostapp
