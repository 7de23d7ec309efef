// Writing scene files: serialisation of a document, then an atomic replacement of the
// file on disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <unordered_map>
#if defined(_WIN32)
#include <filesystem>
#include <system_error>
#endif

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

  // in: doc. out: false with error() set when a plug-in's write hook fails.
  bool Write(const Document& doc) {
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

// Writes all of bytes to fd. out: false with errno set on failure (including the test limit).
bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  int64_t limit = g_write_limit;
  while (done < bytes.size()) {
    size_t want = bytes.size() - done;
    if (limit >= 0) {
      if (static_cast<int64_t>(done) >= limit) {
        errno = ENOSPC;
        return false;
      }
      want = std::min<size_t>(want, static_cast<size_t>(limit) - done);
    }
    ssize_t n = ::write(fd, bytes.data() + done, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string Errno() { return std::strerror(errno); }

// Flags of the temporary file: write-only, fresh, not inherited by child processes; on
// Windows also binary (no newline translation). SyncFile(fd): flushes an open file to the
// disk; out: 0, or -1 with errno set. Windows names it _commit.
#if defined(_WIN32)
constexpr int kTempFileFlags = O_WRONLY | O_CREAT | O_TRUNC | O_BINARY | O_NOINHERIT;
int SyncFile(int fd) { return ::_commit(fd); }
#else
constexpr int kTempFileFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
int SyncFile(int fd) { return ::fsync(fd); }
#endif

// Replaces path by bytes: temporary file beside it, written, synced, renamed. out: false
// with *error; the temporary file is removed and path untouched on failure.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  const std::string temp = path + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), kTempFileFlags, 0644);
  if (fd < 0) {
    *error = path + ": cannot create the temporary file " + temp + ": " + Errno();
    return false;
  }
  std::string failure;
  if (!WriteAll(fd, bytes)) {
    failure = "write failed: " + Errno();
  } else if (SyncFile(fd) != 0) {
    failure = "sync failed: " + Errno();
  }
  if (::close(fd) != 0 && failure.empty()) failure = "close failed: " + Errno();
#if defined(_WIN32)
  // Windows' rename() refuses an existing target; std::filesystem::rename replaces it
  // (MoveFileEx), as rename() does on POSIX.
  if (failure.empty()) {
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) failure = "cannot replace the file: " + ec.message();
  }
#else
  if (failure.empty() && std::rename(temp.c_str(), path.c_str()) != 0) {
    failure = "cannot replace the file: " + Errno();
  }
#endif
  if (!failure.empty()) {
    ::unlink(temp.c_str());
    *error = path + ": " + failure + " (the previous file is unchanged)";
    return false;
  }
#if !defined(_WIN32)
  // Make the rename itself durable (Windows cannot open a folder to sync it).
  size_t slash = path.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
#endif
  return true;
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
