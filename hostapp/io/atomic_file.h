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

// Writes a file atomically.
// in:  path, the target file; write, called once with the open temporary file, returns
//      false (and may set *error) when it could not produce the content.
// out: true when path now holds exactly what write produced. On false, *error (if not
//      null) says what failed, naming the path, and no file was created or changed.
inline bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string*)>& write,
                                std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = path + ": " + what;
    return false;
  };
  if (path.empty()) return fail("empty file name");
  std::string temp = path + ".tmp.XXXXXX";
  int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return fail(std::string("cannot create a file beside it: ") + std::strerror(errno));
#if !defined(_WIN32)
  // mkstemp creates the file private to its owner; give it the usual mode of a new file.
  ::fchmod(fd, 0644);
#endif
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    int e = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return fail(std::string("cannot open the temporary file: ") + std::strerror(e));
  }
  std::string write_error;
  bool ok = write(f, &write_error);
  if (ok && std::fflush(f) != 0) {
    ok = false;
    write_error = std::string("write failed: ") + std::strerror(errno);
  }
#if defined(_WIN32)
  if (ok && ::_commit(::_fileno(f)) != 0) {
#else
  if (ok && ::fsync(::fileno(f)) != 0) {
#endif
    ok = false;
    write_error = std::string("sync failed: ") + std::strerror(errno);
  }
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    write_error = std::string("close failed: ") + std::strerror(errno);
  }
#if defined(_WIN32)
  // Windows' rename() refuses an existing target; std::filesystem::rename replaces it
  // (MoveFileEx), as rename() does on POSIX.
  if (ok) {
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
      ok = false;
      write_error = "cannot replace the file: " + ec.message();
    }
  }
#else
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    write_error = std::string("cannot replace the file: ") + std::strerror(errno);
  }
#endif
  if (!ok) {
    ::unlink(temp.c_str());
    return fail(write_error.empty() ? "write failed" : write_error);
  }
  return true;
}

// Writes text as the whole content of a file, atomically; as WriteFileAtomically.
inline bool WriteTextAtomically(const std::string& path, const std::string& text, std::string* error) {
  return WriteFileAtomically(
      path,
      [&text](std::FILE* f, std::string* write_error) {
        if (std::fwrite(text.data(), 1, text.size(), f) == text.size()) return true;
        *write_error = "write failed";
        return false;
      },
      error);
}

}  // namespace hostapp

#endif  // HOSTAPP_IO_ATOMIC_FILE_H
