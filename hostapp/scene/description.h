// Parameter descriptions: what the host knows about the parameters of a node type (ids,
// types, labels, groups, initial values, ranges, choices, accepted link types), read from a
// plug-in's description resources (res/description/<name>.res with its symbol header
// <name>.h and its labels res/strings_us/description/<name>.str) and completed at run time by
// the plug-in's get_ddescription hook (the falloff component adds its own entries).
#ifndef HOSTAPP_SCENE_DESCRIPTION_H
#define HOSTAPP_SCENE_DESCRIPTION_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/scene/container.h"

struct C4D_Description {};

namespace hostapp {

class Node;

// Kinds of entries, named in resources as GROUP, BUTTON, STATICTEXT, STRING, LONG, BOOL,
// REAL, VECTOR, LINK, IN_EXCLUDE.
enum class DescType : int32_t {
  kGroup, kButton, kStaticText, kString, kLong, kBool, kReal, kVector, kLink, kInExclude
};

// in: type. out: its keyword in resources ("LONG" ...).
const char* DescTypeName(DescType type);

// How an entry states the value a new node holds under its id.
enum class DescDefault : int32_t {
  kNone,      // groups and buttons: no value is held
  kValue,     // the node holds `initial` from the start
  kUnset,     // nothing is held until the user sets it; reads as `initial` when that is given
  kByPlugin,  // the plug-in writes it itself (a status text whose wording it builds)
};

// One choice of a LONG with a cycle.
struct DescChoice {
  int32_t value = 0;
  std::string name;   // symbol in the resource; empty for host-made entries
  std::string label;
};

struct DescParameter {
  int32_t id = 0;
  DescType type = DescType::kLong;
  std::string name;   // symbol in the resource ("TTAVREN_ITERATIONS"); empty for host-made entries
  std::string label;  // what the user reads
  int32_t group = 0;  // id of the innermost named group around the entry; 0 at the top
  DescDefault default_kind = DescDefault::kNone;
  std::optional<Value> initial;  // see DescDefault
  std::optional<double> min, max, step;
  std::vector<DescChoice> cycle;  // LONG: the only values offered, in order
  std::vector<int32_t> accept;    // LINK, IN_EXCLUDE: node type ids that may be linked
  int32_t columns = 0;            // GROUP: layout columns; 0 = one
  bool enabled = true;            // filled by DescribeNode from the plug-in's get_denabling
  int32_t line = 0;               // line of the resource that declared it; 0 when host-made
};

class Description : public C4D_Description {
 public:
  std::string name;                   // resource name ("TTavrenres"); empty when built from nothing
  std::string title;                  // label of the whole description
  std::string file;                   // the .res it came from; empty when host-made
  std::vector<std::string> includes;  // host base descriptions it includes, in order
  // Entries in order. A parsed resource holds its own entries only; a description loaded
  // for a node type (LoadRegisteredDescription) starts with the entries of its includes.
  std::vector<DescParameter> params;

  // out: the entry with id, null when absent (borrowed until params change).
  const DescParameter* Find(int32_t id) const;
  DescParameter* Find(int32_t id);
  // in: p. out: false (and nothing added) when an entry with p.id is already present.
  bool Add(DescParameter p);
  void Clear();
};

inline Description* FromC(C4D_Description* d) { return static_cast<Description*>(d); }

// Names the host supplies to every resource.
// in: name. out: true and *id for a host group (ID_OBJECTPROPERTIES, ID_TAGPROPERTIES).
bool HostGroupId(const std::string& name, int32_t* id, std::string* label);
// in: name. out: true and *type for a host node type (Opolygon, Tvertexmap ...).
bool HostTypeId(const std::string& name, int32_t* type);
// in: name of a base description (Obase, Tbase, Texpression). out: true and *entries, the
// parameters the host gives every node that includes it.
bool HostBaseDescription(const std::string& name, std::vector<DescParameter>* entries);

// in: folder, a plug-in folder. out: true and *out = the descriptions of every
// folder/res/description/*.res, in file name order (none when the folder has no such
// files); false with *error "file:line: what is wrong" for a malformed or incomplete one.
bool LoadDescriptionResources(const std::string& folder,
                              std::vector<std::shared_ptr<const Description>>* out,
                              std::string* error);

// Makes descriptions available by name to description_load (a later one of the same name
// replaces an earlier one) and installs the host's description loader.
void PublishDescriptions(const std::vector<std::shared_ptr<const Description>>& descriptions);
// Installs LoadRegisteredDescription as the loader behind C4D_RegistryTable::description_load.
void InstallDescriptionLoader();

// in: desc (may be null), type id. out: false when no description is registered for type
// or the named one was never loaded (desc untouched); true otherwise, with *desc replaced
// by the description: the entries of its includes, then its own.
bool LoadRegisteredDescription(Description* desc, int32_t type);

// in: desc, bc, a node's container. out: empty when every value that desc describes is of
// its entry's kind and lies within what the entry declares (MIN and MAX, the choices of a
// CYCLE, a finite number for a REAL); else one phrase naming the first value that is not,
// e.g. "Iterations (1004) holds 20000, above its maximum 10000".
std::string ParameterFault(const Description& desc, const Container& bc);

// The whole description of a node as the interface shows it. in: node. out: true and *out
// built by the plug-in's get_ddescription hook (for a built-in type, or when the hook does
// not report it loaded, by LoadRegisteredDescription), each entry's `enabled` taken from
// Node::IsParameterEnabled; false when the hook fails or no description is known.
bool DescribeNode(Node& node, Description* out);

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_DESCRIPTION_H
