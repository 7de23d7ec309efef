// The plug-in's entry and start-up, through the host's loader: the answers of c4d_main,
// the registrations and the banner, and the ways start-up can fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "hostapp/app/loader.h"
#include "hostapp/app/tables.h"
#include "hostapp/scene/console.h"
#include "hostapp/scene/registry.h"
#include "hostapp/services/memory.h"

namespace {

namespace fs = std::filesystem;
using hostapp::PluginKind;
using hostapp::Registry;

const std::string kBuiltPlugin = std::string(TAVREN_BINARY_DIR) + "/plugins/tavren/tavren.so";

// Each test starts from an empty registry and console, and leaves the plug-in ended.
class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hostapp::SetConsoleEcho(false);
    hostapp::ConsoleClear();
    Registry::Global().Reset();
  }
  void TearDown() override {
    if (lib_) lib_->End();
    lib_.reset();
    Registry::Global().Reset();
  }
  hostapp::PluginLibrary& Open(const std::string& path = kBuiltPlugin) {
    std::string error;
    lib_ = hostapp::PluginLibrary::Open(path, &error);
    EXPECT_TRUE(lib_) << error;
    return *lib_;
  }
  // A plug-in folder in a temporary place, with or without resources and icons.
  std::string CopyPlugin(const std::string& name, bool withRes, bool withIcons) {
    const fs::path dir = fs::temp_directory_path() / ("tavren-entry-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(kBuiltPlugin, dir / "tavren.so");
    if (withRes) {
      fs::copy(fs::path(kBuiltPlugin).parent_path() / "res", dir / "res", fs::copy_options::recursive);
      if (!withIcons) fs::remove_all(dir / "res" / "icons");
    }
    dirs_.push_back(dir);
    return (dir / "tavren.so").string();
  }
  ~EntryTest() override {
    for (const auto& d : dirs_) fs::remove_all(d);
  }

  std::unique_ptr<hostapp::PluginLibrary> lib_;
  std::vector<fs::path> dirs_;
};

TEST_F(EntryTest, StartUpRegistersThreePluginsInOrderAndPrintsTheBanner) {
  std::string error;
  ASSERT_TRUE(Open().Start(&error)) << error;
  const auto& attempts = Registry::Global().Attempts();
  ASSERT_EQ(attempts.size(), 3u);
  EXPECT_EQ(attempts[0]->id, 1035622);
  EXPECT_EQ(attempts[0]->kind, PluginKind::kCommand);
  EXPECT_EQ(attempts[0]->info, 0);
  EXPECT_FALSE(attempts[0]->name.empty());
  EXPECT_FALSE(attempts[0]->help.empty());
  EXPECT_EQ(attempts[1]->id, 1035447);
  EXPECT_EQ(attempts[1]->kind, PluginKind::kObject);
  EXPECT_EQ(attempts[1]->info, 32769);
  EXPECT_EQ(attempts[1]->description, "Otavrendeformer");
  EXPECT_EQ(attempts[2]->id, 1035496);
  EXPECT_EQ(attempts[2]->kind, PluginKind::kTag);
  EXPECT_EQ(attempts[2]->info, 11);
  EXPECT_EQ(attempts[2]->description, "TTavrenres");
  const char* icons[] = {"addtavrencmd.tif", "tavren_02.tif", "tshowtbn.tif"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(attempts[i]->registered);
    EXPECT_EQ(attempts[i]->disk_level, 0);
    EXPECT_TRUE(attempts[i]->icon.loaded) << icons[i];
    EXPECT_EQ(fs::path(attempts[i]->icon.path).filename(), icons[i]);
    EXPECT_EQ(attempts[i]->icon.width, 32);
  }
  const auto lines = hostapp::ConsoleLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "---------------");
  EXPECT_FALSE(lines[1].empty());
  EXPECT_EQ(lines[2], "---------------");
}

TEST_F(EntryTest, AnswersOfTheEntry) {
  hostapp::PluginLibrary& lib = Open();
  std::string error;
  ASSERT_TRUE(lib.Start(&error)) << error;
  EXPECT_EQ(lib.Call(4, nullptr, nullptr, nullptr), 5);
  for (int32_t action : {0, 5, 7, 99, -1}) EXPECT_EQ(lib.Call(action, nullptr, nullptr, nullptr), -1) << action;
  auto message = [&](intptr_t id) { return lib.Call(6, reinterpret_cast<void*>(id), nullptr, nullptr); };
  EXPECT_EQ(message(1001), 1);
  EXPECT_EQ(message(77), -1);
  EXPECT_EQ(message(1), 1);  // the resource loads again
}

TEST_F(EntryTest, OnlyTheFirstInitAndTheLastEndDoTheirWork) {
  hostapp::PluginLibrary& lib = Open();
  std::string error;
  ASSERT_TRUE(lib.Start(&error)) << error;
  auto tables = const_cast<C4D_HostTables*>(hostapp::HostTables());
  std::string path = kBuiltPlugin;
  EXPECT_EQ(lib.Call(1, tables, nullptr, path.data()), 1);
  // The shell keeps its own copy of the plug-in's path until its last end (the command
  // instance it allocated in the same file belongs to the host from registration on).
  auto shellBlocks = [] {
    int64_t n = 0;
    for (const auto& e : hostapp::Outstanding())
      if (e.file.find("main.cpp") != std::string::npos) n += e.blocks;
    return n;
  };
  const int64_t held = shellBlocks();
  EXPECT_GT(held, 0);
  EXPECT_EQ(lib.Call(3, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(shellBlocks(), held);
  EXPECT_EQ(lib.Call(3, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(shellBlocks(), held - 1);
  // Started again from scratch: an old API version or a missing path is refused.
  C4D_HostTables old = *tables;
  old.api_version = 14999;
  EXPECT_EQ(lib.Call(1, &old, nullptr, path.data()), -3);
  EXPECT_EQ(lib.Call(3, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(lib.Call(1, tables, nullptr, nullptr), -3);
  EXPECT_EQ(lib.Call(3, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(shellBlocks(), held - 1);
}

// A refused init must not count: otherwise the next init answers 1 without tables and the
// start that follows runs on nothing.
TEST_F(EntryTest, RefusedInitIsNotCountedAndAForeignHostIsNeverRead) {
  hostapp::PluginLibrary& lib = Open();
  auto tables = const_cast<C4D_HostTables*>(hostapp::HostTables());
  std::string path = kBuiltPlugin;
  C4D_HostTables old = *tables;
  old.api_version = 14999;
  EXPECT_EQ(lib.Call(C4D_PL_INIT_SYS, &old, nullptr, path.data()), C4D_PL_ERROR_VERSION);
  EXPECT_EQ(lib.Call(C4D_PL_INIT_SYS, &old, nullptr, path.data()), C4D_PL_ERROR_VERSION);
  EXPECT_EQ(lib.Call(C4D_PL_INIT_SYS, tables, nullptr, nullptr), C4D_PL_ERROR_VERSION);

  // Another host's block: a newer API version, then fields of its own. Everything past the
  // identifier is poison, so reading any of it would crash.
  struct Foreign {
    int32_t api_version;
    uint32_t id;
    int32_t size;
    const void* tables[12];
  } foreign{21000, 0x12345678u, 1 << 20, {}};
  for (auto& t : foreign.tables) t = reinterpret_cast<const void*>(uintptr_t{0x10});
  const int64_t allocations = hostapp::AllocationCount();
  EXPECT_EQ(lib.Call(C4D_PL_INIT_SYS, &foreign, nullptr, path.data()), C4D_PL_ERROR_VERSION);
  EXPECT_EQ(hostapp::AllocationCount(), allocations);  // nothing touched, nothing kept

  // A service table smaller than the layout the plug-in reads is refused as well.
  C4D_HostTables small = *tables;
  C4D_GeometryTable geometry = *tables->geometry;
  geometry.size = static_cast<int32_t>(sizeof(C4D_GeometryTable)) - 8;
  small.geometry = &geometry;
  EXPECT_EQ(lib.Call(C4D_PL_INIT_SYS, &small, nullptr, path.data()), C4D_PL_ERROR_VERSION);

  // None of these counted: this host's tables are taken now and start-up works.
  std::string error;
  EXPECT_TRUE(lib.Start(&error)) << error;
}

// Without a copy of its own path the plug-in would look for its resources in the current
// folder: message 1 must fail instead.
TEST_F(EntryTest, PathThatCannotBeCopiedFailsMessageOne) {
  hostapp::PluginLibrary& lib = Open();
  auto tables = const_cast<C4D_HostTables*>(hostapp::HostTables());
  std::string path = kBuiltPlugin;
  hostapp::FailAllocationAfter(1);
  const int32_t init = lib.Call(C4D_PL_INIT_SYS, tables, nullptr, path.data());
  hostapp::FailAllocationAfter(0);
  EXPECT_EQ(init, C4D_PL_OK);
  EXPECT_EQ(lib.Call(C4D_PL_MESSAGE, reinterpret_cast<void*>(intptr_t{C4D_MSG_SYSTEM_INIT}), nullptr, nullptr),
            C4D_PL_UNHANDLED);
  EXPECT_EQ(lib.Call(C4D_PL_END, nullptr, nullptr, nullptr), C4D_PL_OK);
}

TEST_F(EntryTest, FailedDeformerRegistrationStopsStartUp) {
  Registry::Global().FailNextRegistration(1035447);
  std::string error;
  EXPECT_FALSE(Open().Start(&error));
  EXPECT_NE(error.find("start-up"), std::string::npos) << error;
  EXPECT_TRUE(Registry::Global().Find(1035622));
  EXPECT_FALSE(Registry::Global().Find(1035447));
  EXPECT_FALSE(Registry::Global().Find(1035496));
  EXPECT_EQ(Registry::Global().Attempts().size(), 2u);  // the tag is never attempted
  EXPECT_TRUE(hostapp::ConsoleLines().empty());
}

TEST_F(EntryTest, MissingResourcesFailMessageOneAndMissingIconsDoNot) {
  std::string error;
  EXPECT_FALSE(Open(CopyPlugin("nores", false, false)).Start(&error));
  EXPECT_NE(error.find("resources"), std::string::npos) << error;
  lib_->End();
  lib_.reset();
  Registry::Global().Reset();

  ASSERT_TRUE(Open(CopyPlugin("noicons", true, false)).Start(&error)) << error;
  EXPECT_EQ(Registry::Global().Plugins(PluginKind::kObject).size(), 1u);
  for (const auto& a : Registry::Global().Attempts()) EXPECT_FALSE(a->icon.loaded);
}

TEST(LoaderTest, ClearErrorsForWhatIsNoPlugin) {
  std::string error;
  EXPECT_FALSE(hostapp::PluginLibrary::Open("/nonexistent/tavren.so", &error));
  EXPECT_NE(error.find("no such plug-in library"), std::string::npos) << error;
  EXPECT_FALSE(hostapp::PluginLibrary::Open(fs::temp_directory_path().string(), &error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  const fs::path junk = fs::temp_directory_path() / ("tavren-junk-" + std::to_string(::getpid()) + ".so");
  std::ofstream(junk) << "not a library";
  EXPECT_FALSE(hostapp::PluginLibrary::Open(junk.string(), &error));
  EXPECT_NE(error.find("cannot load"), std::string::npos) << error;
  fs::remove(junk);
  for (const char* lib : {"/lib/x86_64-linux-gnu/libm.so.6", "/usr/lib/x86_64-linux-gnu/libm.so.6"}) {
    if (!fs::exists(lib)) continue;
    EXPECT_FALSE(hostapp::PluginLibrary::Open(lib, &error));
    EXPECT_NE(error.find("c4d_main"), std::string::npos) << error;
    break;
  }
}

}  // namespace
