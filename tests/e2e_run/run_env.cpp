#include "run_env.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "hostapp/app/report.h"
#include "hostapp/app/session.h"
#include "hostapp/eval/builtins.h"
#include "hostapp/io/obj.h"
#include "hostapp/scene/console.h"
#include "hostapp/scene/registry.h"

namespace e2e_run {

RunResult RunHost(const std::string& args) { return clirun::RunHostIn(TAVREN_SOURCE_DIR, args); }

void ScratchTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavren-run-XXXXXX").string();
  ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
  dir_ = pattern;
}

void ScratchTest::TearDown() {
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

std::vector<std::string> ScratchTest::Files(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<ReportRow> ReadReport(const std::string& path) {
  std::vector<ReportRow> rows;
  std::istringstream in(ReadBytes(path));
  std::string line;
  EXPECT_TRUE(std::getline(in, line)) << path;
  EXPECT_EQ(line, hostapp::kReportCsvHeader);
  while (std::getline(in, line)) {
    std::vector<double> v;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, ',');) {
      v.push_back(f.empty() ? std::numeric_limits<double>::quiet_NaN() : std::strtod(f.c_str(), nullptr));
    }
    if (line.back() == ',') v.push_back(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(v.size(), 14u) << line;
    if (v.size() != 14u) continue;
    rows.push_back(ReportRow{static_cast<int>(v[0]), v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                             v[11], v[12], v[13]});
  }
  return rows;
}

hostapp::Mesh ReadMesh(const std::string& path) {
  hostapp::Mesh m;
  std::string error;
  EXPECT_TRUE(hostapp::ReadObj(path, &m, &error)) << error;
  return m;
}



namespace {

hostapp::Session* g_session = nullptr;
std::string g_plugin_error;

// Ends the plug-in after the last test, as the host does when it closes, and lets go of what
// it registered, so that nothing the plug-in allocated outlives the program.
class PluginEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    if (!g_session) return;
    delete g_session;
    g_session = nullptr;
    hostapp::Registry::Global().Reset();
  }
};
const ::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

}  // namespace

bool EnsurePlugin(std::string* error) {
  (void)g_environment;
  if (!g_session && g_plugin_error.empty()) {
    hostapp::SetConsoleEcho(false);       // the plug-in's start-up banner
    hostapp::RegisterBuiltinDeformers();  // joints, weight tags and skins in scene files
    g_session = hostapp::Session::Start(TAVREN_BINARY_DIR "/plugins/tavren/tavren.so", &g_plugin_error).release();
    if (!g_session && g_plugin_error.empty()) g_plugin_error = "the plug-in did not start";
  }
  *error = g_plugin_error;
  return g_session != nullptr;
}

}  // namespace e2e_run
