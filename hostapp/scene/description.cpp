#include "hostapp/scene/description.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <variant>

#include "hostapp/scene/description_parse.h"
#include "hostapp/scene/extensions.h"
#include "hostapp/scene/node.h"
#include "hostapp/scene/registry.h"

namespace hostapp {

const char* DescTypeName(DescType type) {
  switch (type) {
    case DescType::kGroup: return "GROUP";
    case DescType::kButton: return "BUTTON";
    case DescType::kStaticText: return "STATICTEXT";
    case DescType::kString: return "STRING";
    case DescType::kLong: return "LONG";
    case DescType::kBool: return "BOOL";
    case DescType::kReal: return "REAL";
    case DescType::kVector: return "VECTOR";
    case DescType::kLink: return "LINK";
    case DescType::kInExclude: return "IN_EXCLUDE";
  }
  return "?";
}

const DescParameter* Description::Find(int32_t id) const {
  for (const DescParameter& p : params)
    if (p.id == id) return &p;
  return nullptr;
}

DescParameter* Description::Find(int32_t id) {
  for (DescParameter& p : params)
    if (p.id == id) return &p;
  return nullptr;
}

bool Description::Add(DescParameter p) {
  if (Find(p.id)) return false;
  params.push_back(std::move(p));
  return true;
}

void Description::Clear() { *this = Description(); }

// ---------------------------------------------------------------- names the host supplies

bool HostGroupId(const std::string& name, int32_t* id, std::string* label) {
  if (name == "ID_OBJECTPROPERTIES") {
    *id = 998;
    *label = "Object";
  } else if (name == "ID_TAGPROPERTIES") {
    *id = 999;
    *label = "Tag";
  } else {
    return false;
  }
  return true;
}

bool HostTypeId(const std::string& name, int32_t* type) {
  static const std::pair<const char*, int32_t> kTypes[] = {
      {"Opolygon", 5100}, {"Ospline", 5101}, {"Onull", 5140}, {"Tvertexmap", 5682},
  };
  for (const auto& t : kTypes)
    if (name == t.first) return *type = t.second, true;
  return false;
}

bool HostBaseDescription(const std::string& name, std::vector<DescParameter>* entries) {
  entries->clear();
  if (name == "Obase" || name == "Tbase") return true;  // name and placement live on the node itself
  if (name == "Texpression") {
    DescParameter enable;
    enable.id = kTagEnableId;
    enable.type = DescType::kBool;
    enable.label = "Enabled";
    enable.default_kind = DescDefault::kValue;
    enable.initial = Value(int32_t(1));
    entries->push_back(enable);
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- loading from a folder

namespace {

// in: path. out: true and *text, the file's bytes; false with *error naming the file.
bool ReadText(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) {
    *error = path + ": cannot read";
    return false;
  }
  *text = s.str();
  return true;
}

}  // namespace

bool LoadDescriptionResources(const std::string& folder,
                              std::vector<std::shared_ptr<const Description>>* out,
                              std::string* error) {
  namespace fs = std::filesystem;
  const fs::path root(folder);
  const fs::path dir = root / "res" / "description";
  const fs::path labels = root / "res" / "strings_us" / "description";
  std::error_code ec;
  std::vector<fs::path> files;
  if (fs::is_directory(dir, ec)) {
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
      if (it->path().extension() == ".res" && it->is_regular_file(ec)) files.push_back(it->path());
    if (ec) {
      *error = dir.string() + ": cannot list: " + ec.message();
      return false;
    }
  }
  std::sort(files.begin(), files.end());

  std::vector<std::shared_ptr<const Description>> loaded;
  for (const fs::path& res_path : files) {
    const std::string stem = res_path.stem().string();
    SourceText res{"", res_path.string()};
    SourceText header{"", (dir / (stem + ".h")).string()};
    SourceText strings{"", (labels / (stem + ".str")).string()};
    if (!ReadText(res.file, &res.text, error) || !ReadText(header.file, &header.text, error) ||
        !ReadText(strings.file, &strings.text, error))
      return false;
    auto d = std::make_shared<Description>();
    if (!ParseDescription(res, header, strings, d.get(), error)) return false;
    for (const auto& other : loaded) {
      if (other->name == d->name) {
        *error = res.file + ": description '" + d->name + "' is also declared in " + other->file;
        return false;
      }
    }
    loaded.push_back(std::move(d));
  }
  *out = std::move(loaded);
  return true;
}

// ---------------------------------------------------------------- descriptions of node types

void PublishDescriptions(const std::vector<std::shared_ptr<const Description>>& descriptions) {
  for (const auto& d : descriptions) Registry::Global().AddDescriptionResource(d);
  InstallDescriptionLoader();
}

void InstallDescriptionLoader() {
  SetDescriptionLoader([](C4D_Description* desc, int32_t type, int32_t) {
    return LoadRegisteredDescription(desc ? FromC(desc) : nullptr, type);
  });
}

bool LoadRegisteredDescription(Description* desc, int32_t type) {
  const std::string name = Registry::Global().DescriptionName(type);
  if (name.empty()) return false;
  if (!desc) return true;  // only asked whether one is registered
  std::shared_ptr<const Description> res = Registry::Global().FindDescriptionResource(name);
  if (!res) return false;
  Description d;
  d.name = res->name;
  d.title = res->title;
  d.file = res->file;
  d.includes = res->includes;
  for (const std::string& base : res->includes) {
    std::vector<DescParameter> entries;
    HostBaseDescription(base, &entries);
    for (DescParameter& p : entries) d.Add(std::move(p));
  }
  for (const DescParameter& p : res->params) d.Add(p);
  *desc = std::move(d);
  return true;
}

std::string ParameterFault(const Description& desc, const Container& bc) {
  for (const DescParameter& p : desc.params) {
    const Value* v = bc.Find(p.id);
    if (!v) continue;
    const std::string who = (p.label.empty() ? p.name : p.label) + " (" + std::to_string(p.id) + ")";
    ValueType kind;
    switch (p.type) {
      case DescType::kLong:
      case DescType::kBool: kind = ValueType::kInt32; break;
      case DescType::kReal: kind = ValueType::kFloat; break;
      case DescType::kVector: kind = ValueType::kVector; break;
      case DescType::kString:
      case DescType::kStaticText: kind = ValueType::kString; break;
      case DescType::kLink: kind = ValueType::kLink; break;
      case DescType::kInExclude: kind = ValueType::kInExclude; break;
      default: continue;  // groups and buttons hold nothing the interface reads
    }
    if (TypeOf(*v) != kind) return who + " holds a value of another kind than its " + DescTypeName(p.type);
    double number = 0;
    if (kind == ValueType::kInt32) {
      const int32_t i = std::get<int32_t>(*v);
      number = i;
      if (!p.cycle.empty() &&
          std::none_of(p.cycle.begin(), p.cycle.end(), [i](const DescChoice& c) { return c.value == i; })) {
        return who + " holds " + std::to_string(i) + ", which is none of its choices";
      }
    } else if (kind == ValueType::kFloat) {
      number = std::get<double>(*v);
      if (!std::isfinite(number)) return who + " holds a number that is not finite";
    } else {
      continue;
    }
    auto text = [](double d) {
      char s[32];
      std::snprintf(s, sizeof s, "%.17g", d);
      return std::string(s);
    };
    if (p.min && number < *p.min) return who + " holds " + text(number) + ", below its minimum " + text(*p.min);
    if (p.max && number > *p.max) return who + " holds " + text(number) + ", above its maximum " + text(*p.max);
  }
  return {};
}

bool DescribeNode(Node& node, Description* out) {
  out->Clear();
  const C4D_NodeHooks* hooks = node.Hooks();
  bool loaded = false;
  if (hooks && node.Instance() && hooks->get_ddescription) {
    int32_t flags = 0;
    if (!hooks->get_ddescription(node.Instance(), &node, out, &flags)) return false;
    loaded = (flags & C4D_DESCFLAGS_DESC_LOADED) != 0;
  }
  if (!loaded && !LoadRegisteredDescription(out, node.Type())) return false;
  for (DescParameter& p : out->params) p.enabled = p.type == DescType::kGroup || node.IsParameterEnabled(p.id);
  return true;
}

}  // namespace hostapp
