// A plug-in's resources as the host loads them from its folder: the string table in
// res/strings_us/c4d_strings.str and the description resources in res/description
// (read by hostapp/scene/description.h; published to the host when loaded).
//
// String table format, one entry per line:
//     // a comment line
//     1000 "Tavren Tag"      // an id, a quoted UTF-8 text, optionally ';' and a comment
// Escapes inside the quotes: \" \\ \n \t. Blank lines are ignored; an id may appear once.
#ifndef HOSTAPP_SCENE_RESOURCE_H
#define HOSTAPP_SCENE_RESOURCE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"

struct C4D_Resource {};

namespace hostapp {

class Description;

// The string table's place inside a plug-in folder.
constexpr const char* kStringTablePath = "res/strings_us/c4d_strings.str";

class Resource : public C4D_Resource {
 public:
  // in: folder, the plug-in folder. out: the resource; null when the string table is
  // missing or malformed or a description resource is malformed or incomplete, with *error
  // (if not null) naming the file and, for a malformed one, the line. On success its
  // descriptions are published (PublishDescriptions), so description_load finds them.
  static std::unique_ptr<Resource> Load(const std::string& folder, std::string* error);

  const std::string& Folder() const { return folder_; }
  // out: string id; "" when absent (borrowed from the resource).
  const char* String(int32_t id) const;
  const std::map<int32_t, std::string>& Strings() const { return strings_; }
  // out: the description resources, in file name order.
  const std::vector<std::shared_ptr<const Description>>& Descriptions() const { return descriptions_; }

 private:
  std::string folder_;
  std::map<int32_t, std::string> strings_;
  std::vector<std::shared_ptr<const Description>> descriptions_;
};

// in: text of a string table, file (named in errors). out: true and *strings filled;
// false and *error = "file:line: what is wrong".
bool ParseStringTable(const std::string& text, const std::string& file,
                      std::map<int32_t, std::string>* strings, std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_RESOURCE_H
