// The host's console: lines printed by plug-ins and by the host, kept for tests and the
// command line, and echoed to standard output unless silenced.
#ifndef HOSTAPP_SCENE_CONSOLE_H
#define HOSTAPP_SCENE_CONSOLE_H

#include <string>
#include <vector>

namespace hostapp {

// in: one line (without its line break). Thread-safe.
void ConsolePrint(const std::string& line);
// out: every line printed since the start or the last ConsoleClear, in order.
std::vector<std::string> ConsoleLines();
void ConsoleClear();
// in: echo, whether lines also go to standard output (on at start).
void SetConsoleEcho(bool echo);

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_CONSOLE_H
