// Reading scene files: header checks, then a parse of the payload into a new document in
// which every count, index and value is checked against the data. Any failure discards
// the half-built document.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "hostapp/scene/description.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/registry.h"
#include "hostapp/scene/scenefile.h"
#include "hostapp/services/limits.h"
#include "hostapp/services/printable.h"

namespace hostapp {

namespace {

// Smallest encodings, to refuse counts the remaining data cannot hold.
// Object: type, name, bits, states, frame, container count, data block, plug-in flag,
// tag count, child count. Tag: type, name, bits, container count, data block, plug-in flag.
constexpr int64_t kMinObjectBytes = 4 * HyperFile::kInt32Size + 4 * HyperFile::kVectorSize +
                                    HyperFile::kInt32Size + HyperFile::kInt64Size +
                                    HyperFile::kBoolSize + 2 * HyperFile::kInt32Size;
constexpr int64_t kMinTagBytes = 3 * HyperFile::kInt32Size + HyperFile::kInt32Size +
                                 HyperFile::kInt64Size + HyperFile::kBoolSize;
constexpr int64_t kMinValueBytes = 3 * HyperFile::kInt32Size;

uint64_t GetLe(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  return v;
}

class SceneReader {
 public:
  SceneReader(const uint8_t* payload, size_t size) : hf_(payload, size) {}

  // in: doc, empty. out: true with doc filled; false with error() describing the damage.
  bool Read(Document* doc) {
    int32_t count = 0;
    if (!ReadCount(&count, kMinObjectBytes, "top-level object count")) return false;
    for (int32_t i = 0; i < count; ++i) {
      if (!ReadObject(doc, nullptr, 1)) return false;
    }
    if (hf_.Remaining() != 0) return Fail("unexpected data after the last object");
    return ResolveLinks();
  }

  // out: the message, with the payload offset of the damage when it is about the data.
  const std::string& error() const { return error_; }

 private:
  struct PendingLink {
    Node* node;
    int32_t id;
    std::vector<int32_t> indices;  // one for a link, the entries of an in/exclude list
    bool list;
  };

  bool Fail(const std::string& what) {
    if (error_.empty()) {
      error_ = "damaged scene data at payload byte " + std::to_string(hf_.Position()) + ": " + what;
    }
    return false;
  }
  bool FailPlain(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
  }

  // Reads a count of items of at least min_bytes each.
  bool ReadCount(int32_t* n, int64_t min_bytes, const char* what) {
    if (!hf_.ReadInt32(n)) return Fail(std::string("missing ") + what);
    if (*n < 0 || *n > hf_.Remaining() / min_bytes) {
      return Fail(std::string(what) + " " + std::to_string(*n) + " is beyond the data");
    }
    return true;
  }

  bool ReadIndex(int32_t* index) {
    if (!hf_.ReadInt32(index)) return Fail("missing node index");
    if (*index < -1) return Fail("bad node index " + std::to_string(*index));
    return true;
  }

  bool ReadContainer(Node* n) {
    int32_t count = 0;
    if (!ReadCount(&count, kMinValueBytes, "parameter count")) return false;
    Container& bc = n->Data();
    bc.Clear();
    int64_t last_id = INT64_MIN;
    for (int32_t i = 0; i < count; ++i) {
      int32_t id = 0;
      int32_t kind = 0;
      if (!hf_.ReadInt32(&id) || !hf_.ReadInt32(&kind)) return Fail("missing parameter");
      if (id <= last_id) return Fail("parameter ids out of order");
      last_id = id;
      bool ok = true;
      switch (static_cast<ValueType>(kind)) {
        case ValueType::kInt32: {
          int32_t v = 0;
          ok = hf_.ReadInt32(&v);
          bc.SetInt32(id, v);
          break;
        }
        case ValueType::kFloat: {
          double v = 0;
          ok = hf_.ReadFloat(&v);
          bc.SetFloat(id, v);
          break;
        }
        case ValueType::kVector: {
          C4D_Vector v{};
          ok = hf_.ReadVector(&v);
          bc.SetVector(id, v);
          break;
        }
        case ValueType::kString: {
          std::string v;
          ok = hf_.ReadString(&v);
          bc.SetString(id, v);
          break;
        }
        case ValueType::kLink: {
          int32_t index = 0;
          if (!ReadIndex(&index)) return false;
          bc.SetLink(id, nullptr);
          pending_.push_back(PendingLink{n, id, {index}, false});
          break;
        }
        case ValueType::kInExclude: {
          int32_t entries = 0;
          if (!ReadCount(&entries, HyperFile::kInt32Size, "list length")) return false;
          PendingLink p{n, id, {}, true};
          for (int32_t e = 0; e < entries; ++e) {
            int32_t index = 0;
            if (!ReadIndex(&index)) return false;
            p.indices.push_back(index);
          }
          bc.SetInExclude(id, InExclude());
          pending_.push_back(std::move(p));
          break;
        }
        default:
          return Fail("unknown kind " + std::to_string(kind) + " of parameter " + std::to_string(id));
      }
      if (!ok) return Fail("parameter " + std::to_string(id) + " does not hold its kind of value");
    }
    return true;
  }

  // Container, built-in data and plug-in data of a node that is already in place.
  bool ReadNodeData(Node* n, const char* kind) {
    if (!ReadContainer(n)) return false;
    const std::string who = std::string(kind) + " '" + n->Name() + "' (type " + std::to_string(n->Type()) + ")";
    if (!hf_.EnterBlock()) return Fail("missing data block of the " + who);
    if (!n->ReadData(hf_) || hf_.Remaining() != 0) return Fail("bad data of the " + who);
    hf_.LeaveBlock();
    const std::string fault = SceneNodeFault(*n);
    if (!fault.empty()) return Fail("the " + who + ": " + fault);
    bool has_plugin = false;
    if (!hf_.ReadBool(&has_plugin)) return Fail("missing plug-in flag of the " + who);
    if (has_plugin != (n->Instance() != nullptr)) {
      return Fail(has_plugin ? "plug-in data for the built-in " + who : "no plug-in data for the " + who);
    }
    if (!has_plugin) return true;
    int32_t level = 0;
    if (!hf_.ReadInt32(&level)) return Fail("missing disk level of the " + who);
    if (!hf_.EnterBlock()) return Fail("missing plug-in data block of the " + who);
    const C4D_NodeHooks* hooks = n->Hooks();
    if (hooks->read && !hooks->read(n->Instance(), n, &hf_, level)) {
      return Fail("the plug-in could not read the data of the " + who);
    }
    hf_.LeaveBlock();
    return true;
  }

  bool ReadIdentity(int32_t* type, std::string* name, int32_t* bits) {
    if (!hf_.ReadInt32(type) || !hf_.ReadString(name) || !hf_.ReadInt32(bits)) {
      return Fail("incomplete node header");
    }
    return true;
  }

  bool ReadTag(Object* op) {
    int32_t type = 0;
    int32_t bits = 0;
    std::string name;
    if (!ReadIdentity(&type, &name, &bits)) return false;
    std::unique_ptr<Tag> tag = NodeTypes::Global().CreateTag(type);
    if (!tag) return Unknown("tag", type);
    Tag* t = tag.get();
    op->InsertTag(tag.release(), op->LastTag());
    t->SetName(name);
    t->SetBits(bits);
    nodes_.push_back(t);
    return ReadNodeData(t, "tag");
  }

  bool ReadObject(Document* doc, Object* parent, int depth) {
    if (depth > kSceneMaxDepth) return Fail("objects nested deeper than " + std::to_string(kSceneMaxDepth));
    int32_t type = 0;
    int32_t bits = 0;
    int32_t states = 0;
    std::string name;
    C4D_Matrix m{};
    if (!ReadIdentity(&type, &name, &bits)) return false;
    if (!hf_.ReadInt32(&states) || !hf_.ReadVector(&m.off) || !hf_.ReadVector(&m.v1) ||
        !hf_.ReadVector(&m.v2) || !hf_.ReadVector(&m.v3)) {
      return Fail("incomplete object header");
    }
    std::unique_ptr<Object> created = NodeTypes::Global().CreateObject(type);
    if (!created) return Unknown("object", type);
    Object* op = created.get();
    if (parent) {
      created.release()->InsertUnderLast(parent);
    } else {
      doc->InsertObject(std::move(created), nullptr, doc->LastObject());
    }
    op->SetName(name);
    op->SetBits(bits);
    op->SetStates(states);
    op->SetMl(m);
    nodes_.push_back(op);
    if (!ReadNodeData(op, "object")) return false;
    int32_t tags = 0;
    if (!ReadCount(&tags, kMinTagBytes, "tag count")) return false;
    for (int32_t i = 0; i < tags; ++i) {
      if (!ReadTag(op)) return false;
    }
    int32_t children = 0;
    if (!ReadCount(&children, kMinObjectBytes, "child count")) return false;
    for (int32_t i = 0; i < children; ++i) {
      if (!ReadObject(doc, op, depth + 1)) return false;
    }
    return true;
  }

  // A node that could not be created: an unknown type id, or a plug-in that failed.
  bool Unknown(const char* kind, int32_t type) {
    const bool is_tag = std::string(kind) == "tag";
    bool builtin = is_tag ? NodeTypes::Global().IsBuiltinTag(type) : NodeTypes::Global().IsBuiltinObject(type);
    std::shared_ptr<const PluginInfo> plugin = Registry::Global().Find(type);
    bool known = builtin || (plugin && plugin->kind == (is_tag ? PluginKind::kTag : PluginKind::kObject));
    if (!known) {
      return FailPlain(std::string("unknown ") + kind + " type " + std::to_string(type) +
                       " (no built-in type and no loaded plug-in has this id)");
    }
    return FailPlain(std::string("could not create a ") + kind + " of type " + std::to_string(type) +
                     " (its plug-in failed or memory ran out)");
  }

  bool ResolveLinks() {
    for (const PendingLink& p : pending_) {
      InExclude list;
      for (int32_t index : p.indices) {
        if (index >= static_cast<int32_t>(nodes_.size())) {
          return FailPlain("a link points to node " + std::to_string(index) + ", but the file holds " +
                           std::to_string(nodes_.size()) + " nodes");
        }
        Node* target = index < 0 ? nullptr : nodes_[static_cast<size_t>(index)];
        if (p.list) {
          list.Append(WeakNode(target));
        } else {
          p.node->Data().SetLink(p.id, target);
        }
      }
      if (p.list) p.node->Data().SetInExclude(p.id, list);
    }
    return true;
  }

  HyperFile hf_;
  std::vector<Node*> nodes_;  // in file order
  std::vector<PendingLink> pending_;
  std::string error_;
};

}  // namespace

namespace {

// in: header, the first kSceneHeaderSize bytes of a file (fewer when it is shorter); size,
// the file's size. out: true when the header is sound and announces exactly the payload the
// file holds; false with *why.
bool CheckHeader(const uint8_t* header, size_t size, std::string* why) {
  const size_t magic = std::min(size, sizeof kSceneMagic);
  if (!std::equal(kSceneMagic, kSceneMagic + magic, header)) {
    *why = "not a Tavren scene file (wrong magic)";
    return false;
  }
  if (size < kSceneHeaderSize) {
    *why = "truncated: the header is incomplete";
    return false;
  }
  uint64_t version = GetLe(header + 8, 4);
  if (version != kSceneFormatVersion) {
    *why = "unsupported format version " + std::to_string(version) + " (this host reads " +
           std::to_string(kSceneFormatVersion) + ")";
    return false;
  }
  if (GetLe(header + 12, 4) != 0) {
    *why = "damaged: unknown header flags";
    return false;
  }
  uint64_t length = GetLe(header + 16, 8);
  uint64_t present = size - kSceneHeaderSize;
  if (length != present) {
    *why = (length > present ? "truncated: " : "damaged: ") + std::to_string(present) +
           " payload bytes present, the header announces " + std::to_string(length);
    return false;
  }
  return true;
}

}  // namespace

std::string SceneNodeFault(const Node& node) {
  std::string fault = node.DataFault();
  Description desc;
  if (fault.empty() && LoadRegisteredDescription(&desc, node.Type())) fault = ParameterFault(desc, node.Data());
  return fault;
}

std::unique_ptr<Document> ParseDocument(const uint8_t* data, size_t size, const std::string& name,
                                        std::string* error) {
  // Names read from the file end up in the message: printed escaped, on one line.
  auto fail = [&](const std::string& what) -> std::unique_ptr<Document> {
    if (error) *error = PrintableText(name + ": " + what);
    return nullptr;
  };
  std::string why;
  if (!CheckHeader(data, size, &why)) return fail(why);
  const uint8_t* payload = data + kSceneHeaderSize;
  const uint64_t length = size - kSceneHeaderSize;
  if (GetLe(data + 24, 8) != SceneChecksum(payload, static_cast<size_t>(length))) {
    return fail("damaged: the checksum does not match the data");
  }
  try {
    auto doc = std::make_unique<Document>();
    SceneReader reader(payload, static_cast<size_t>(length));
    if (!reader.Read(doc.get())) return fail(reader.error());
    return doc;
  } catch (const std::bad_alloc&) {
    return fail("out of memory while loading");
  }
}

std::unique_ptr<Document> LoadDocument(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& what) -> std::unique_ptr<Document> {
    if (error) *error = PrintableText(path) + ": " + what;
    return nullptr;
  };
  // Size and header first: a file that is not a scene file, or whose header does not match
  // its size, is refused before its payload is read.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    return fail(std::string("cannot open the file: ") + std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) return fail("not a file");
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > kMaxInputFileBytes) {
    return fail("file too large (" + std::to_string(size) + " bytes; an input file may hold at most " +
                std::to_string(kMaxInputFileBytes) + ")");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(std::string("cannot open the file: ") + std::strerror(errno));
  std::vector<uint8_t> bytes(std::min<uint64_t>(size, kSceneHeaderSize));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad() || static_cast<size_t>(in.gcount()) != bytes.size()) return fail("cannot read the file");
  std::string why;
  if (!CheckHeader(bytes.data(), static_cast<size_t>(size), &why)) return fail(why);
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return fail("out of memory reading " + std::to_string(size) + " bytes");
  }
  in.read(reinterpret_cast<char*>(bytes.data()) + kSceneHeaderSize,
          static_cast<std::streamsize>(size - kSceneHeaderSize));
  if (in.bad() || static_cast<uint64_t>(in.gcount()) != size - kSceneHeaderSize) {
    return fail("cannot read the file (it changed while being read)");
  }
  return ParseDocument(bytes.data(), bytes.size(), path, error);
}

}  // namespace hostapp
