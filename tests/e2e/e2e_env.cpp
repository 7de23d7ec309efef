#include "e2e_env.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostapp/io/obj.h"

namespace e2e {

void CliTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavren-e2e-XXXXXX").string();
  ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
  dir_ = pattern;
}

void CliTest::TearDown() {
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

RunResult CliTest::Run(const std::string& args) const { return clirun::RunHostIn(dir_, args); }

std::string CliTest::WriteMesh(const std::string& name, const hostapp::Mesh& mesh) const {
  std::string error;
  EXPECT_TRUE(hostapp::WriteObj(Path(name), mesh, &error)) << error;
  return Path(name);
}

std::string CliTest::WriteText(const std::string& name, const std::string& text) const {
  std::ofstream(Path(name), std::ios::binary) << text;
  return Path(name);
}

hostapp::Mesh CliTest::ReadMesh(const std::string& path) {
  hostapp::Mesh m;
  std::string error;
  EXPECT_TRUE(hostapp::ReadObj(path, &m, &error)) << error;
  return m;
}

std::vector<std::string> CliTest::Files(const std::string& sub) const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(sub.empty() ? dir_ : Path(sub), ec))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

hostapp::Mesh WavedGrid(int nx, int ny) {
  const testmesh::Mesh g = testmesh::Grid(nx, ny, true, 0.6);
  return hostapp::Mesh{g.points, g.polygons};
}

hostapp::Mesh Bent(const hostapp::Mesh& mesh, double amount) {
  hostapp::Mesh m = mesh;
  for (C4D_Vector& p : m.points) {
    const double a = amount * p.x, r = 10.0 + p.z;
    p = C4D_Vector{std::sin(a) * r, p.y, std::cos(a) * r - 10.0};
  }
  return m;
}

hostapp::Mesh Moved(const hostapp::Mesh& mesh) {
  // Rotation by 0.7 rad about the unit axis (1, 2, 2) / 3, then a move.
  const double ux = 1.0 / 3, uy = 2.0 / 3, uz = 2.0 / 3, c = std::cos(0.7), s = std::sin(0.7), t = 1 - c;
  hostapp::Mesh m = mesh;
  for (C4D_Vector& p : m.points) {
    const C4D_Vector q = p;
    p.x = (t * ux * ux + c) * q.x + (t * ux * uy - s * uz) * q.y + (t * ux * uz + s * uy) * q.z + 3.0;
    p.y = (t * ux * uy + s * uz) * q.x + (t * uy * uy + c) * q.y + (t * uy * uz - s * ux) * q.z - 1.5;
    p.z = (t * ux * uz - s * uy) * q.x + (t * uy * uz + s * ux) * q.y + (t * uz * uz + c) * q.z + 0.25;
  }
  return m;
}



}  // namespace e2e
