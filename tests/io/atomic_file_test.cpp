// Atomic file writing: temporary files with fresh, unpredictable names that never follow a
// link, nothing left behind on failure, and no temporary file left by SIGINT or SIGTERM.
#include "hostapp/io/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "io/temp_dir.h"

namespace {

using hostapp::WriteFileAtomically;
using hostapp_test::TempDir;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WriteFileAtomically, TemporaryNamesAreFreshRandomAndBesideTheTarget) {
  TempDir dir;
  const std::string path = dir.File("out.obj");
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    std::string during;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(
        path,
        [&](std::FILE* f, std::string*) {
          // While writing, the folder holds the temporary file (and the previous output).
          for (const std::string& name : dir.List()) {
            if (name != "out.obj") during = name;
          }
          EXPECT_FALSE(std::filesystem::is_symlink(dir.File(during)));
          return std::fputs("v 0 0 0\n", f) >= 0;
        },
        &error))
        << error;
    ASSERT_EQ(during.size(), std::string("out.obj.tmp.").size() + 12) << during;
    EXPECT_EQ(during.rfind("out.obj.tmp.", 0), 0u) << during;
    seen.insert(during);
  }
  EXPECT_EQ(seen.size(), 20u);  // a new name every time
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.obj"});
  EXPECT_EQ(Contents(path), "v 0 0 0\n");
}

TEST(WriteFileAtomically, FailuresKeepThePreviousFileAndLeaveNothingElse) {
  TempDir dir;
  const std::string path = dir.Write("scene.txt", "old");
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(
      path,
      [](std::FILE* f, std::string* why) {
        std::fputs("half", f);
        *why = "the content ran out";
        return false;
      },
      &error));
  EXPECT_EQ(error, path + ": the content ran out (the previous file is unchanged)");
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"scene.txt"});

  EXPECT_FALSE(WriteFileAtomically(dir.File("new.txt"), [](std::FILE*, std::string*) { return false; }, &error));
  EXPECT_EQ(error, dir.File("new.txt") + ": write failed; nothing was written");
  EXPECT_FALSE(WriteFileAtomically(dir.File("no/such/folder.txt"), std::string_view("x"), &error));
  EXPECT_NE(error.find("cannot create a temporary file beside it"), std::string::npos) << error;
  EXPECT_EQ(dir.List(), std::vector<std::string>{"scene.txt"});

  // A folder where the file should go: the rename fails, the temporary file goes.
  std::filesystem::create_directory(dir.File("taken"));
  std::filesystem::create_directory(dir.File("taken/inside"));
  EXPECT_FALSE(WriteFileAtomically(dir.File("taken"), std::string_view("x"), &error));
  EXPECT_NE(error.find("cannot replace the file"), std::string::npos) << error;
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"scene.txt", "taken"}));
}

// Runs a child process that installs the signal handlers, starts writing path (whose
// previous content is "old") and is hit by sig halfway. out: the child's wait status.
int InterruptedWrite(const std::string& path, int sig) {
  const pid_t child = ::fork();
  if (child == 0) {
    hostapp::RemoveTemporaryFilesOnSignals();
    std::string error;
    WriteFileAtomically(
        path,
        [&](std::FILE* f, std::string*) {
          std::fputs("half of the new", f);
          std::fflush(f);
          ::kill(::getpid(), sig);
          return true;
        },
        &error);
    ::_exit(0);  // not reached when the signal ended the process
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

TEST(WriteFileAtomically, AnInterruptingSignalRemovesTheTemporaryFileAndStillEndsTheProgram) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    TempDir dir;
    const std::string path = dir.Write("frame.obj", "old");
    const int status = InterruptedWrite(path, sig);
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << sig << ": status " << status;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"frame.obj"}) << "signal " << sig;
    EXPECT_EQ(Contents(path), "old");
  }
}

TEST(WriteFileAtomically, AnIgnoredSignalStaysIgnored) {
  TempDir dir;
  const std::string path = dir.Write("frame.obj", "old");
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGHUP, SIG_IGN);  // as under nohup
    hostapp::RemoveTemporaryFilesOnSignals();
    std::string error;
    const bool ok = WriteFileAtomically(
        path,
        [](std::FILE* f, std::string*) {
          ::kill(::getpid(), SIGHUP);
          return std::fputs("new", f) >= 0;
        },
        &error);
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Contents(path), "new");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"frame.obj"});
}

}  // namespace
