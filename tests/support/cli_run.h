// Running the built tavren-host as a user does, for the end-to-end tests: a scratch folder
// that is removed afterwards, and one run of the binary through the shell with its exit code
// and both output streams.
#ifndef TESTS_SUPPORT_CLI_RUN_H
#define TESTS_SUPPORT_CLI_RUN_H

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace clirun {

// What one run of the binary gave.
struct RunResult {
  int code = -1;    // exit code; -1 when the process did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
  // out: the lines of standard error.
  std::vector<std::string> ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

// out: the bytes of a file ("" when it cannot be read).
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A new folder under the system's temporary folder, removed with its contents on destruction;
// Path() is empty when it could not be made.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(&pattern[0])) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The built tavren-host, quoted for the shell.
inline std::string HostCommand() { return "'" TAVREN_BINARY_DIR "/cli/tavren-host'"; }

// in: workdir, the folder to run in; command, a shell command line. out: the result of
// running it there, its streams captured in a scratch folder of their own.
inline RunResult RunShellIn(const std::string& workdir, const std::string& command) {
  RunResult r;
  ScratchDir io("tavren-cli-io");
  if (io.Path().empty()) return r;
  const std::string out = io.Path() + "/stdout", err = io.Path() + "/stderr";
  const std::string line = "cd '" + workdir + "' && " + command + " >'" + out + "' 2>'" + err + "' </dev/null";
  const int status = std::system(line.c_str());
  r.code = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  r.out = ReadBytes(out);
  r.err = ReadBytes(err);
  return r;
}

// in: workdir; args, the command line after the program name (shell syntax). out: the
// result of running the built tavren-host there.
inline RunResult RunHostIn(const std::string& workdir, const std::string& args) {
  return RunShellIn(workdir, HostCommand() + " " + args);
}

}  // namespace clirun

#endif
