#include "hostapp/io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <pthread.h>
#endif

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#if defined(_WIN32)
#include <filesystem>
#include <system_error>
#endif

namespace hostapp {

namespace {

// The temporary files being written, for the signal handler. A slot is claimed with a
// compare-and-swap, filled, then marked live; the handler reads only live slots, and
// std::atomic<int> is lock-free, so reading it there is safe. A file whose name does not
// fit, or that finds every slot taken, is written all the same, just not removed on a signal.
constexpr int kFree = 0, kFilling = 1, kLive = 2;
constexpr int kSlots = 64;
constexpr size_t kNameBytes = 4096;
struct Slot {
  std::atomic<int> state{kFree};
  char name[kNameBytes];
};
Slot g_slots[kSlots];

// in: name of a temporary file just created. out: its slot, or -1 when it is not listed.
int Register(const std::string& name) {
  if (name.size() >= kNameBytes) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(g_slots[i].name, name.c_str(), name.size() + 1);
    g_slots[i].state.store(kLive);
    return i;
  }
  return -1;
}

void Unregister(int slot) {
  if (slot >= 0) g_slots[slot].state.store(kFree);
}

// The signals that end the program with its temporary files removed (Windows knows no SIGHUP).
#if defined(_WIN32)
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM};
#else
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif

extern "C" void RemoveTemporariesAndRaise(int sig) {
  for (Slot& s : g_slots) {
    if (s.state.load() == kLive) ::unlink(s.name);
  }
  // The handler was installed to run once: the signal's default action is back, and the
  // signal raised again ends the program as it would have without the handler.
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// Keeps the signals that remove temporary files away from this thread between creating a
// temporary file and listing it, so that no signal can come in between.
class SignalsHeld {
 public:
  SignalsHeld() {
#if !defined(_WIN32)
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kCleanupSignals) sigaddset(&set, sig);
    held_ = pthread_sigmask(SIG_BLOCK, &set, &previous_) == 0;
#endif
  }
  ~SignalsHeld() {
#if !defined(_WIN32)
    if (held_) pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
#endif
  }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
#if !defined(_WIN32)
  sigset_t previous_;
  bool held_ = false;
#endif
};

// Flags of the temporary file: write-only, created here and now (an existing file or link
// of that name makes the call fail), links never followed, not inherited by child
// processes; on Windows binary (no newline translation). SyncFile(fd): flushes an open
// file to the disk; out: 0, or -1 with errno set. Windows names it _commit.
#if defined(_WIN32)
constexpr int kTempFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_NOINHERIT;
constexpr int kTempFileMode = S_IREAD | S_IWRITE;
int SyncFile(int fd) { return ::_commit(fd); }
#else
constexpr int kTempFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr int kTempFileMode = 0666;  // less the umask, as for any new file
int SyncFile(int fd) { return ::fsync(fd); }
#endif

// in: path. out: path + ".tmp." + twelve random letters and digits.
std::string TemporaryName(const std::string& path) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::string name = path + ".tmp.";
  for (int i = 0; i < 12; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

// A temporary file beside a target: created exclusively and listed for the signal
// handler; removed and unlisted on destruction unless it was renamed.
class TemporaryFile {
 public:
  // in: path, the target. out: ok() with file() open for writing, or *error set.
  TemporaryFile(const std::string& path, std::string* error) {
    int fd = -1, open_error = 0;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      name_ = TemporaryName(path);
      SignalsHeld held;
      fd = ::open(name_.c_str(), kTempFileFlags, kTempFileMode);
      open_error = errno;
      if (fd >= 0) slot_ = Register(name_);
      if (fd < 0 && open_error != EEXIST) break;  // EEXIST: a name taken by chance, try another
    }
    if (fd < 0) {
      *error = std::string("cannot create a temporary file beside it: ") + std::strerror(open_error);
      return;
    }
    created_ = true;
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
      *error = std::string("cannot open the temporary file: ") + std::strerror(errno);
      ::close(fd);
    }
  }
  ~TemporaryFile() {
    if (file_) std::fclose(file_);
    if (created_ && !renamed_) ::unlink(name_.c_str());
    Unregister(slot_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  std::FILE* file() const { return file_; }

  // Flushes, syncs and closes the file. out: empty, or what failed.
  std::string Finish() {
    std::string failure;
    if (std::fflush(file_) != 0) {
      failure = std::string("write failed: ") + std::strerror(errno);
    } else if (SyncFile(::fileno(file_)) != 0) {
      failure = std::string("sync failed: ") + std::strerror(errno);
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0 && failure.empty()) failure = std::string("close failed: ") + std::strerror(errno);
    return failure;
  }

  // Renames the file over path. out: empty, or what failed.
  std::string RenameTo(const std::string& path) {
#if defined(_WIN32)
    // Windows' rename() refuses an existing target; std::filesystem::rename replaces it
    // (MoveFileEx), as rename() does on POSIX.
    std::error_code ec;
    std::filesystem::rename(name_, path, ec);
    if (ec) return "cannot replace the file: " + ec.message();
#else
    if (std::rename(name_.c_str(), path.c_str()) != 0)
      return std::string("cannot replace the file: ") + std::strerror(errno);
#endif
    renamed_ = true;
    return std::string();
  }

 private:
  std::string name_;
  bool created_ = false;
  std::FILE* file_ = nullptr;
  int slot_ = -1;
  bool renamed_ = false;
};

// Makes a rename in path's folder durable (Windows cannot open a folder to sync it).
void SyncFolderOf(const std::string& path) {
#if !defined(_WIN32)
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
#else
  (void)path;
#endif
}

}  // namespace

struct AtomicFile::Temporary {
  Temporary(const std::string& path, std::string* error) : file(path, error) {}
  TemporaryFile file;
};

AtomicFile::AtomicFile() = default;
AtomicFile::~AtomicFile() = default;

bool AtomicFile::Open(const std::string& path, std::string* error) {
  Abandon();
  path_ = path;
  struct stat st;
  existed_ = ::stat(path.c_str(), &st) == 0;
  if (path.empty()) return Fail("empty file name", error);
  std::string failure;
  temp_ = std::make_unique<Temporary>(path, &failure);
  if (!temp_->file.file()) {
    temp_.reset();
    return Fail(failure, error);
  }
  return true;
}

std::FILE* AtomicFile::File() const { return temp_ ? temp_->file.file() : nullptr; }

bool AtomicFile::Commit(std::string* error) {
  if (!File()) return Fail("write failed", error);
  std::string failure = temp_->file.Finish();
  if (failure.empty()) failure = temp_->file.RenameTo(path_);
  temp_.reset();
  if (!failure.empty()) return Fail(failure, error);
  SyncFolderOf(path_);
  return true;
}

void AtomicFile::Abandon() { temp_.reset(); }

bool AtomicFile::Fail(const std::string& what, std::string* error) const {
  if (error) *error = path_ + ": " + what + (existed_ ? " (the previous file is unchanged)" : "; nothing was written");
  return false;
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string*)>& write,
                         std::string* error) {
  AtomicFile file;
  if (!file.Open(path, error)) return false;
  std::string failure;
  if (!write(file.File(), &failure)) {
    file.Abandon();
    return file.Fail(failure.empty() ? "write failed" : failure, error);
  }
  return file.Commit(error);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  return WriteFileAtomically(
      path,
      [&](std::FILE* f, std::string* write_error) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size()) return true;
        *write_error = std::string("write failed: ") + std::strerror(errno);
        return false;
      },
      error);
}

void RemoveTemporaryFilesOnSignals() {
  for (int sig : kCleanupSignals) {
#if defined(_WIN32)
    if (std::signal(sig, RemoveTemporariesAndRaise) == SIG_IGN) std::signal(sig, SIG_IGN);
#else
    struct sigaction current;
    if (sigaction(sig, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;  // e.g. under nohup
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndRaise;
    sigemptyset(&action.sa_mask);
    for (int other : kCleanupSignals) sigaddset(&action.sa_mask, other);
    action.sa_flags = SA_RESETHAND;
    sigaction(sig, &action, nullptr);
#endif
  }
}

}  // namespace hostapp
