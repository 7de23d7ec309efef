#include "hostapp/app/session.h"

#include "hostapp/scene/document.h"
#include "hostapp/scene/node.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/registry.h"

namespace hostapp {

std::unique_ptr<Session> Session::Start(const std::string& plugin_path, std::string* error) {
  std::unique_ptr<PluginLibrary> lib = PluginLibrary::Open(plugin_path, error);
  if (!lib || !lib->Start(error)) return nullptr;
  std::unique_ptr<Session> session(new Session());
  session->library_ = std::move(lib);
  return session;
}

Session::~Session() {
  if (!library_) return;
  library_->End();
  // The host lets go of what the plug-in registered (the command's instance among it); the
  // library itself stays mapped.
  Registry::Global().Reset();
}

std::unique_ptr<Object> Session::NewObject(int32_t type) { return NodeTypes::Global().CreateObject(type); }

std::unique_ptr<Tag> Session::NewTag(int32_t type) { return NodeTypes::Global().CreateTag(type); }

bool Session::PressButton(Node* node, int32_t id) {
  C4D_DescriptionCommand cmd{id};
  return node && node->Message(C4D_MSG_DESCRIPTION_COMMAND, &cmd);
}

bool Session::RunCommand(int32_t id, Document& doc) {
  std::shared_ptr<const PluginInfo> plugin = Registry::Global().Find(id);
  if (!plugin || plugin->kind != PluginKind::kCommand || !plugin->command.execute) return false;
  return plugin->command.execute(plugin->command.inst, &doc);
}

int32_t Session::CommandState(int32_t id, Document& doc) {
  std::shared_ptr<const PluginInfo> plugin = Registry::Global().Find(id);
  if (!plugin || plugin->kind != PluginKind::kCommand || !plugin->command.get_state) return 0;
  return plugin->command.get_state(plugin->command.inst, &doc);
}

}  // namespace hostapp
