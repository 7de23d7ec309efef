// A progress line on standard output: on a terminal one line rewritten in place ("\r"),
// otherwise one plain line per step, so logs of farm runs stay readable.
#ifndef TAVREN_CLI_PROGRESS_H
#define TAVREN_CLI_PROGRESS_H

#include <cstddef>
#include <string>

namespace tavren_cli {

class Progress {
 public:
  // in: total, the number of steps.
  explicit Progress(size_t total);
  // Ends a line still open on the terminal.
  ~Progress();

  // in: done, steps finished so far (1 ... total); what, a short description of the step.
  void Step(size_t done, const std::string& what);
  // Ends the line on a terminal (before an error or a summary is printed).
  void Finish();

 private:
  size_t total_;
  bool tty_;
  bool open_ = false;
  size_t last_width_ = 0;
};

}  // namespace tavren_cli

#endif  // TAVREN_CLI_PROGRESS_H
