// What plug-ins registered with the host: commands, object types and tag types, their
// names, flags, icons and hook tables, and the description resources named for them.
#ifndef HOSTAPP_SCENE_REGISTRY_H
#define HOSTAPP_SCENE_REGISTRY_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"

namespace hostapp {

class Bitmap;
class Description;

enum class PluginKind { kCommand, kObject, kTag };

// The host's copy of an icon handed over at registration.
struct Icon {
  std::string path;           // the file it was loaded from; empty when none was given
  int32_t width = 0;          // from the file's header; 0 when unknown
  int32_t height = 0;
  std::vector<uint8_t> file;  // the file's bytes
  bool loaded = false;        // false: no bitmap, or its load had failed
};

// One registration call, kept whether it succeeded or not.
struct PluginInfo {
  int32_t id = 0;
  PluginKind kind = PluginKind::kCommand;
  std::string name;
  int32_t info = 0;             // C4D_OBJECT_* / C4D_TAG_* flags
  std::string description;      // description resource name (objects and tags)
  std::string help;             // help text (commands)
  Icon icon;
  int32_t disk_level = 0;
  bool registered = false;      // false: the host refused this registration
  // Copies of the hook tables; fields the plug-in's table did not cover are null.
  C4D_CommandHooks command{};
  C4D_ObjectHooks object{};
  C4D_TagHooks tag{};

  // out: the node hooks of an object or tag plug-in; null for a command.
  const C4D_NodeHooks* NodeHooks() const;
};

class Registry {
 public:
  // The host's one registry (the boundary's calls carry no context).
  static Registry& Global();

  // Registration as the boundary defines it; the registry copies names, icon and hooks.
  // out: false (and the attempt recorded as refused) on a duplicate id, missing hooks,
  // a hook table without alloc and free (objects, tags) or without execute (commands),
  // or when FailNextRegistration asked for it. A refused command's instance stays the
  // caller's; an accepted one is freed by Reset.
  bool RegisterCommand(int32_t id, const char* name, int32_t info, const Bitmap* icon,
                       const char* help, const C4D_CommandHooks* hooks);
  bool RegisterObject(int32_t id, const char* name, int32_t info, const C4D_ObjectHooks* hooks,
                      const char* description, const Bitmap* icon, int32_t disk_level);
  bool RegisterTag(int32_t id, const char* name, int32_t info, const C4D_TagHooks* hooks,
                   const char* description, const Bitmap* icon, int32_t disk_level);

  // in: type id, resource name. out: false for an empty name. A later call replaces it.
  bool RegisterDescription(int32_t id, const std::string& name);
  // out: the description resource name registered for id; "" when none.
  std::string DescriptionName(int32_t id) const;

  // Description resources read with plug-in resources, by their name. in: d (not null); a
  // later one of the same name replaces an earlier one.
  void AddDescriptionResource(std::shared_ptr<const Description> d);
  // out: the description resource called name; null when none was read.
  std::shared_ptr<const Description> FindDescriptionResource(const std::string& name) const;

  // out: the accepted registration of id; null when there is none.
  std::shared_ptr<const PluginInfo> Find(int32_t id) const;
  // out: accepted registrations of one kind, in registration order.
  std::vector<std::shared_ptr<const PluginInfo>> Plugins(PluginKind kind) const;
  // out: every registration call, accepted or refused, in order.
  const std::vector<std::shared_ptr<const PluginInfo>>& Attempts() const { return attempts_; }

  // Test switch: the next RegisterCommand/Object/Tag of id is refused.
  void FailNextRegistration(int32_t id) { fail_next_.insert(id); }

  // Frees every command instance through its hook and forgets all registrations,
  // descriptions (names and resources) and switches. Call before the plug-in library is
  // unloaded; nodes of plug-in types must be freed before that too.
  void Reset();

 private:
  bool Accept(const std::shared_ptr<PluginInfo>& info, bool hooks_ok);

  std::vector<std::shared_ptr<const PluginInfo>> attempts_;
  std::map<int32_t, std::shared_ptr<const PluginInfo>> accepted_;
  std::map<int32_t, std::string> descriptions_;
  std::map<std::string, std::shared_ptr<const Description>> description_resources_;
  std::set<int32_t> fail_next_;
};

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_REGISTRY_H
