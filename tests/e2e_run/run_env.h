// Running the built tavren-host from the repository root (so that the shared data is at
// ../shared/data) into a scratch folder, and reading back what it wrote: meshes and the
// per-frame report.
#ifndef TESTS_E2E_RUN_RUN_ENV_H
#define TESTS_E2E_RUN_RUN_ENV_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostapp/io/mesh.h"
#include "support/cli_run.h"
#include "support/meshes.h"

namespace e2e_run {

using clirun::ReadBytes;
using clirun::RunResult;

// in: args after the program name (shell syntax). out: tavren-host's result, run from the
// repository root.
RunResult RunHost(const std::string& args);

// A scratch folder, removed with its contents at the end of the test.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // out: the full path of name in the scratch folder.
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // out: the names of the files in a folder, sorted; empty when it does not exist.
  static std::vector<std::string> Files(const std::string& dir);
  std::string dir_;
};

// One row of a report CSV, by column; an empty field reads as NaN.
struct ReportRow {
  int frame = 0;
  double time = 0;
  double skin_mean = 0, skin_p95 = 0, skin_max = 0, skin_volume = 0, skin_detail = 0, skin_crossings = 0;
  double corrected_mean = 0, corrected_p95 = 0, corrected_max = 0, corrected_volume = 0, corrected_detail = 0,
         corrected_crossings = 0;
};
// in: path of a report CSV. out: its rows; a test failure when the header or a row is malformed.
std::vector<ReportRow> ReadReport(const std::string& path);

// out: the mesh in an OBJ file; a test failure when it does not read.
hostapp::Mesh ReadMesh(const std::string& path);
using testmesh::MaxDistance;
using testmesh::Size;

// Registers the host's built-in types, then loads and starts the built plug-in in this
// process, once; it ends after the last test. out: true when it runs; *error says why not.
bool EnsurePlugin(std::string* error);

}  // namespace e2e_run

#endif  // TESTS_E2E_RUN_RUN_ENV_H
