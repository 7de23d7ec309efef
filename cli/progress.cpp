#include "cli/progress.h"

#include <unistd.h>

#include <cstdio>

#include "hostapp/services/printable.h"

namespace tavren_cli {

Progress::Progress(size_t total) : total_(total), tty_(::isatty(STDOUT_FILENO) == 1) {}

Progress::~Progress() { Finish(); }

void Progress::Step(size_t done, const std::string& what) {
  const std::string line =
      "[" + std::to_string(done) + "/" + std::to_string(total_) + "] " + hostapp::PrintableText(what);
  if (tty_) {
    // Pad with blanks so that a shorter line covers the longer one before it.
    const size_t pad = last_width_ > line.size() ? last_width_ - line.size() : 0;
    std::printf("\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    last_width_ = line.size();
    open_ = true;
  } else {
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
}

void Progress::Finish() {
  if (!open_) return;
  std::printf("\n");
  std::fflush(stdout);
  open_ = false;
}

}  // namespace tavren_cli
