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
#include <string>
#include <string_view>

namespace hostapp {

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
