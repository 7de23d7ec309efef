#include "hostapp/scene/console.h"

#include <cstdio>
#include <mutex>

namespace hostapp {

namespace {

struct ConsoleState {
  std::mutex mutex;
  std::vector<std::string> lines;
  bool echo = true;
};

ConsoleState& State() {
  static ConsoleState state;
  return state;
}

}  // namespace

void ConsolePrint(const std::string& line) {
  ConsoleState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.lines.push_back(line);
  if (s.echo) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}

std::vector<std::string> ConsoleLines() {
  ConsoleState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.lines;
}

void ConsoleClear() {
  ConsoleState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.lines.clear();
}

void SetConsoleEcho(bool echo) {
  ConsoleState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.echo = echo;
}

}  // namespace hostapp
