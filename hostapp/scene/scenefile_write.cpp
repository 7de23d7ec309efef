// Writing scene files: serialisation of a document, then an atomic replacement of the
// file on disk.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>

#include "hostapp/io/atomic_file.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/registry.h"
#include "hostapp/scene/scenefile.h"

namespace hostapp {

namespace {

std::atomic<int64_t> g_write_limit{-1};

class SceneWriter {
 public:
  explicit SceneWriter(std::vector<uint8_t>* payload) : hf_(payload) {}

  // in: doc. out: false with error() set when a plug-in's write hook fails or the objects
  // nest deeper than a file may hold (what the reader would refuse is never written).
  bool Write(const Document& doc) {
    if (!DepthFits(doc)) return false;
    int32_t next = 0;
    for (Object* op = doc.FirstObject(); op; op = op->Next()) Number(op, &next);
    int32_t count = 0;
    for (Object* op = doc.FirstObject(); op; op = op->Next()) ++count;
    hf_.WriteInt32(count);
    for (Object* op = doc.FirstObject(); op; op = op->Next()) {
      if (!WriteObject(*op)) return false;
    }
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  // out: true when no object is nested deeper than kSceneMaxDepth (a top-level object is at
  // depth 1); false with error_ set. Walks the tree without recursion, so that any depth
  // is measured safely before the recursive writing starts.
  bool DepthFits(const Document& doc) {
    int depth = 1;
    for (const Object* op = doc.FirstObject(); op;) {
      if (depth > kSceneMaxDepth) {
        error_ = "the object '" + op->Name() + "' is nested deeper than " + std::to_string(kSceneMaxDepth) +
                 " levels, the most a scene file holds";
        return false;
      }
      if (op->Down()) {
        op = op->Down();
        ++depth;
        continue;
      }
      while (op && !op->Next()) {
        op = op->Up();
        --depth;
      }
      if (op) op = op->Next();
    }
    return true;
  }

  // Gives op, its tags and then its children consecutive indices from *next.
  void Number(const Object* op, int32_t* next) {
    index_[op] = (*next)++;
    for (Tag* t = op->FirstTag(); t; t = t->Next()) index_[t] = (*next)++;
    for (Object* c = op->Down(); c; c = c->Next()) Number(c, next);
  }

  int32_t IndexOf(const Node* n) const {
    auto it = n ? index_.find(n) : index_.end();
    return it == index_.end() ? -1 : it->second;
  }

  void WriteContainer(const Container& bc) {
    hf_.WriteInt32(static_cast<int32_t>(bc.Size()));
    for (const auto& [id, value] : bc.Values()) {
      hf_.WriteInt32(id);
      hf_.WriteInt32(static_cast<int32_t>(TypeOf(value)));
      switch (TypeOf(value)) {
        case ValueType::kInt32: hf_.WriteInt32(std::get<int32_t>(value)); break;
        case ValueType::kFloat: hf_.WriteFloat(std::get<double>(value)); break;
        case ValueType::kVector: hf_.WriteVector(std::get<C4D_Vector>(value)); break;
        case ValueType::kString: hf_.WriteString(std::get<std::string>(value)); break;
        case ValueType::kLink: hf_.WriteInt32(IndexOf(std::get<WeakNode>(value).Get())); break;
        case ValueType::kInExclude: {
          const InExclude& list = std::get<InExclude>(value);
          hf_.WriteInt32(list.Count());
          for (int32_t i = 0; i < list.Count(); ++i) hf_.WriteInt32(IndexOf(list.Get(i)));
          break;
        }
      }
    }
  }

  // The parts every node has after its identity: container, built-in data, plug-in data.
  bool WriteNodeData(const Node& n, const char* kind) {
    const std::string fault = SceneNodeFault(n);
    if (!fault.empty()) {
      error_ = std::string("the ") + kind + " '" + n.Name() + "' (type " + std::to_string(n.Type()) +
               ") holds what no scene file may: " + fault;
      return false;
    }
    WriteContainer(n.Data());
    size_t mark = hf_.BeginBlock();
    bool ok = n.WriteData(hf_);
    hf_.EndBlock(mark);
    if (!ok) return Fail(n, kind, "its data");
    const C4D_NodeHooks* hooks = n.Hooks();
    bool has_plugin = n.Instance() != nullptr;
    hf_.WriteBool(has_plugin);
    if (!has_plugin) return true;
    hf_.WriteInt32(n.Plugin()->disk_level);
    mark = hf_.BeginBlock();
    ok = !hooks->write || hooks->write(n.Instance(), const_cast<Node*>(&n), &hf_);
    hf_.EndBlock(mark);
    return ok || Fail(n, kind, "its plug-in data");
  }

  bool WriteObject(const Object& op) {
    hf_.WriteInt32(op.Type());
    hf_.WriteString(op.Name());
    hf_.WriteInt32(op.Bits());
    hf_.WriteInt32(op.States());
    const C4D_Matrix& m = op.Ml();
    hf_.WriteVector(m.off);
    hf_.WriteVector(m.v1);
    hf_.WriteVector(m.v2);
    hf_.WriteVector(m.v3);
    if (!WriteNodeData(op, "object")) return false;
    std::vector<Tag*> tags = op.Tags();
    hf_.WriteInt32(static_cast<int32_t>(tags.size()));
    for (Tag* t : tags) {
      hf_.WriteInt32(t->Type());
      hf_.WriteString(t->Name());
      hf_.WriteInt32(t->Bits());
      if (!WriteNodeData(*t, "tag")) return false;
    }
    std::vector<Object*> children = op.Children();
    hf_.WriteInt32(static_cast<int32_t>(children.size()));
    for (Object* c : children) {
      if (!WriteObject(*c)) return false;
    }
    return true;
  }

  bool Fail(const Node& n, const char* kind, const char* what) {
    error_ = std::string("the ") + kind + " '" + n.Name() + "' (type " + std::to_string(n.Type()) +
             ") could not write " + what;
    return false;
  }

  HyperFile hf_;
  std::unordered_map<const Node*, int32_t> index_;
  std::string error_;
};

void PutLe(std::vector<uint8_t>* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Replaces path by bytes atomically. out: false with *error naming path; path untouched.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const int64_t limit = g_write_limit;
  if (limit < 0 || static_cast<uint64_t>(limit) >= bytes.size()) return WriteFileAtomically(path, all, error);
  // The test limit: the disk "fills up" after limit bytes.
  return WriteFileAtomically(
      path,
      [&](std::FILE* f, std::string* write_error) {
        std::fwrite(all.data(), 1, static_cast<size_t>(limit), f);
        *write_error = std::string("write failed: ") + std::strerror(ENOSPC);
        return false;
      },
      error);
}

}  // namespace

uint64_t SceneChecksum(const uint8_t* data, size_t size) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < size; ++i) {
    h ^= data[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

void SetSceneWriteLimitForTesting(int64_t limit) { g_write_limit = limit; }

bool SerializeDocument(const Document& doc, std::vector<uint8_t>* bytes, std::string* error) {
  std::vector<uint8_t> payload;
  SceneWriter writer(&payload);
  if (!writer.Write(doc)) {
    if (error) *error = writer.error();
    return false;
  }
  std::vector<uint8_t> out;
  out.reserve(kSceneHeaderSize + payload.size());
  out.insert(out.end(), kSceneMagic, kSceneMagic + sizeof kSceneMagic);
  PutLe(&out, kSceneFormatVersion, 4);
  PutLe(&out, 0, 4);
  PutLe(&out, payload.size(), 8);
  PutLe(&out, SceneChecksum(payload.data(), payload.size()), 8);
  out.insert(out.end(), payload.begin(), payload.end());
  *bytes = std::move(out);
  return true;
}

bool SaveDocument(const Document& doc, const std::string& path, std::string* error) {
  std::string why;
  std::vector<uint8_t> bytes;
  bool ok;
  try {
    ok = SerializeDocument(doc, &bytes, &why);
    if (!ok) why = path + ": " + why + "; nothing was written";
    ok = ok && ReplaceFile(path, bytes, &why);
  } catch (const std::bad_alloc&) {
    ok = false;
    why = path + ": out of memory; nothing was written";
  }
  if (!ok && error) *error = why;
  return ok;
}

}  // namespace hostapp
