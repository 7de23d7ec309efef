// Writing a file so that readers see either the old file or the complete new one: the
// bytes go to a temporary file beside the target, which is renamed over the target only
// after everything was written and flushed to the disk. On any failure the temporary file
// is removed and the target is left as it was.
//
// The temporary file is created exclusively under an unpredictable name (TARGET.tmp. and
// twelve random letters), never through a link planted at that name, so that nobody can
// steer what is written into another file. While it exists it is on a list that a handler
// of SIGINT, SIGTERM and SIGHUP empties (see RemoveTemporaryFilesOnSignals): an interrupted
// program leaves neither a half-written file under the final name nor a temporary file.
#ifndef HOSTAPP_IO_ATOMIC_FILE_H
#define HOSTAPP_IO_ATOMIC_FILE_H

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace hostapp {

// A file written atomically piece by piece: Open makes the temporary file (as described
// above), the caller writes (and may seek) through File(), Commit puts it in place. A file
// neither committed nor abandoned is abandoned when the object goes.
class AtomicFile {
 public:
  AtomicFile();
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // in: path, the target file. out: true with File() open for writing (binary) on a new,
  // empty temporary file beside it; false with *error (if not null) naming the path.
  bool Open(const std::string& path, std::string* error);

  std::FILE* File() const;

  // Flushes, syncs and closes the temporary file and renames it over the target.
  // out: true when the target now holds what was written; false with *error (if not null)
  // naming the path, the temporary file removed and the target as it was.
  bool Commit(std::string* error);

  // Closes and removes the temporary file, if any; the target stays as it was.
  void Abandon();

  // in: what failed. out: false, with *error (if not null) set to the path, what failed and
  // what became of the target.
  bool Fail(const std::string& what, std::string* error) const;

 private:
  struct Temporary;
  std::unique_ptr<Temporary> temp_;
  std::string path_;
  bool existed_ = false;
};

// Writes a file atomically.
// in:  path, the target file; write, called once with the open temporary file, returns
//      false (and may set *error) when it could not produce the content.
// out: true when path now holds exactly what write produced. On false, *error (if not
//      null) says what failed, naming the path, and the file at path, if any, is unchanged.
bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string*)>& write,
                         std::string* error);

// The same for content already in memory.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// Installs handlers of SIGINT, SIGTERM and SIGHUP (those not ignored at the time) that
// remove the temporary files being written, then end the program by the same signal.
// Meant for programs, called once at start; without it, temporary files stay behind when
// the program is interrupted (never under the final name).
void RemoveTemporaryFilesOnSignals();

}  // namespace hostapp

#endif  // HOSTAPP_IO_ATOMIC_FILE_H
