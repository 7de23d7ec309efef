// Writing a file so that readers see either the old file or the complete new one: the
// bytes go to a temporary file in the same folder, which is renamed over the target only
// after everything was written and flushed. On any failure the temporary file is removed
// and the target is left as it was.
//
// Header-only so that every module that writes files (meshes, pictures) can use it
// without a link dependency between modules.
#ifndef HOSTAPP_IO_ATOMIC_FILE_H
#define HOSTAPP_IO_ATOMIC_FILE_H

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#if defined(_WIN32)
#include <filesystem>
#include <system_error>
#endif

namespace hostapp {

// A file written atomically piece by piece: Open makes the temporary file, the caller
// writes (and may seek) through File(), Commit puts it in place. A file neither committed
// nor abandoned is abandoned when the object goes.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Abandon(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // in: path, the target file. out: true with File() open for writing (binary) on a new,
  // empty temporary file beside it; false with *error (if not null) naming the path.
  bool Open(const std::string& path, std::string* error) {
    Abandon();
    path_ = path;
    if (path.empty()) return Fail("empty file name", error);
    temp_ = path + ".tmp.XXXXXX";
    int fd = ::mkstemp(&temp_[0]);
    if (fd < 0) {
      temp_.clear();
      return Fail(std::string("cannot create a file beside it: ") + std::strerror(errno), error);
    }
#if !defined(_WIN32)
    // mkstemp creates the file private to its owner; give it the usual mode of a new file.
    ::fchmod(fd, 0644);
#endif
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
      int e = errno;
      ::close(fd);
      Abandon();
      return Fail(std::string("cannot open the temporary file: ") + std::strerror(e), error);
    }
    return true;
  }

  std::FILE* File() const { return file_; }

  // Flushes, syncs and closes the temporary file and renames it over the target.
  // out: true when the target now holds what was written; false with *error (if not null)
  // naming the path, the temporary file removed and the target as it was.
  bool Commit(std::string* error) {
    if (!file_) return Fail("write failed", error);
    std::string why;
    bool ok = true;
    if (std::fflush(file_) != 0) {
      ok = false;
      why = std::string("write failed: ") + std::strerror(errno);
    }
#if defined(_WIN32)
    if (ok && ::_commit(::_fileno(file_)) != 0) {
#else
    if (ok && ::fsync(::fileno(file_)) != 0) {
#endif
      ok = false;
      why = std::string("sync failed: ") + std::strerror(errno);
    }
    if (std::fclose(file_) != 0 && ok) {
      ok = false;
      why = std::string("close failed: ") + std::strerror(errno);
    }
    file_ = nullptr;
#if defined(_WIN32)
    // Windows' rename() refuses an existing target; std::filesystem::rename replaces it
    // (MoveFileEx), as rename() does on POSIX.
    if (ok) {
      std::error_code ec;
      std::filesystem::rename(temp_, path_, ec);
      if (ec) {
        ok = false;
        why = "cannot replace the file: " + ec.message();
      }
    }
#else
    if (ok && std::rename(temp_.c_str(), path_.c_str()) != 0) {
      ok = false;
      why = std::string("cannot replace the file: ") + std::strerror(errno);
    }
#endif
    if (!ok) {
      Abandon();
      return Fail(why, error);
    }
    temp_.clear();
    return true;
  }

  // Closes and removes the temporary file, if any; the target stays as it was.
  void Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
  }

 private:
  bool Fail(const std::string& what, std::string* error) const {
    if (error) *error = path_ + ": " + what;
    return false;
  }

  std::string path_;
  std::string temp_;
  std::FILE* file_ = nullptr;
};

// Writes a file atomically.
// in:  path, the target file; write, called once with the open temporary file, returns
//      false (and may set *error) when it could not produce the content.
// out: true when path now holds exactly what write produced. On false, *error (if not
//      null) says what failed, naming the path, and no file was created or changed.
inline bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string*)>& write,
                                std::string* error) {
  AtomicFile file;
  if (!file.Open(path, error)) return false;
  std::string write_error;
  if (!write(file.File(), &write_error)) {
    file.Abandon();
    if (error) *error = path + ": " + (write_error.empty() ? "write failed" : write_error);
    return false;
  }
  return file.Commit(error);
}

}  // namespace hostapp

#endif  // HOSTAPP_IO_ATOMIC_FILE_H
