// Running the built tavren-host as a user does: each test works in a scratch folder, writes
// its input meshes there, runs the binary through the shell and looks at its exit code, its
// output streams and the files it left.
#ifndef TESTS_E2E_E2E_ENV_H
#define TESTS_E2E_E2E_ENV_H

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "hostapp/io/mesh.h"
#include "support/cli_run.h"
#include "support/meshes.h"

namespace e2e {

using clirun::RunResult;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // in: args, the command line after the program name (shell syntax; quote as needed).
  // out: the result of running tavren-host with them in the scratch folder.
  RunResult Run(const std::string& args) const;

  // in: name, a file name in the scratch folder. out: its full path.
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Writes a mesh as OBJ into the scratch folder. out: its full path.
  std::string WriteMesh(const std::string& name, const hostapp::Mesh& mesh) const;
  // Writes text into the scratch folder. out: its full path.
  std::string WriteText(const std::string& name, const std::string& text) const;
  // out: the bytes of a file ("" when it cannot be read).
  static std::string ReadBytes(const std::string& path) { return clirun::ReadBytes(path); }
  // out: the mesh in an OBJ file; a test failure when it does not read.
  static hostapp::Mesh ReadMesh(const std::string& path);
  // out: the names of the files in the scratch folder (or in a folder below it), sorted.
  std::vector<std::string> Files(const std::string& sub = "") const;

  std::string dir_;
};

// A waved grid as a host mesh, with triangles mixed in.
hostapp::Mesh WavedGrid(int nx, int ny);
// in: mesh. out: the mesh bent smoothly around the y axis (a large, smooth deformation).
hostapp::Mesh Bent(const hostapp::Mesh& mesh, double amount);
// in: mesh. out: the mesh rotated about an oblique axis and moved (a rigid motion).
hostapp::Mesh Moved(const hostapp::Mesh& mesh);
using testmesh::MaxDistance;
using testmesh::Size;

}  // namespace e2e

#endif  // TESTS_E2E_E2E_ENV_H
