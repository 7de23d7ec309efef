// A session of the host application: the plug-in library opened and started through the
// loader, and helpers to drive plug-in nodes the way the host's interface does (creating
// nodes by type id, pressing description buttons, running commands).
#ifndef HOSTAPP_APP_SESSION_H
#define HOSTAPP_APP_SESSION_H

#include <cstdint>
#include <memory>
#include <string>

#include "hostapp/app/loader.h"
#include "res/description/tavrenids.h"

namespace hostapp {

class Document;
class Node;
class Object;
class Tag;

class Session {
 public:
  // Opens and starts the plug-in library at path. out: null with *error set when the library
  // is missing, is no plug-in, refuses the host or fails its start-up.
  static std::unique_ptr<Session> Start(const std::string& plugin_path, std::string* error);
  // Ends the plug-in and forgets its registrations. Documents holding plug-in nodes must be
  // freed before.
  ~Session();

  PluginLibrary& Library() { return *library_; }

  // A new node of a type id (built-in or registered), not inserted; null when unknown or the
  // plug-in's factory failed.
  static std::unique_ptr<Object> NewObject(int32_t type);
  static std::unique_ptr<Tag> NewTag(int32_t type);
  // Presses the description button id of a plug-in node. out: the node's answer.
  static bool PressButton(Node* node, int32_t id);
  // Runs a registered command on doc. out: false when no such command or it failed.
  static bool RunCommand(int32_t id, Document& doc);
  // The state a registered command reports for doc (0 when there is no such command).
  static int32_t CommandState(int32_t id, Document& doc);

 private:
  Session() = default;
  std::unique_ptr<PluginLibrary> library_;
};

}  // namespace hostapp

#endif
